#include "base/strings/string_piece.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(StringPieceTest, ConstructionComparisonAndSubstr) {
  EXPECT_TRUE(StringPiece(static_cast<const char*>(nullptr)).empty());
  const std::string text("a\0b", 3);
  EXPECT_EQ(3u, StringPiece(text).size());
  EXPECT_EQ(L"wide", StringPiece16(std::wstring(L"wide")).as_string());
  EXPECT_TRUE(StringPiece().Equals(StringPiece("")));
  EXPECT_FALSE(StringPiece("abc").Equals("abd"));
  EXPECT_FALSE(StringPiece("abc").Equals("ab"));
  EXPECT_TRUE(StringPiece16(L"x") != L"y");
  EXPECT_TRUE(StringPiece16(L"ab") != L"abc");
  EXPECT_TRUE(StringPiece("a") < StringPiece("b"));

  // Substr clamps its position and length.
  StringPiece hello("hello");
  EXPECT_EQ("ell", hello.Substr(1, 3));
  EXPECT_EQ("llo", hello.Substr(2));
  EXPECT_EQ("lo", hello.Substr(3, 100));
  EXPECT_TRUE(hello.Substr(9, 2).empty());
  EXPECT_EQ(hello.data() + 5, hello.Substr(9).data());
}

// One-character and longer sets take different paths; both are checked, with
// bytes above 0x7F, which index the flag table as unsigned values.
TEST(StringPieceTest, FindsMembersAndNonMembers) {
  const size_t npos = StringPiece::npos;
  const struct {
    const char* text;
    const char* chars;
    size_t first_not_of;
    size_t last_of;
    size_t last_not_of;
  } kCases[] = {
      {"", "a", npos, npos, npos}, {"abc", "", 0, npos, 2},
      {"aab", "a", 2, 1, 2},       {"aaa", "a", npos, 2, npos},
      {"  x  ", " \t", 2, 4, 2},   {"\xE9\xE9z\xE9", "\xE9\xFF", 2, 3, 2},
      {"xyz", "ab", 0, npos, 2},  {"abb", "b", 0, 2, 0},
      {"baa", "b", 1, 0, 2},
  };
  for (const auto& c : kCases) {
    StringPiece text(c.text);
    EXPECT_EQ(c.first_not_of, text.FindFirstNotOf(c.chars)) << c.text;
    EXPECT_EQ(c.last_of, text.FindLastOf(c.chars)) << c.text;
    EXPECT_EQ(c.last_not_of, text.FindLastNotOf(c.chars)) << c.text;
  }
  EXPECT_EQ(3u, StringPiece("abcab").FindFirstNotOf("c", 2));
  EXPECT_EQ(1u, StringPiece("abcab").FindLastOf("b", 3));
  EXPECT_EQ(npos, StringPiece("abc").FindFirstNotOf("x", 3));
  EXPECT_EQ(1u, StringPiece("abc").FindFirstNotOf("", 1));
  EXPECT_EQ(npos, StringPiece("abc").FindFirstNotOf("", 3));
  EXPECT_EQ(1u, StringPiece16(L" a ").FindFirstNotOf(L" "));
  EXPECT_EQ(1u, StringPiece16(L" a ").FindLastNotOf(L" \t"));
  EXPECT_EQ(2u, StringPiece16(L" a ").FindLastOf(L" \t"));
}

// Written from inside namespace base, where lookup finds this namespace's
// operator<< before any global one: a wide pointer must not print as an
// address.
TEST(StringPieceTest, WideTextStreamsAsUtf8) {
  std::ostringstream out;
  const wchar_t* null_text = nullptr;
  out << StringPiece("a") << StringPiece16(L"\u00e9") << L"b"
      << std::wstring(L"\u20ac") << null_text;
  EXPECT_EQ("a\xC3\xA9"
            "b\xE2\x82\xAC",
            out.str());
}

}  // namespace
}  // namespace base
