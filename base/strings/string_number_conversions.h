// Integers, hexadecimal and doubles to and from text.
//
// Integer output is plain decimal: a "-" for negative values, no "+", no
// leading zeros, no grouping.
//
// The String*To* parsers read the whole view (no NUL needed) and return true
// only for a clean number: optional "+" (or "-" for signed types) and decimal
// digits, nothing else. They always store their best answer in |*output|, so
// callers that tolerate junk can still use it:
//   - leading whitespace is skipped, but the result is false;
//   - parsing stops at the first other non-digit, with false and the value
//     of the digits before it ("42 " gives 42 and false);
//   - on overflow the output saturates at the type's limit, with false;
//   - empty text, a lone sign, or "-" for an unsigned type give 0 and false.
//
//   int port;
//   if (!StringToInt(text, &port)) return false;
#ifndef BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
#define BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_

#include <errno.h>
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "base/strings/number_text.h"
#include "base/strings/string16.h"
#include "base/strings/string_piece.h"

namespace base {

std::string IntToString(int value);
std::wstring IntToWideString(int value);
std::wstring UintToWideString(unsigned int value);
std::string Int64ToString(int64_t value);
std::wstring Int64ToWideString(int64_t value);
std::string Uint64ToString(uint64_t value);
std::wstring Uint64ToWideString(uint64_t value);

bool StringToInt(StringPiece input, int* output);
bool StringToInt64(StringPiece input, int64_t* output);
bool StringToUint(StringPiece input, unsigned int* output);
bool StringToUint64(StringPiece input, uint64_t* output);
bool WideStringToUint(StringPiece16 input, unsigned int* output);
bool WideStringToInt64(StringPiece16 input, int64_t* output);

// Hexadecimal digits of either case, optionally after "0x" or "0X", with the
// same whitespace, sign and saturation rules as the decimal parsers ("0x"
// alone is the digit 0 followed by junk).
bool HexStringToUInt64(StringPiece input, uint64_t* output);

// Appends one byte per pair of hexadecimal digits (high digit first) to
// |output|, which is not cleared. Odd or empty input appends nothing and
// fails; a bad digit fails after the bytes before it were appended.
bool HexStringToBytes(const std::string& input, std::vector<uint8_t>* output);

// Two upper-case hexadecimal digits per byte, high nibble first.
std::string HexEncode(const void* bytes, size_t size);

// True only when all of |input| is one number (see StringToDoubleCore in
// number_text.h), it does not start with whitespace, and the value is in the
// normal range. |*output| gets the converted value in every case. errno is
// left as it was unless the value was out of range (ERANGE). Inline, as the
// conversion it wraps: a call costs a tenth of converting a number.
inline bool StringToDouble(const std::string& input, double* output) {
  // The text's own length bounds the conversion: no strlen, and errno is
  // touched only to report a range error.
  const char* begin = input.data();
  const char* end = begin + input.size();
  const char* stop = nullptr;
  bool range_error = false;
  *output = StringToDoubleInRange(begin, end, &stop, &range_error);
  if (range_error) {
    errno = ERANGE;
    return false;
  }
  // Only the whitespace the conversion skips can start a text it read to
  // the end: a test of the first byte, not a call of isspace.
  return !input.empty() && stop == end &&
         !(input[0] == ' ' || (input[0] >= '\t' && input[0] <= '\r'));
}

}  // namespace base

#endif  // BASE_STRINGS_STRING_NUMBER_CONVERSIONS_H_
