#include "base/strings/sys_string_conversions.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(SysStringConversionsTest, ConvertsBothWays) {
  const struct {
    std::wstring wide;
    std::string utf8;
  } kCases[] = {
      {L"", ""},
      {L"\U0001F600", "\xF0\x9F\x98\x80"},
      {std::wstring(L"a\0b", 3), std::string("a\0b", 3)},  // NULs kept.
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.utf8, SysWideToUTF8(c.wide));
    EXPECT_EQ(c.wide, SysUTF8ToWide(c.utf8));
  }
  // Malformed text is converted with replacements, not refused.
  EXPECT_EQ(L"a\xFFFD"
            L"b",
            SysUTF8ToWide("a\xFF"
                          "b"));
  EXPECT_EQ("a\xEF\xBF\xBD"
            "b",
            SysWideToUTF8(L"a\xD800"
                          L"b"));
}

}  // namespace
}  // namespace base
