#include "base/strings/string_tokenizer.h"

namespace base {

StringTokenizer::StringTokenizer(StringPiece input, StringPiece delimiters)
    : input_(input.data(), input.size()),
      end_(input.size()),
      delims_(delimiters.data(), delimiters.size()) {}

bool StringTokenizer::GetNext() {
  if (quotes_.empty() && options_ == 0) return QuickGetNext();
  return FullGetNext();
}

void StringTokenizer::Reset() {
  token_begin_ = start_pos_;
  token_end_ = start_pos_;
  token_is_delim_ = false;
}

bool StringTokenizer::QuickGetNext() {
  token_is_delim_ = false;
  for (;;) {
    token_begin_ = token_end_;
    if (token_end_ == end_) return false;
    ++token_end_;
    if (!IsDelim(input_[token_begin_])) break;
  }
  while (token_end_ != end_ && !IsDelim(input_[token_end_])) ++token_end_;
  return true;
}

bool StringTokenizer::FullGetNext() {
  AdvanceState state;
  token_is_delim_ = false;
  for (;;) {
    token_begin_ = token_end_;
    if (token_end_ == end_) return false;
    ++token_end_;
    const char c = input_[token_begin_];
    if (!IsDelim(c)) {
      AdvanceOne(&state, c);  // May open a quote.
      break;
    }
    if (options_ & RETURN_DELIMS) {
      token_is_delim_ = true;
      return true;
    }
  }
  while (token_end_ != end_ && AdvanceOne(&state, input_[token_end_]))
    ++token_end_;
  return true;
}

bool StringTokenizer::IsDelim(char c) const {
  return delims_.find(c) != std::string::npos;
}

bool StringTokenizer::IsQuote(char c) const {
  return quotes_.find(c) != std::string::npos;
}

bool StringTokenizer::AdvanceOne(AdvanceState* state, char c) const {
  if (state->in_quote) {
    if (state->in_escape) {
      state->in_escape = false;
    } else if (c == '\\') {
      state->in_escape = true;
    } else if (c == state->quote_char) {
      state->in_quote = false;
    }
    return true;
  }
  if (IsDelim(c)) return false;
  state->quote_char = c;
  state->in_quote = IsQuote(c);
  return true;
}

}  // namespace base
