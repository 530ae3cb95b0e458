#include "base/strings/string_number_conversions.h"

#include <ctype.h>
#include <wctype.h>

#include <limits>
#include <type_traits>


namespace base {
namespace {

// Digits are produced least significant first into a local buffer; the
// magnitude of a negative value is taken as unsigned, so the smallest value
// of each type converts too.
template <typename StringType, typename Integer>
StringType IntegerToText(Integer value) {
  typedef typename std::make_unsigned<Integer>::type Unsigned;
  typedef typename StringType::value_type Char;
  const bool negative = value < 0;
  Unsigned magnitude = static_cast<Unsigned>(value);
  if (negative) magnitude = static_cast<Unsigned>(0u - magnitude);
  Char buffer[3 * sizeof(Integer) + 1];
  Char* const end = buffer + sizeof(buffer) / sizeof(buffer[0]);
  Char* p = end;
  do {
    *--p = static_cast<Char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) *--p = static_cast<Char>('-');
  return StringType(p, end);
}

// isspace takes an unsigned char value; a negative char would be undefined.
bool IsSpace(char c) { return isspace(static_cast<unsigned char>(c)) != 0; }
bool IsSpace(char16 c) { return iswspace(c) != 0; }

// Skips leading whitespace; returns false when there was any.
template <typename Char>
bool SkipWhitespace(const Char** begin, const Char* end) {
  const Char* p = *begin;
  while (p != end && IsSpace(*p)) ++p;
  const bool had_whitespace = p != *begin;
  *begin = p;
  return !had_whitespace;
}

template <typename Integer, typename Char>
bool TextToInteger(BasicStringPiece<Char> input, Integer* output) {
  typedef std::numeric_limits<Integer> Limits;
  const Char* p = input.data();
  const Char* const end = p + input.size();
  *output = 0;
  bool valid = SkipWhitespace(&p, end);
  if (p == end) return false;

  bool negative = false;
  if (*p == '-') {
    if (!Limits::is_signed) return false;
    negative = true;
    ++p;
  } else if (*p == '+') {
    ++p;
  }
  if (p == end) return false;

  // A negative value is built downwards so the most negative one fits.
  const Integer limit = negative ? Limits::min() : Limits::max();
  const Integer limit_div_10 = limit / 10;
  const int limit_last_digit =
      static_cast<int>(negative ? -(limit % 10) : limit % 10);
  Integer value = 0;
  for (bool first = true; p != end; ++p, first = false) {
    if (*p < '0' || *p > '9') {
      *output = value;
      return false;
    }
    const int digit = static_cast<int>(*p - '0');
    if (!first) {
      const bool overflows =
          negative ? (value < limit_div_10 ||
                      (value == limit_div_10 && digit > limit_last_digit))
                   : (value > limit_div_10 ||
                      (value == limit_div_10 && digit > limit_last_digit));
      if (overflows) {
        *output = limit;
        return false;
      }
      value *= 10;
    }
    value = negative ? value - static_cast<Integer>(digit)
                     : value + static_cast<Integer>(digit);
  }
  *output = value;
  return valid;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string IntToString(int value) { return IntegerToText<std::string>(value); }

std::wstring IntToWideString(int value) {
  return IntegerToText<std::wstring>(value);
}

std::wstring UintToWideString(unsigned int value) {
  return IntegerToText<std::wstring>(value);
}

std::string Int64ToString(int64_t value) {
  return IntegerToText<std::string>(value);
}

std::wstring Int64ToWideString(int64_t value) {
  return IntegerToText<std::wstring>(value);
}

std::string Uint64ToString(uint64_t value) {
  return IntegerToText<std::string>(value);
}

std::wstring Uint64ToWideString(uint64_t value) {
  return IntegerToText<std::wstring>(value);
}

bool StringToInt(StringPiece input, int* output) {
  return TextToInteger(input, output);
}

bool StringToInt64(StringPiece input, int64_t* output) {
  return TextToInteger(input, output);
}

bool StringToUint(StringPiece input, unsigned int* output) {
  return TextToInteger(input, output);
}

bool StringToUint64(StringPiece input, uint64_t* output) {
  return TextToInteger(input, output);
}

bool WideStringToUint(StringPiece16 input, unsigned int* output) {
  return TextToInteger(input, output);
}

bool WideStringToInt64(StringPiece16 input, int64_t* output) {
  return TextToInteger(input, output);
}

bool HexStringToUInt64(StringPiece input, uint64_t* output) {
  const char* p = input.data();
  const char* const end = p + input.size();
  *output = 0;
  bool valid = SkipWhitespace(&p, end);
  if (p != end && *p == '-') return false;
  if (p != end && *p == '+') ++p;
  if (p == end) return false;
  if (end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;

  uint64_t value = 0;
  for (; p != end; ++p) {
    const int digit = HexDigitValue(*p);
    if (digit < 0) {
      *output = value;
      return false;
    }
    if (value > (std::numeric_limits<uint64_t>::max() >> 4)) {
      *output = std::numeric_limits<uint64_t>::max();
      return false;
    }
    value = (value << 4) | static_cast<uint64_t>(digit);
  }
  *output = value;
  return valid;
}

bool HexStringToBytes(const std::string& input, std::vector<uint8_t>* output) {
  if (input.empty() || input.size() % 2 != 0) return false;
  for (size_t i = 0; i < input.size(); i += 2) {
    const int high = HexDigitValue(input[i]);
    const int low = HexDigitValue(input[i + 1]);
    if (high < 0 || low < 0) return false;
    output->push_back(static_cast<uint8_t>((high << 4) | low));
  }
  return true;
}

std::string HexEncode(const void* bytes, size_t size) {
  static const char kHexChars[] = "0123456789ABCDEF";
  const uint8_t* data = static_cast<const uint8_t*>(bytes);
  std::string result(size * 2, '\0');
  for (size_t i = 0; i < size; ++i) {
    result[2 * i] = kHexChars[data[i] >> 4];
    result[2 * i + 1] = kHexChars[data[i] & 0xF];
  }
  return result;
}

}  // namespace base
