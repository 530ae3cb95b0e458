#include "base/strings/sys_string_conversions.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(SysStringConversionsTest, ConvertsBothWays) {
  const struct {
    const wchar_t* wide;
    const char* utf8;
  } kCases[] = {
      {L"", ""},
      {L"plain", "plain"},
      {L"\u00e9t\u00e9", "\xC3\xA9t\xC3\xA9"},
      {L"\u20ac", "\xE2\x82\xAC"},
      {L"\U0001F600", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.utf8, SysWideToUTF8(c.wide));
    EXPECT_EQ(c.wide, SysUTF8ToWide(c.utf8));
  }
}

TEST(SysStringConversionsTest, KeepsEmbeddedNuls) {
  const std::wstring wide(L"a\0b", 3);
  const std::string utf8("a\0b", 3);
  EXPECT_EQ(utf8, SysWideToUTF8(wide));
  EXPECT_EQ(wide, SysUTF8ToWide(utf8));
}

}  // namespace
}  // namespace base
