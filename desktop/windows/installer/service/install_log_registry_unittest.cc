#include "desktop/windows/installer/service/install_log_registry.h"

#include <string>

#include "base/win/windows_types.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// The data text of one recorded value (the common cases run through the
// registry rows' tests).
TEST(InstallLogRegistryTest, FormatsDataByType) {
  const wchar_t text[] = L"C:\\Velto\\\u00e9";
  const wchar_t unterminated[] = {L'a', L'b'};
  const uint8_t high[] = {0xE9, 0x00, 0xFF};
  const DWORD all_ones = 0xFFFFFFFF;
  const uint64_t qword = 1;
  const struct {
    uint32_t type;
    const void* data;
    uint32_t size;
    const char* type_name;
    const char* text;
  } kCases[] = {
      {REG_SZ, text, sizeof(text), "REG_SZ", "C:\\Velto\\\xc3\xa9"},
      {REG_EXPAND_SZ, unterminated, sizeof(unterminated), "REG_EXPAND_SZ",
       "ab"},
      {REG_BINARY, high, sizeof(high), "REG_BINARY", "e9,00,ff"},
      {REG_DWORD, &all_ones, sizeof(all_ones), "REG_DWORD", "ffffffff"},
      {REG_QWORD, &qword, sizeof(qword), "REG_QWORD", ""},
      {REG_MULTI_SZ, text, sizeof(text), "REG_MULTI_SZ", ""},
      {12, nullptr, 0, "", ""},
  };
  for (const auto& test : kCases) {
    InstallLogRegistry registry;
    RecordRegistryValue(&registry, L"Software\\Velto", L"v",
                        static_cast<const uint8_t*>(test.data), test.type,
                        test.size, 0);
    ASSERT_EQ(1u, registry.size());
    ASSERT_EQ(1u, registry[0].values.size());
    EXPECT_EQ(test.type_name, registry[0].values[0].type_name) << test.type;
    EXPECT_EQ(test.text, registry[0].values[0].data) << test.type_name;
  }
}

// Paths that differ only in case are one key with the larger clean mode,
// whichever came first; a value written twice is recorded twice.
TEST(InstallLogRegistryTest, GroupsValuesByKeyIgnoringCase) {
  for (const auto& modes : {std::make_pair(1, 2), std::make_pair(2, 1)}) {
    InstallLogRegistry registry;
    RecordRegistryValue(&registry, L"Software\\Velto", L"a", nullptr, REG_NONE,
                        0, modes.first);
    RecordRegistryValue(&registry, L"Software\\Other\\\u00c9", L"", nullptr,
                        REG_NONE, 0, 0);
    RecordRegistryValue(&registry, L"SOFTWARE\\velto", L"b", nullptr, REG_NONE,
                        0, modes.second);
    RecordRegistryValue(&registry, L"Software\\Velto", L"b", nullptr, REG_NONE,
                        0, 0);
    ASSERT_EQ(2u, registry.size());
    EXPECT_EQ("Software\\Velto", registry[0].key_path);
    EXPECT_EQ(2, registry[0].clean_mode);
    ASSERT_EQ(3u, registry[0].values.size());
    EXPECT_EQ("b", registry[0].values[2].name);
    EXPECT_EQ("Software\\Other\\\xc3\x89", registry[1].key_path);
    EXPECT_EQ(0, registry[1].clean_mode);
  }
}

}  // namespace
}  // namespace installer
