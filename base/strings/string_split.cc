#include "base/strings/string_split.h"

#include "base/strings/string_util.h"

namespace base {

namespace {

template <typename CharT>
bool IsMember(BasicStringPiece<CharT> set, CharT c) {
  for (size_t i = 0; i < set.size(); ++i) {
    if (set[i] == c) return true;
  }
  return false;
}

// |piece| cut to the span from its first to its last character outside
// |whitespace|; empty when every character is whitespace.
template <typename CharT>
BasicStringPiece<CharT> TrimPiece(BasicStringPiece<CharT> piece,
                                  BasicStringPiece<CharT> whitespace) {
  size_t begin = 0;
  while (begin < piece.size() && IsMember(whitespace, piece[begin])) ++begin;
  size_t end = piece.size();
  while (end > begin && IsMember(whitespace, piece[end - 1])) --end;
  return piece.Substr(begin, end - begin);
}

// The loop every split shares. |is_separator| decides which characters end
// a piece; |Output| is built from a pointer and a length.
template <typename CharT, typename Output, typename IsSeparator>
std::vector<Output> SplitLoop(BasicStringPiece<CharT> input,
                              IsSeparator is_separator,
                              BasicStringPiece<CharT> whitespace,
                              WhitespaceHandling whitespace_handling,
                              SplitResult result_type) {
  std::vector<Output> result;
  if (input.empty()) return result;
  size_t start = 0;
  for (size_t i = 0; i <= input.size(); ++i) {
    if (i != input.size() && !is_separator(input[i])) continue;
    BasicStringPiece<CharT> piece = input.Substr(start, i - start);
    if (whitespace_handling == TRIM_WHITESPACE)
      piece = TrimPiece(piece, whitespace);
    if (result_type == SPLIT_WANT_ALL || !piece.empty())
      result.emplace_back(piece.data(), piece.size());
    start = i + 1;
  }
  return result;
}

template <typename CharT, typename Output>
std::vector<Output> SplitStringByChar(BasicStringPiece<CharT> input,
                                      CharT separator,
                                      BasicStringPiece<CharT> whitespace,
                                      WhitespaceHandling whitespace_handling,
                                      SplitResult result_type) {
  return SplitLoop<CharT, Output>(
      input, [separator](CharT c) { return c == separator; }, whitespace,
      whitespace_handling, result_type);
}

template <typename CharT, typename Output>
std::vector<Output> SplitStringBySet(BasicStringPiece<CharT> input,
                                     BasicStringPiece<CharT> separators,
                                     BasicStringPiece<CharT> whitespace,
                                     WhitespaceHandling whitespace_handling,
                                     SplitResult result_type) {
  if (separators.size() == 1) {
    return SplitStringByChar<CharT, Output>(input, separators[0], whitespace,
                                            whitespace_handling, result_type);
  }
  return SplitLoop<CharT, Output>(
      input, [separators](CharT c) { return IsMember(separators, c); },
      whitespace, whitespace_handling, result_type);
}

}  // namespace

std::vector<std::string> SplitString(StringPiece input, StringPiece separators,
                                     WhitespaceHandling whitespace,
                                     SplitResult result_type) {
  return SplitStringBySet<char, std::string>(
      input, separators, kWhitespaceASCII, whitespace, result_type);
}

std::vector<std::wstring> SplitWideString(StringPiece16 input,
                                          StringPiece16 separators,
                                          WhitespaceHandling whitespace,
                                          SplitResult result_type) {
  return SplitStringBySet<wchar_t, std::wstring>(
      input, separators, kWhitespaceWide, whitespace, result_type);
}

std::vector<StringPiece> SplitStringPiece(StringPiece input, char separator,
                                          WhitespaceHandling whitespace,
                                          SplitResult result_type) {
  return SplitStringByChar<char, StringPiece>(
      input, separator, kWhitespaceASCII, whitespace, result_type);
}

bool SplitStringIntoKeyValuePairs(StringPiece input, char key_value_delimiter,
                                  char pair_delimiter,
                                  StringPairs* key_value_pairs) {
  key_value_pairs->clear();
  std::vector<StringPiece> entries = SplitStringPiece(
      input, pair_delimiter, TRIM_WHITESPACE, SPLIT_WANT_NONEMPTY);
  key_value_pairs->reserve(entries.size());

  bool success = true;
  for (StringPiece entry : entries) {
    key_value_pairs->emplace_back();
    std::pair<std::string, std::string>& pair = key_value_pairs->back();

    size_t end_of_key = entry.find(key_value_delimiter);
    if (end_of_key == StringPiece::npos) {
      success = false;  // No key: the pair stays empty.
      continue;
    }
    pair.first.assign(entry.data(), end_of_key);

    size_t begin_of_value = end_of_key;
    while (begin_of_value < entry.size() &&
           entry[begin_of_value] == key_value_delimiter) {
      ++begin_of_value;
    }
    if (begin_of_value == entry.size()) {
      success = false;  // No value: the pair holds the key alone.
      continue;
    }
    pair.second.assign(entry.data() + begin_of_value,
                       entry.size() - begin_of_value);
  }
  return success;
}

}  // namespace base
