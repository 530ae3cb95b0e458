#include "base/strings/string_util.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(StringUtilTest, TrimWideString) {
  const struct {
    const wchar_t* input;
    const wchar_t* trim_chars;
    const wchar_t* output;
    TrimPositions trimmed;
  } cases[] = {
      {L"", kWhitespaceWide, L"", TRIM_NONE},
      {L" abc", kWhitespaceWide, L"abc", TRIM_LEADING},
      {L"abc\t", kWhitespaceWide, L"abc", TRIM_TRAILING},
      // The ends of the wide whitespace set.
      {L"\x1680\x2000\x3000 a b\x00A0\x200A\x2029", kWhitespaceWide, L"a b",
       TRIM_ALL},
      {L"   ", kWhitespaceWide, L"", TRIM_ALL},
      {L"\"quoted\"", L"\"", L"quoted", TRIM_ALL},
      // Zero-width space and byte-order mark are not whitespace.
      {L"\x200B\xFEFF", kWhitespaceWide, L"\x200B\xFEFF", TRIM_NONE},
  };
  for (const auto& c : cases) {
    std::wstring output = L"stale";
    EXPECT_EQ(c.trimmed, TrimWideString(c.input, c.trim_chars, &output))
        << c.input;
    EXPECT_EQ(c.output, output);
  }
  std::wstring text = L"  in place  ";
  EXPECT_EQ(TRIM_ALL, TrimWideString(text, kWhitespaceWide, &text));
  EXPECT_EQ(L"in place", text);
}

TEST(StringUtilTest, CollapseWhitespaceASCII) {
  const struct {
    const char* input;
    const char* output;
  } cases[] = {
      {"  leading", "leading"},
      {"trailing \t", "trailing"},
      {"a  \t\v\f b", "a b"},
      {"a b\nc", "a bc"},
      {"line\r\n", "line"},
      {"a \rb", "ab"},
      {"\n\n x\n", "x"},
      // Bytes of UTF-8 sequences are never whitespace, whatever their value
      // as a signed char: U+0085 and U+00A0 stay.
      {"\xC2\x85 x \xA0", "\xC2\x85 x \xA0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.output, CollapseWhitespaceASCII(c.input)) << c.input;
}

TEST(StringUtilTest, ASCIICase) {
  EXPECT_EQ("velto 1.0 @[`{", ToLowerASCII("VeLTO 1.0 @[`{"));
  EXPECT_EQ("VELTO 1.0 @[`{", ToUpperASCII("VeLTO 1.0 @[`{"));
  EXPECT_EQ("az", ToLowerASCII("AZ"));
  EXPECT_EQ("AZ", ToUpperASCII("az"));
  // Only A-Z and a-z change; other bytes, UTF-8 included, stay. The
  // comparisons lower case with the same function.
  EXPECT_EQ("\xC3\x89\xC3\xA9", ToLowerASCII("\xC3\x89\xC3\xA9"));
  EXPECT_EQ("\xC3\x89\xC3\xA9", ToUpperASCII("\xC3\x89\xC3\xA9"));

  EXPECT_TRUE(EqualsCaseInsensitiveASCII("En-US", "en-us"));
  EXPECT_FALSE(EqualsCaseInsensitiveASCII("en-us", "en-us "));

  EXPECT_TRUE(WideLowerCaseEqualsASCII(L"PT-BR", "pt-br"));
  EXPECT_FALSE(WideLowerCaseEqualsASCII(L"pt-br", "pt-b"));
  EXPECT_FALSE(WideLowerCaseEqualsASCII(L"\x00C9", "\xE9"));
  EXPECT_TRUE(WideLowerCaseEqualsASCII(L"\x00E9", "\xE9"));
  // A unit whose low byte matches is still a different character.
  EXPECT_FALSE(WideLowerCaseEqualsASCII(L"\x0161", "a"));

  // The byte and unit limits are checked by the conversions that rely on
  // them; the check of a whole string must look past a NUL.
  EXPECT_TRUE(IsStdWideStringASCII(std::wstring(L"ab\0c", 4)));
  EXPECT_FALSE(IsStdWideStringASCII(std::wstring(L"a\0\x3000", 3)));
}

TEST(StringUtilTest, StartsWithAndEndsWith) {
  const CompareCase kSensitive = CompareCase::SENSITIVE;
  const CompareCase kInsensitive = CompareCase::INSENSITIVE_ASCII;
  const CompareCase kInvalid = static_cast<CompareCase>(2);
  const struct {
    const wchar_t* text;
    const wchar_t* search_for;
    CompareCase compare_case;
    bool starts;
    bool ends;
  } cases[] = {
      {L"Hello", L"he", kInsensitive, true, false},
      {L"Hello", L"he", kInvalid, false, false},
      {L"Hello", L"He", kSensitive, true, false},
      {L"Hello", L"LLO", kInsensitive, false, true},
      {L"Hello", L"", kSensitive, true, true},
      {L"Hello", L"Hello!", kSensitive, false, false},
      {L"\x00C9t\x00C9", L"\x00E9", kInsensitive, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.search_for << " in " << c.text);
    EXPECT_EQ(c.starts, StartsWith(c.text, c.search_for, c.compare_case));
    EXPECT_EQ(c.ends, EndsWith(c.text, c.search_for, c.compare_case));
  }
}

TEST(StringUtilTest, ReplaceChars) {
  const struct {
    const char* input;
    const char* chars;
    const char* replacement;
    const char* output;
    bool replaced;
  } cases[] = {
      {"", "a", "b", "", false},
      {"abc", "", "x", "abc", false},
      {"a/b\\c", "/\\", "_", "a_b_c", true},
      {"aaa", "a", "", "", true},
      // The inserted text is not searched again.
      {"ab", "a", "aa", "aab", true},
  };
  for (const auto& c : cases) {
    std::string output = "stale";
    EXPECT_EQ(c.replaced,
              ReplaceChars(c.input, c.chars, c.replacement, &output))
        << c.input;
    EXPECT_EQ(c.output, output);
  }
  std::string aliased = "a b c";
  EXPECT_TRUE(ReplaceChars(aliased, " ", "--", &aliased));
  EXPECT_EQ("a--b--c", aliased);
}

TEST(StringUtilTest, ReplaceSubstringsAfterOffset) {
  const struct {
    const char* input;
    size_t offset;
    const char* find;
    const char* replacement;
    bool replace_all;
    const char* output;
  } cases[] = {
      {"aaa", 0, "", "X", true, "aaa"},  // Would never end.
      {"abc", 7, "a", "y", true, "abc"},
      {"abab", 1, "ab", "X", false, "abX"},
      // Equal lengths, overwritten in place.
      {"a-b-c", 2, "-", "+", true, "a-b+c"},
      // Longer replacement.
      {"--", 0, "-", "xyz", true, "xyzxyz"},
      {"a-b-c", 2, "-", "<->", true, "a-b<->c"},
      // Shorter replacement.
      {"<><>x<>", 0, "<>", "", true, "x"},
      {"aXXbXXc", 2, "XX", "Y", true, "aXXbYc"},
      // Matches do not overlap and inserted text is not searched.
      {"aaa", 0, "aa", "b", true, "ba"},
      {"aaa", 0, "aa", "ba", true, "baa"},
      {"aaa", 0, "aa", "xyz", true, "xyza"},
      {"abab", 0, "ab", "abab", true, "abababab"},
  };
  for (const auto& c : cases) {
    std::string text = c.input;
    ReplaceSubstringsAfterOffset(&text, c.offset, c.find, c.replacement,
                                 c.replace_all);
    EXPECT_EQ(c.output, text)
        << c.input << " " << c.find << " -> " << c.replacement;
  }
  // Find and replacement may be pieces of the text itself.
  std::string text = "a.b.c";
  ReplaceSubstringsAfterOffset(&text, 0, StringPiece(text.data() + 1, 1),
                               StringPiece(text.data(), 3), true);
  EXPECT_EQ("aa.bba.bc", text);
}

TEST(StringUtilTest, JoinString) {
  EXPECT_EQ("", JoinString({}, ","));
  EXPECT_EQ("a, b, ", JoinString({"a", "b", ""}, ", "));
  EXPECT_EQ(L"x\\y\\z", JoinWideString({L"x", L"y", L"z"}, L"\\"));
}

TEST(StringUtilTest, ReplaceStringPlaceholders) {
  const struct {
    const char* format;
    std::vector<std::string> substitutions;
    const char* output;
    std::vector<size_t> offsets;
  } cases[] = {
      {"$1-$2", {"x"}, "x-", {0, 2}},
      {"$2 $1 $2", {"a", "bb"}, "bb a bb", {3, 5, 0}},
      {"$$", {}, "$", {}},
      {"$$$1", {"x"}, "$$1", {}},
      {"a$", {}, "a", {}},
      {"$0$a$", {"x"}, "", {}},
      {"cost: $9",
       {"1", "2", "3", "4", "5", "6", "7", "8", "nine"},
       "cost: nine",
       {6}},
      {"$10", {"one"}, "one0", {0}},
      {"$1", {"$2"}, "$2", {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    std::vector<size_t> offsets = {99};  // Appended to, not replaced.
    EXPECT_EQ(c.output,
              ReplaceStringPlaceholders(c.format, c.substitutions, &offsets));
    std::vector<size_t> expected = {99};
    expected.insert(expected.end(), c.offsets.begin(), c.offsets.end());
    EXPECT_EQ(expected, offsets);
    EXPECT_EQ(c.output,
              ReplaceStringPlaceholders(c.format, c.substitutions, nullptr));
  }
  std::vector<size_t> offsets;
  EXPECT_EQ(L"\x00E9 to C:\\V $",
            ReplaceWideStringPlaceholders(L"$2 to $1 $$", {L"C:\\V", L"\x00E9"},
                                          &offsets));
  EXPECT_EQ((std::vector<size_t>{5, 0}), offsets);
}

TEST(StringUtilTest, WriteIntoWideString) {
  std::wstring text = L"old contents";
  wchar_t* buffer = WriteIntoWideString(&text, 4);
  EXPECT_EQ(3u, text.size());
  EXPECT_GE(text.capacity(), 4u);
  wcscpy(buffer, L"abc");  // Three characters and the NUL fill all four.
  EXPECT_EQ(L"abc", text);

  buffer = WriteIntoWideString(&text, 1);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(L'\0', buffer[0]);
}

TEST(StringUtilDeathTest, WriteIntoWideStringRefusesZeroLength) {
  std::wstring text;
  EXPECT_DEATH(WriteIntoWideString(&text, 0), "length_with_null");
}

TEST(StringUtilTest, WideSnprintf) {
  wchar_t buffer[8];
  EXPECT_EQ(5, WideSnprintf(buffer, 8, 7, L"%d-%ls", 12, L"ab"));
  EXPECT_EQ(std::wstring(L"12-ab"), buffer);

  EXPECT_EQ(7, WideSnprintf(buffer, 8, 7, L"%ls", L"1234567"));
  // Too long for the buffer: -1, and the buffer still ends in a NUL.
  EXPECT_EQ(-1, WideSnprintf(buffer, 8, 100, L"%ls", L"12345678"));
  EXPECT_EQ(L'\0', buffer[7]);

  // The count limit is stricter than the buffer.
  EXPECT_EQ(-1, WideSnprintf(buffer, 8, 3, L"%d", 12345));
  EXPECT_EQ(L'\0', buffer[3]);
  EXPECT_EQ(3, WideSnprintf(buffer, 8, 3, L"%d", 123));

  EXPECT_EQ(-1, WideSnprintf(buffer, 0, 0, L"x"));
}

}  // namespace
}  // namespace base
