// Exact conversions between doubles and decimal text.
//
// Formatting writes the shortest digit string that reads back to the same
// double (the nearest such string when several are equally short). Parsing
// gives the double nearest to the decimal value, ties to even. Any thread may
// convert at any time: nothing is shared and nothing is allocated.
//
//   char text[kShortestDoubleBufferSize];
//   FormatShortestDouble(text, 0.1);          // ".1"
//   char* end;
//   double value = StringToDoubleCore("1.5e3 m", &end);  // 1500, end at " m"
#ifndef BASE_STRINGS_NUMBER_TEXT_H_
#define BASE_STRINGS_NUMBER_TEXT_H_

#include <float.h>

#include <charconv>
#include <system_error>

namespace base {

// Room for the longest text FormatShortestDouble writes
// ("-1.2345678901234567e-308" is 24 characters) and its NUL.
constexpr int kShortestDoubleBufferSize = 25;

// The decimal-point position reported for infinity and NaN.
constexpr int kNonFiniteDecimalPoint = 9999;

// Writes |value| as the shortest text that reads back to it, NUL-terminated,
// into |buffer| (at least kShortestDoubleBufferSize chars) and returns
// |buffer|. The form: an optional "-" (also for -0 and a NaN with the sign
// bit); "Infinity" or "NaN"; for decimal exponents from -4 up to 5 places past
// the digits a plain number without a zero before a leading point (".001",
// "1500000"); otherwise one digit, the rest after a point, and an exponent of
// at least two digits ("1e-05", "1.5e+07", "5e-324").
char* FormatShortestDouble(char* buffer, double value);

// The shortest digits of a double: value = 0.d1d2...dn x 10^decimal_point.
struct DigitString {
  // 1 to 17 digits without leading or trailing zeros ("0" for zero), or
  // "Infinity" / "NaN"; NUL-terminated.
  char digits[18];
  int length;
  // kNonFiniteDecimalPoint for infinity and NaN.
  int decimal_point;
  // The sign bit of the value: 1 for negative numbers, -0 and a negative NaN.
  int sign;

  const char* end() const { return digits + length; }
};

DigitString DoubleToShortestDigits(double value);

// Ends the use of |digits|: it becomes empty, so a stale use reads no digits.
// The digits live in the caller's storage, so there is nothing to return.
void FreeDigitString(DigitString* digits);

// Reads a double from the start of NUL-terminated |text|, like strtod:
// leading tab, LF, VT, FF, CR and spaces are skipped, then an optional sign,
// digits with an optional point and an optional exponent ("e" or "E", an
// optional sign, digits); an "e" without digits is not consumed. Every digit
// counts, however long the text: "1" and 20000 zeros then "e-19995" is 1e5.
// Without digits, "inf", "infinity" and "nan" (any case; "nan(hex digits)" puts
// the payload into the fraction bits of a quiet NaN) are read; anything else
// gives 0 and sets |*end| to |text|. No hexadecimal floating-point syntax:
// "0x10" reads as 0. Sets errno to ERANGE when the result overflows to
// infinity, underflows to zero or is subnormal; otherwise leaves errno alone.
// |end| may be null.
double StringToDoubleCore(const char* text, char** end);

// StringToDoubleCore on the text [begin, end), which needs no NUL and is
// never read past |end|, and without errno: |*range_error| becomes true
// where StringToDoubleCore would set ERANGE, false otherwise. |*stop| gets
// the end of the number read (|begin| when there is none); it may be null.
// The form for callers that hold a length, such as a parser in the middle
// of its input.
inline double StringToDoubleInRange(const char* begin,
                                    const char* end,
                                    const char** stop,
                                    bool* range_error);

namespace internal {
// StringToDoubleInRange for every text (whitespace, "+", ".5", "inf",
// "nan(...)" and results out of range).
double StringToDoubleInRangeSlow(const char* begin,
                                 const char* end,
                                 const char** stop,
                                 bool* range_error);
}  // namespace internal

// Inline, for it runs once per number of a document: a text that starts
// with a digit, or "-" and a digit, has the same syntax for the standard
// conversion as for strtod and goes straight to it.
inline double StringToDoubleInRange(const char* begin,
                                    const char* end,
                                    const char** stop,
                                    bool* range_error) {
  // Without branches on the sign or the magnitude: the signs of a
  // document's numbers follow no pattern a predictor could learn.
  const char* digits = begin + (begin != end && *begin == '-');
  if (digits != end && static_cast<unsigned char>(*digits - '0') <= 9) {
    double value = 0.0;
    std::from_chars_result result = std::from_chars(begin, end, value);
    if (result.ec == std::errc()) {
      if (stop)
        *stop = result.ptr;
      // Subnormal results are flagged, as strtod does.
      double magnitude = __builtin_fabs(value);
      *range_error = (magnitude < DBL_MIN) & (magnitude != 0.0);
      return value;
    }
  }
  return internal::StringToDoubleInRangeSlow(begin, end, stop, range_error);
}

}  // namespace base

#endif  // BASE_STRINGS_NUMBER_TEXT_H_
