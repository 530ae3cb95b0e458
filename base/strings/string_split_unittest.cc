#include "base/strings/string_split.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(StringSplitTest, SplitString) {
  const struct {
    const char* input;
    const char* separators;
    std::vector<std::string> pieces;
    WhitespaceHandling whitespace = KEEP_WHITESPACE;
    SplitResult result_type = SPLIT_WANT_ALL;
  } cases[] = {
      {"", ",", {}},
      {",", ",", {"", ""}},
      {"a,,b", ",", {"a", "", "b"}},
      {"a,,b", ",", {"a", "b"}, KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY},
      {" a , b ", ",", {"a", "b"}, TRIM_WHITESPACE},
      {"a, ,b", ",", {"a", "", "b"}, TRIM_WHITESPACE},
      {"a, ,b", ",", {"a", "b"}, TRIM_WHITESPACE, SPLIT_WANT_NONEMPTY},
      {"a, ,b", ",", {"a", " ", "b"}, KEEP_WHITESPACE, SPLIT_WANT_NONEMPTY},
      {"\t\v\f\r\n x y \n", ",", {"x y"}, TRIM_WHITESPACE},
      {"a;b,c;", ",;", {"a", "b", "c", ""}},
      {"a,b", "", {"a,b"}},
      // Narrow trimming knows only ASCII whitespace: a no-break space in
      // UTF-8, and its lone byte, are text.
      {"\xC2\xA0z\xA0,b", ",", {"\xC2\xA0z\xA0", "b"}, TRIM_WHITESPACE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "'" << c.input << "' at '" << c.separators << "'");
    EXPECT_EQ(c.pieces,
              SplitString(c.input, c.separators, c.whitespace, c.result_type));
    if (std::string(c.separators).size() == 1) {
      // The pieces are views into the input.
      const StringPiece input(c.input);
      std::vector<StringPiece> pieces =
          SplitStringPiece(input, c.separators[0], c.whitespace, c.result_type);
      std::vector<std::string> copies(pieces.begin(), pieces.end());
      EXPECT_EQ(c.pieces, copies);
      for (StringPiece piece : pieces) {
        EXPECT_GE(piece.data(), input.data());
        EXPECT_LE(piece.data() + piece.size(), input.data() + input.size());
      }
    }
  }
}

TEST(StringSplitTest, SplitWideStringTrimsUnicodeWhitespace) {
  const struct {
    const wchar_t* input;
    const wchar_t* separators;
    std::vector<std::wstring> pieces;
    WhitespaceHandling whitespace = TRIM_WHITESPACE;
    SplitResult result_type = SPLIT_WANT_ALL;
  } cases[] = {
      {L"\x3000x\x00A0,\x2028y\x0085", L",", {L"x", L"y"}},
      {L"a,\x205F\x202F,b",
       L",",
       {L"a", L"b"},
       TRIM_WHITESPACE,
       SPLIT_WANT_NONEMPTY},
      {L"a\x200B,b", L",", {L"a\x200B", L"b"}},
      {L"x\\y/z", L"\\/", {L"x", L"y", L"z"}, KEEP_WHITESPACE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.pieces, SplitWideString(c.input, c.separators, c.whitespace,
                                        c.result_type))
        << c.input;
  }
}

TEST(StringSplitTest, SplitStringIntoKeyValuePairs) {
  const struct {
    const char* input;
    bool success;
    StringPairs pairs;
  } cases[] = {
      {"", true, {}},
      {" , ,", true, {}},
      {"a=1, b==2,c", false, {{"a", "1"}, {"b", "2"}, {"", ""}}},
      {"c,a=1", false, {{"", ""}, {"a", "1"}}},
      {"key=", false, {{"key", ""}}},
      {"=v", true, {{"", "v"}}},
      {"a=b=c", true, {{"a", "b=c"}}},
      {"a = 1", true, {{"a ", " 1"}}},
  };
  for (const auto& c : cases) {
    StringPairs pairs = {{"stale", "stale"}};
    EXPECT_EQ(c.success,
              SplitStringIntoKeyValuePairs(c.input, '=', ',', &pairs))
        << c.input;
    EXPECT_EQ(c.pairs, pairs) << c.input;
  }
}

}  // namespace
}  // namespace base
