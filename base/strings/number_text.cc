#include "base/strings/number_text.h"

#include <errno.h>
#include <float.h>
#include <stdint.h>
#include <string.h>

#include <charconv>
#include <cmath>

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

// Consumes |word| (lower case) at |*s| in any letter case.
bool MatchWord(const char** s, const char* word) {
  const char* p = *s;
  for (; *word; ++word, ++p) {
    if (LowerAscii(*p) != *word) return false;
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

// Reads "(hex digits)" after "nan"; returns the fraction bits of the NaN
// and moves |*s| past the ")", or leaves |*s| alone and returns the default
// quiet NaN when the payload is not well formed.
uint64_t ReadNaNPayload(const char** s) {
  const char* p = *s + 1;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  uint64_t payload = 0;
  bool have_digit = false;
  for (int digit; (digit = HexValue(*p)) >= 0; ++p) {
    payload = (payload << 4) | static_cast<uint64_t>(digit);
    have_digit = true;
  }
  if (!have_digit || *p != ')') return kQuietNaN;
  *s = p + 1;
  // The quiet bit stays set: a payload must not turn the NaN into a
  // signalling one, nor into infinity.
  return kQuietNaN | (payload & kFractionMask);
}

// A digit string longer than this is cut to its first kKeptDigits
// significant digits plus one sticky non-zero digit when anything non-zero
// was cut. A halfway point between two doubles has at most 767 significant
// digits, so the cut never changes which side of one the value lies on.
constexpr int kKeptDigits = 780;

// Below this many mantissa characters the exponent clamp cannot change the
// outcome (the value is out of range either way), so the text goes to the
// standard parser as it stands.
constexpr ptrdiff_t kDirectParseLimit = 700;

// Where the syntax scan found the parts of a decimal number.
struct DecimalSyntax {
  const char* mantissa_begin;
  const char* mantissa_end;   // before the exponent
  const char* end;            // after everything consumed
  int64_t integer_digits;     // before the point
  int64_t first_significant;  // index of the first non-zero digit, or -1
  int exponent;               // clamped to +-19999
};

// Scans digits [. digits] [e [sign] digits] at |s|. False when no digit.
bool ScanDecimal(const char* s, DecimalSyntax* syntax) {
  syntax->mantissa_begin = s;
  int64_t digit_count = 0;
  syntax->first_significant = -1;
  for (; IsDigit(*s); ++s, ++digit_count) {
    if (syntax->first_significant < 0 && *s != '0')
      syntax->first_significant = digit_count;
  }
  syntax->integer_digits = digit_count;
  if (*s == '.') {
    ++s;
    for (; IsDigit(*s); ++s, ++digit_count) {
      if (syntax->first_significant < 0 && *s != '0')
        syntax->first_significant = digit_count;
    }
  }
  if (digit_count == 0) return false;
  syntax->mantissa_end = s;
  syntax->exponent = 0;
  if (*s == 'e' || *s == 'E') {
    const char* p = s + 1;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = (*p++ == '-');
    if (IsDigit(*p)) {
      int exponent = 0;
      for (; IsDigit(*p); ++p) {
        exponent = exponent * 10 + (*p - '0');
        if (exponent > 19999) exponent = 19999;
      }
      syntax->exponent = negative ? -exponent : exponent;
      s = p;
    }
  }
  syntax->end = s;
  return true;
}

// The decimal exponent E of the value 0.d... x 10^E whose first digit is the
// first significant one.
int64_t DecimalMagnitude(const DecimalSyntax& syntax) {
  return syntax.integer_digits - syntax.first_significant + syntax.exponent;
}

// The nearest double to the scanned (non-negative) decimal; sets |*range|
// when it lies outside the normal range.
double ConvertDecimal(const DecimalSyntax& syntax, bool* range_error) {
  *range_error = false;
  if (syntax.first_significant < 0) return 0.0;
  const int64_t magnitude = DecimalMagnitude(syntax);
  // Far out of range: decide without the parser (also keeps its exponent
  // arithmetic small).
  if (magnitude > 400) {
    *range_error = true;
    return HUGE_VAL;
  }
  if (magnitude < -400) {
    *range_error = true;
    return 0.0;
  }

  double value = 0.0;
  std::from_chars_result result;
  if (syntax.mantissa_end - syntax.mantissa_begin <= kDirectParseLimit) {
    result = std::from_chars(syntax.mantissa_begin, syntax.end, value,
                             std::chars_format::general);
    DCHECK(result.ptr == syntax.end);
  } else {
    // Significant digits, the sticky digit and "e-NNNNN".
    char buffer[kKeptDigits + 1 + 16];
    int kept = 0;
    bool cut_non_zero = false;
    int64_t index = 0;
    for (const char* p = syntax.mantissa_begin; p < syntax.mantissa_end; ++p) {
      if (*p == '.') continue;
      if (index++ < syntax.first_significant) continue;
      if (kept < kKeptDigits) {
        buffer[kept++] = *p;
      } else if (*p != '0') {
        cut_non_zero = true;
        break;
      }
    }
    if (cut_non_zero) buffer[kept++] = '1';
    char* end = buffer + kept;
    *end++ = 'e';
    end = std::to_chars(end, buffer + sizeof(buffer),
                        static_cast<int>(magnitude) - kept)
              .ptr;
    result = std::from_chars(buffer, end, value, std::chars_format::general);
    DCHECK(result.ptr == end);
  }

  if (result.ec == std::errc::result_out_of_range) {
    *range_error = true;
    return magnitude > 0 ? HUGE_VAL : 0.0;
  }
  DCHECK(result.ec == std::errc());
  if (value < DBL_MIN || std::isinf(value)) *range_error = true;
  return value;
}

// Reads the unsigned decimal at |s| into |*value|; returns the end of the
// number, or null when |s| holds no digit. Ordinary numbers take one pass of
// the standard parser, whose syntax from a digit or point on is the strtod
// one; out-of-range values and very long digit strings take the full scan,
// which knows the exponent clamp and the direction of a range error.
const char* ParseDecimal(const char* s, double* value, bool* range_error) {
  const char* const text_end = s + strlen(s);
  std::from_chars_result result =
      std::from_chars(s, text_end, *value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return nullptr;
  if (result.ec == std::errc() && result.ptr - s <= kDirectParseLimit) {
    *range_error = *value != 0.0 && *value < DBL_MIN;
    return result.ptr;
  }
  DecimalSyntax syntax;
  if (!ScanDecimal(s, &syntax)) return nullptr;
  *value = ConvertDecimal(syntax, range_error);
  return syntax.end;
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
double StringToDoubleCore(const char* text, char** end) {
  const char* s = text;
  while (IsStrtodSpace(*s)) ++s;
  bool negative = false;
  if (*s == '-' || *s == '+') {
    negative = (*s == '-');
    ++s;
  }

  double value = 0.0;
  const char* stop = text;
  if (IsDigit(*s) || *s == '.') {
    bool range_error = false;
    const char* number_end = ParseDecimal(s, &value, &range_error);
    if (number_end) {
      stop = number_end;
      if (range_error) errno = ERANGE;
    } else {
      negative = false;
    }
  } else if (MatchWord(&s, "inf")) {
    MatchWord(&s, "inity");
    value = HUGE_VAL;
    stop = s;
  } else if (MatchWord(&s, "nan")) {
    uint64_t nan_bits = kQuietNaN;
    if (*s == '(') nan_bits = ReadNaNPayload(&s);
    value = DoubleOf(nan_bits);
    stop = s;
  } else {
    negative = false;
  }

  if (end) *end = const_cast<char*>(stop);
  return negative ? -value : value;
}

}  // namespace base
