#include "base/strings/string_tokenizer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

// Every token as text; delimiter tokens are marked with a leading '#'.
std::vector<std::string> Tokens(StringTokenizer* tokenizer) {
  std::vector<std::string> tokens;
  while (tokenizer->GetNext()) {
    std::string token = tokenizer->token();
    EXPECT_EQ(token, tokenizer->token_piece().as_string());
    tokens.push_back(tokenizer->token_is_delim() ? "#" + token : token);
  }
  return tokens;
}

TEST(StringTokenizerTest, Tokens) {
  const struct {
    const char* input;
    const char* delimiters;
    const char* quotes;
    int options;
    std::vector<std::string> tokens;
  } cases[] = {
      {"", " ", "", 0, {}},
      {"  a  b  ", " ", "", 0, {"a", "b"}},
      {"a=1, b=2", ", =", "", 0, {"a", "1", "b", "2"}},
      {"abc", "", "", 0, {"abc"}},
      {"a, b",
       ", ",
       "",
       StringTokenizer::RETURN_DELIMS,
       {"a", "#,", "# ", "b"}},
      {"a, \"b,c\" d", ", ", "\"", 0, {"a", "\"b,c\"", "d"}},
      {"x'a b'y z", " ", "'", 0, {"x'a b'y", "z"}},
      // A backslash escapes only inside quotes and stays in the token.
      {"\"a\\\" b\" c", " ", "\"", 0, {"\"a\\\" b\"", "c"}},
      {"a\\ b", " ", "\"", 0, {"a\\", "b"}},
      // A quote is closed only by the same character.
      {"'a\" b' \"c' d\"", " ", "'\"", 0, {"'a\" b'", "\"c' d\""}},
      // An unclosed quote runs to the end.
      {"a \"b c", " ", "\"", 0, {"a", "\"b c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    StringTokenizer tokenizer(c.input, c.delimiters);
    tokenizer.set_quote_chars(c.quotes);
    tokenizer.set_options(c.options);
    EXPECT_EQ(c.tokens, Tokens(&tokenizer));
    EXPECT_FALSE(tokenizer.GetNext());  // Stays at the end.
  }
}

TEST(StringTokenizerTest, PositionsResetAndItsOwnCopyOfTheInput) {
  std::string input = " ab  cde";
  StringTokenizer tokenizer(input, " ");
  input.assign("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
  ASSERT_TRUE(tokenizer.GetNext());
  EXPECT_EQ(1u, tokenizer.token_begin());
  EXPECT_EQ(3u, tokenizer.token_end());
  ASSERT_TRUE(tokenizer.GetNext());
  EXPECT_EQ(5u, tokenizer.token_begin());
  EXPECT_EQ(8u, tokenizer.token_end());
  EXPECT_FALSE(tokenizer.GetNext());

  tokenizer.Reset();
  ASSERT_TRUE(tokenizer.GetNext());
  EXPECT_EQ("ab", tokenizer.token());
}

}  // namespace
}  // namespace base
