// Walks the tokens of a narrow string separated by delimiter characters.
//
//   StringTokenizer t("a, \"b,c\" d", ", ");
//   t.set_quote_chars("\"");
//   while (t.GetNext())
//     Use(t.token());  // "a", then "\"b,c\"", then "d"
//
// Runs of delimiters are skipped, so no token is empty. With
// set_options(RETURN_DELIMS) each delimiter comes back as a one-character
// token of its own (token_is_delim() tells them apart). Quote characters
// make delimiters between them part of the token; inside quotes a backslash
// escapes the next character. Quotes and backslashes stay in the token
// text, and an unclosed quote runs to the end of the input.
//
// The tokenizer keeps its own copy of the input. It is not thread-safe.
#ifndef BASE_STRINGS_STRING_TOKENIZER_H_
#define BASE_STRINGS_STRING_TOKENIZER_H_

#include <stddef.h>

#include <string>

#include "base/strings/string_piece.h"

namespace base {

class StringTokenizer {
 public:
  enum {
    // Each delimiter is returned as a token of its own.
    RETURN_DELIMS = 1 << 0,
  };

  StringTokenizer(StringPiece input, StringPiece delimiters);

  StringTokenizer(const StringTokenizer&) = delete;
  StringTokenizer& operator=(const StringTokenizer&) = delete;

  // A bit set of the options above.
  void set_options(int options) { options_ = options; }
  // Characters that open a quote closed by the same character.
  void set_quote_chars(StringPiece quotes) {
    quotes_.assign(quotes.data(), quotes.size());
  }

  // Moves to the next token; false when there is none.
  bool GetNext();

  // Starts again from the beginning of the input.
  void Reset();

  bool token_is_delim() const { return token_is_delim_; }
  // Positions of the current token in the input, end exclusive.
  size_t token_begin() const { return token_begin_; }
  size_t token_end() const { return token_end_; }
  std::string token() const {
    return input_.substr(token_begin_, token_end_ - token_begin_);
  }
  // A view of the current token, valid while the tokenizer lives.
  StringPiece token_piece() const {
    return StringPiece(input_.data() + token_begin_, token_end_ - token_begin_);
  }

 private:
  // Progress through a token that may hold quoted text.
  struct AdvanceState {
    bool in_quote = false;
    bool in_escape = false;
    char quote_char = '\0';
  };

  // The path without quotes and without delimiter tokens.
  bool QuickGetNext();
  // The path that honours quotes and RETURN_DELIMS.
  bool FullGetNext();

  bool IsDelim(char c) const;
  bool IsQuote(char c) const;
  // Takes |c| into the current token; false when |c| ends it instead.
  bool AdvanceOne(AdvanceState* state, char c) const;

  const std::string input_;
  size_t start_pos_ = 0;
  size_t token_begin_ = 0;
  size_t token_end_ = 0;  // Also the current position.
  size_t end_;
  std::string delims_;
  std::string quotes_;
  int options_ = 0;
  bool token_is_delim_ = false;
};

}  // namespace base

#endif  // BASE_STRINGS_STRING_TOKENIZER_H_
