#include "base/strings/pattern.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(PatternTest, MatchPatternAndItsDepthLimit) {
  const struct {
    const char* text;
    const char* pattern;
    bool match;
  } cases[] = {
      {"", "", true},
      {"", "a", false},
      {"a", "", false},
      {"abc", "abc", true},
      {"abc", "a?c", true},
      {"abc", "a?bc", true},
      {"abc", "a*", true},
      {"abc", "*b*", true},
      {"abc", "*d*", false},
      {"abc", "a***?**c", true},
      {"abc", "A*", false},
      {"abc", "a\\*", false},
      {"a*", "a\\*", true},
      {"a\\b", "a\\\\b", true},
      {"ab", "a\\b", true},
      {"abc", "abc\\", false},
      // Code points, not bytes, for '?' and literal characters.
      {"\xC3\xA9t\xC3\xA9", "?t?", true},
      {"\xE2\x82\xAC", "\xE2\x82\xAC", true},
      {"\xE2\x82\xAC", "\xE2\x82\xAD", false},
      // Invalid bytes compare one by one.
      {"a\xFFz", "a\xFFz", true},
      {"a\xFFz", "a?z", true},
      {"\xFF", "\xC3\xBF", false},  // Not U+00FF.
      // A star also tries the suffixes that begin inside a character.
      {"\xE2\x82\xAC", "*\x82\xAC", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.match, MatchPattern(c.text, c.pattern))
        << "'" << c.text << "' against '" << c.pattern << "'";
  }

  // The depth limit.
  EXPECT_TRUE(MatchPattern(std::string(16, 'x'), std::string(16, '?')));
  EXPECT_FALSE(MatchPattern(std::string(17, 'x'), std::string(17, '?')));
  // Leftover wildcards at the end of the text need no deeper call.
  EXPECT_TRUE(MatchPattern("", std::string(40, '?')));
  // Stars collapse: a long run of them is one level.
  EXPECT_TRUE(MatchPattern("abc", std::string(40, '*') + "c"));
  // Each star that is followed by more pattern costs one level too.
  std::string letters = "abcdefghijklmnopq";
  std::string stars;
  for (char c : letters) stars += std::string("*") + c;
  EXPECT_TRUE(MatchPattern(letters.substr(0, 16), stars.substr(0, 32)));
  EXPECT_FALSE(MatchPattern(letters, stars));
}

}  // namespace
}  // namespace base
