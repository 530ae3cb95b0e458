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
  EXPECT_EQ(L"CLASSES_ROOT\\.htm", GetFullKeyName(HKEY_CLASSES_ROOT, L".htm"));
  EXPECT_EQ(L"USERS\\S-1-5-18", GetFullKeyName(HKEY_USERS, L"S-1-5-18"));
  EXPECT_EQ(L"Software", GetFullKeyName(HKEY_CURRENT_CONFIG, L"Software"));
  // Only the 32-bit view alone names the redirected object type.
  EXPECT_EQ(SE_REGISTRY_WOW64_32KEY, GetRegistryObjectType(KEY_WOW64_32KEY));
  EXPECT_EQ(SE_REGISTRY_KEY, GetRegistryObjectType(0));
  EXPECT_EQ(SE_REGISTRY_KEY, GetRegistryObjectType(KEY_WOW64_64KEY));
}

}  // namespace
}  // namespace win
}  // namespace base
