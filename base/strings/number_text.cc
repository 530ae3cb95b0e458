#include "base/strings/number_text.h"

#include <errno.h>
#include <float.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include <emmintrin.h>

#include "base/logging.h"

namespace base {
namespace {

// The standard library's conversions are correctly rounded in both
// directions (shortest round-trip digits when formatting without a
// precision, nearest double when parsing), so this file only adds the
// system's text format, the strtod syntax and its errno reporting around
// them.

constexpr uint64_t kSignBit = 0x8000000000000000ull;
constexpr uint64_t kExponentMask = 0x7FF0000000000000ull;
constexpr uint64_t kFractionMask = 0x000FFFFFFFFFFFFFull;
constexpr uint64_t kQuietNaN = 0x7FF8000000000000ull;

uint64_t BitsOf(double value) {
  uint64_t bits;
  memcpy(&bits, &value, sizeof(bits));
  return bits;
}

double DoubleOf(uint64_t bits) {
  double value;
  memcpy(&value, &bits, sizeof(value));
  return value;
}

// Writes a finite non-zero |magnitude| at |out| in to_chars' shortest
// scientific form "d.ddde+XX" (no point for one digit; an exponent of two or
// three digits) and returns the end. |out| needs 24 chars.
char* WriteScientific(double magnitude, char* out) {
  std::to_chars_result result =
      std::to_chars(out, out + 24, magnitude, std::chars_format::scientific);
  DCHECK(result.ec == std::errc());
  return result.ptr;
}

// Splits the scientific text [text, end) into the digit count and the
// decimal-point position (value = 0.digits x 10^position).
void ReadScientific(const char* text, const char* end, int* digit_count,
                    int* decimal_point) {
  const char* e = (end[-4] == 'e') ? end - 4 : end - 5;
  int exponent = 0;
  for (const char* p = e + 2; p < end; ++p)
    exponent = exponent * 10 + (*p - '0');
  *decimal_point = (e[1] == '-' ? -exponent : exponent) + 1;
  *digit_count = (e == text + 1) ? 1 : static_cast<int>(e - text) - 1;
}

char* AppendChars(char* out, char c, int count) {
  memset(out, c, static_cast<size_t>(count));
  return out + count;
}

char* AppendText(char* out, const char* text, int count) {
  memcpy(out, text, static_cast<size_t>(count));
  return out + count;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsStrtodSpace(char c) {
  return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
         c == ' ';
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// Consumes |word| (lower case) at |*s|, before |end|, in any letter case.
bool MatchWord(const char** s, const char* end, const char* word) {
  const char* p = *s;
  for (; *word; ++word, ++p) {
    if (p == end || LowerAscii(*p) != *word) return false;
  }
  *s = p;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads "(hex digits)" after "nan", before |end|; returns the fraction bits
// of the NaN and moves |*s| past the ")", or leaves |*s| alone and returns
// the default quiet NaN when the payload is not well formed.
uint64_t ReadNaNPayload(const char** s, const char* end) {
  const char* p = *s + 1;
  if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  uint64_t payload = 0;
  bool have_digit = false;
  for (int digit; p != end && (digit = HexValue(*p)) >= 0; ++p) {
    payload = (payload << 4) | static_cast<uint64_t>(digit);
    have_digit = true;
  }
  if (!have_digit || p == end || *p != ')') return kQuietNaN;
  *s = p + 1;
  // The quiet bit stays set: a payload must not turn the NaN into a
  // signalling one, nor into infinity.
  return kQuietNaN | (payload & kFractionMask);
}

// Read exponents stop growing here. The bound is far above the digit count
// of any text in memory, so an exponent cut to it still leaves the value on
// the same side of the double range as the exponent written.
constexpr int64_t kExponentLimit = 100000000000000000;  // 10^17

// The decimal exponent E of the non-zero number at |s|, such that the value
// is 0.d... x 10^E with d its first non-zero digit: positive for values
// above 1, negative or zero below. Digits, an optional point and more
// digits, then an optional exponent; the text ends before |end|.
int64_t DecimalMagnitude(const char* s, const char* end) {
  int64_t position = 0;  // digits read before the point
  int64_t first_significant = -1;
  bool after_point = false;
  int64_t index = 0;
  for (; s != end; ++s) {
    if (*s == '.' && !after_point) {
      after_point = true;
      continue;
    }
    if (!IsDigit(*s)) break;
    if (first_significant < 0 && *s != '0') first_significant = index;
    ++index;
    if (!after_point) ++position;
  }
  int64_t exponent = 0;
  if (s != end && (*s == 'e' || *s == 'E')) {
    const char* p = s + 1;
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) ++p;
    for (; p != end && IsDigit(*p); ++p)
      exponent = std::min(exponent * 10 + (*p - '0'), kExponentLimit);
    if (negative) exponent = -exponent;
  }
  if (first_significant < 0) return 0;
  return position - first_significant + exponent;
}

// Reads the unsigned decimal at |s|, ending before |end|, into |*value|;
// returns the end of the number, or null when |s| holds no digit. From a
// digit or a point on, the standard parser's syntax is the strtod one, and
// it reads the whole text, however long, rounding correctly; only the
// direction of a range error is left to find here.
const char* ParseDecimal(const char* s, const char* end, double* value,
                         bool* range_error) {
  const std::from_chars_result result =
      std::from_chars(s, end, *value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return nullptr;
  if (result.ec == std::errc::result_out_of_range) {
    *range_error = true;
    *value = DecimalMagnitude(s, end) > 0 ? HUGE_VAL : 0.0;
  } else {
    DCHECK(result.ec == std::errc());
    *range_error = *value != 0.0 && *value < DBL_MIN;
  }
  return result.ptr;
}

// The position of the NUL that ends |text|, sixteen bytes per step. The
// loads are aligned, so none reaches into a page that holds no byte of the
// text: the runtime's strlen, a call into another module that steps byte by
// byte, costs as much as converting a short number.
const char* FindTextEnd(const char* text) {
  const uintptr_t misalignment = reinterpret_cast<uintptr_t>(text) & 15;
  const __m128i* block = reinterpret_cast<const __m128i*>(text - misalignment);
  const __m128i zeros = _mm_setzero_si128();
  unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                      _mm_cmpeq_epi8(_mm_load_si128(block), zeros))) >>
                  misalignment;
  if (mask) return text + __builtin_ctz(mask);
  while (true) {
    ++block;
    mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(block), zeros)));
    if (mask)
      return reinterpret_cast<const char*>(block) + __builtin_ctz(mask);
  }
}

}  // namespace

DigitString DoubleToShortestDigits(double value) {
  DigitString result;
  const uint64_t bits = BitsOf(value);
  result.sign = (bits & kSignBit) ? 1 : 0;
  if ((bits & kExponentMask) == kExponentMask) {
    const char* text = (bits & kFractionMask) ? "NaN" : "Infinity";
    result.length = static_cast<int>(strlen(text));
    memcpy(result.digits, text, static_cast<size_t>(result.length) + 1);
    result.decimal_point = kNonFiniteDecimalPoint;
    return result;
  }
  if ((bits & ~kSignBit) == 0) {
    result.digits[0] = '0';
    result.digits[1] = '\0';
    result.length = 1;
    result.decimal_point = 1;
    return result;
  }
  char text[24];
  const char* end = WriteScientific(std::fabs(value), text);
  ReadScientific(text, end, &result.length, &result.decimal_point);
  result.digits[0] = text[0];
  memcpy(result.digits + 1, text + 2, static_cast<size_t>(result.length - 1));
  result.digits[result.length] = '\0';
  return result;
}

void FreeDigitString(DigitString* digits) {
  digits->digits[0] = '\0';
  digits->length = 0;
}

char* FormatShortestDouble(char* buffer, double value) {
  char* out = buffer;
  const uint64_t bits = BitsOf(value);
  if (bits & kSignBit) *out++ = '-';
  if ((bits & kExponentMask) == kExponentMask) {
    strcpy(out, (bits & kFractionMask) ? "NaN" : "Infinity");
    return buffer;
  }
  if ((bits & ~kSignBit) == 0) {
    out[0] = '0';
    out[1] = '\0';
    return buffer;
  }

  // The scientific text is written in place and, for the plain form,
  // rearranged there: it already is the exponent form the system wants.
  char* end = WriteScientific(std::fabs(value), out);
  int n;
  int p;
  ReadScientific(out, end, &n, &p);
  if (p <= -4 || p > n + 5) {
    *end = '\0';
    return buffer;
  }
  // Digits: out[0], then out[2] .. out[n].
  if (p <= 0) {
    char digits[17];
    digits[0] = out[0];
    memcpy(digits + 1, out + 2, static_cast<size_t>(n - 1));
    *out++ = '.';
    out = AppendChars(out, '0', -p);
    out = AppendText(out, digits, n);
  } else if (p < n) {
    // Move the point from after the first digit to after the p-th.
    memmove(out + 1, out + 2, static_cast<size_t>(p - 1));
    out[p] = '.';
    out += n + 1;
  } else {
    memmove(out + 1, out + 2, static_cast<size_t>(n - 1));
    out = AppendChars(out + n, '0', p - n);
  }
  *out = '\0';
  return buffer;
}
namespace internal {

double StringToDoubleInRangeSlow(const char* begin,
                                 const char* end,
                                 const char** stop_out,
                                 bool* range_error) {
  *range_error = false;
  const char* s = begin;
  while (s != end && IsStrtodSpace(*s)) ++s;
  bool negative = false;
  if (s != end && (*s == '-' || *s == '+')) {
    negative = (*s == '-');
    ++s;
  }

  double value = 0.0;
  const char* stop = begin;
  if (s != end && (IsDigit(*s) || *s == '.')) {
    const char* number_end = ParseDecimal(s, end, &value, range_error);
    if (number_end) {
      stop = number_end;
    } else {
      negative = false;
    }
  } else if (MatchWord(&s, end, "inf")) {
    MatchWord(&s, end, "inity");
    value = HUGE_VAL;
    stop = s;
  } else if (MatchWord(&s, end, "nan")) {
    uint64_t nan_bits = kQuietNaN;
    if (s != end && *s == '(') nan_bits = ReadNaNPayload(&s, end);
    value = DoubleOf(nan_bits);
    stop = s;
  } else {
    negative = false;
  }

  if (stop_out) *stop_out = stop;
  return negative ? -value : value;
}

}  // namespace internal

double StringToDoubleCore(const char* text, char** end) {
  const char* stop = nullptr;
  bool range_error = false;
  double value =
      StringToDoubleInRange(text, FindTextEnd(text), &stop, &range_error);
  if (range_error) errno = ERANGE;
  if (end) *end = const_cast<char*>(stop);
  return value;
}

}  // namespace base
