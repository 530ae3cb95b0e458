#include "desktop/windows/installer/service/install_log_registry.h"

#include <string>

#include "base/win/windows_types.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// The type name and data text of a recorded value, one of each kind of
// text (the common cases run through the registry rows' tests). All are
// recorded under spellings of one key, which keeps the first spelling and
// the larger clean mode, whichever came first; another key stands apart.
TEST(InstallLogRegistryTest, RecordsValuesByKeyIgnoringCase) {
  const wchar_t text[] = L"C:\\Velto\\\u00e9";
  const wchar_t unterminated[] = {L'a', L'b'};
  const uint8_t high[] = {0xE9, 0x00, 0xFF};
  const DWORD all_ones = 0xFFFFFFFF;
  const uint64_t qword = 0x20;
  const struct {
    const wchar_t* key;
    int clean_mode;
    uint32_t type;
    const void* data;
    uint32_t size;
    const char* type_name;
    const char* text;
  } kCases[] = {
      {L"Software\\Velto", 1, REG_SZ, text, sizeof(text), "REG_SZ",
       "C:\\Velto\\\xc3\xa9"},
      {L"Software\\Other\\\u00c9", 0, REG_BINARY, high, sizeof(high),
       "REG_BINARY", "e9,00,ff"},
      {L"SOFTWARE\\velto", 2, REG_EXPAND_SZ, unterminated, sizeof(unterminated),
       "REG_EXPAND_SZ", "ab"},
      {L"Software\\Velto", 0, REG_DWORD, &all_ones, sizeof(all_ones),
       "REG_DWORD", "ffffffff"},
      {L"Software\\VELTO", 1, REG_MULTI_SZ, text, sizeof(text), "REG_MULTI_SZ",
       ""},
      {L"Software\\Velto", 0, REG_QWORD, &qword, sizeof(qword), "REG_QWORD",
       ""},
      {L"Software\\Velto", 0, 12, nullptr, 0, "", ""},
  };
  InstallLogRegistry registry;
  for (const auto& test : kCases) {
    RecordRegistryValue(&registry, test.key, L"v",
                        static_cast<const uint8_t*>(test.data), test.type,
                        test.size, test.clean_mode);
  }
  ASSERT_EQ(2u, registry.size());
  EXPECT_EQ("Software\\Velto", registry[0].key_path);
  EXPECT_EQ(2, registry[0].clean_mode);
  EXPECT_EQ("Software\\Other\\\xc3\x89", registry[1].key_path);
  EXPECT_EQ(0, registry[1].clean_mode);
  ASSERT_EQ(6u, registry[0].values.size());
  ASSERT_EQ(1u, registry[1].values.size());
  size_t index[2] = {0, 0};
  for (const auto& test : kCases) {
    const bool other = test.type == REG_BINARY;
    const InstallLogValue& value = registry[other].values[index[other]++];
    EXPECT_EQ(test.type_name, value.type_name) << test.type;
    EXPECT_EQ(test.text, value.data) << test.type_name;
  }
}

}  // namespace
}  // namespace installer
