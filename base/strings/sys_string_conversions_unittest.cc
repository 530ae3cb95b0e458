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
}

}  // namespace
}  // namespace base
