#include "base/win/registry_key_path.h"

#include <string>

#include "gtest/gtest.h"

namespace base {
namespace win {
namespace {

TEST(RegistryKeyPathTest, SplitsOnBackslashOnly) {
  const struct {
    const wchar_t* path;
    const wchar_t* parent;
  } kCases[] = {
      {L"Software\\Classes\\text/plain", L"Software\\Classes"},
      {L"Software\\a/b\\", L"Software"},
      {L"Software", L""},
      {L"", L""},
  };
  for (const auto& test : kCases)
    EXPECT_EQ(test.parent, KeyPathParent(test.path)) << test.path;
  EXPECT_EQ(L"a\\b/c", KeyPathAppend(L"a\\", L"b/c"));
  EXPECT_EQ(L"b", KeyPathAppend(L"", L"b"));
  EXPECT_EQ(L"a", NormalizeKeyPath(std::wstring(L"a\0b", 3)));
  EXPECT_EQ(L"MACHINE\\Software",
            GetFullKeyName(HKEY_LOCAL_MACHINE, L"Software"));
  EXPECT_EQ(L"CURRENT_USER", GetFullKeyName(HKEY_CURRENT_USER, L""));
}

}  // namespace
}  // namespace win
}  // namespace base
