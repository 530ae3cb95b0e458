// Splitting text at separator characters, and reading "key=value" lists.
//
//   // "a, b,,c" -> {"a", "b", "c"}
//   std::vector<std::string> parts = SplitString(
//       "a, b,,c", ",", TRIM_WHITESPACE, SPLIT_WANT_NONEMPTY);
//
// Every split shares one rule: an empty input gives no pieces at all; text
// after the last separator is the last piece, so "a," gives "a" and "".
// Trimming cuts each piece to the span between its first and last
// non-whitespace character (ASCII whitespace for narrow text, the Unicode
// whitespace set for wide text) before empty pieces are dropped.
#ifndef BASE_STRINGS_STRING_SPLIT_H_
#define BASE_STRINGS_STRING_SPLIT_H_

#include <string>
#include <utility>
#include <vector>

#include "base/strings/string_piece.h"

namespace base {

enum WhitespaceHandling {
  KEEP_WHITESPACE = 0,
  TRIM_WHITESPACE = 1,
};

enum SplitResult {
  // Every piece, empty ones included.
  SPLIT_WANT_ALL = 0,
  // Only pieces that are not empty (after trimming).
  SPLIT_WANT_NONEMPTY = 1,
};

// Splits at every character that is in |separators|.
std::vector<std::string> SplitString(StringPiece input, StringPiece separators,
                                     WhitespaceHandling whitespace,
                                     SplitResult result_type);
std::vector<std::wstring> SplitWideString(StringPiece16 input,
                                          StringPiece16 separators,
                                          WhitespaceHandling whitespace,
                                          SplitResult result_type);

// Splits at |separator| without copying: the pieces view |input|, which must
// outlive them.
std::vector<StringPiece> SplitStringPiece(StringPiece input, char separator,
                                          WhitespaceHandling whitespace,
                                          SplitResult result_type);

using StringPairs = std::vector<std::pair<std::string, std::string>>;

// Reads "key=value,key=value" into |key_value_pairs| (cleared first). Pairs
// are split at |pair_delimiter| with whitespace trimmed and empty entries
// skipped; the key is the text before the first |key_value_delimiter| and
// the value follows the run of delimiters after it ("b==2" gives b and 2).
// An entry without a delimiter, or with nothing after it, makes the result
// false but still leaves a pair (empty, or with the key alone) and the other
// entries are read.
bool SplitStringIntoKeyValuePairs(StringPiece input, char key_value_delimiter,
                                  char pair_delimiter,
                                  StringPairs* key_value_pairs);

}  // namespace base

#endif  // BASE_STRINGS_STRING_SPLIT_H_
