#include "base/strings/number_text.h"

#include <errno.h>
#include <float.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

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

std::string Format(double value) {
  char buffer[kShortestDoubleBufferSize];
  return FormatShortestDouble(buffer, value);
}

struct ParseResult {
  double value;
  size_t consumed;
  bool range_error;
};

// Also checks that errno changes only to report a range error, and that
// the form for a bounded text agrees bit for bit.
ParseResult Parse(const std::string& text) {
  errno = EINVAL;
  char* end = nullptr;
  ParseResult result;
  result.value = StringToDoubleCore(text.c_str(), &end);
  result.consumed = static_cast<size_t>(end - text.c_str());
  result.range_error = errno == ERANGE;
  EXPECT_TRUE(result.range_error || errno == EINVAL) << text.substr(0, 9);

  errno = EINVAL;
  const char* stop = nullptr;
  bool range_error = !result.range_error;
  double value = StringToDoubleInRange(text.data(), text.data() + text.size(),
                                       &stop, &range_error);
  EXPECT_EQ(EINVAL, errno);
  EXPECT_EQ(BitsOf(result.value), BitsOf(value)) << text.substr(0, 9);
  EXPECT_EQ(result.consumed, static_cast<size_t>(stop - text.data()));
  EXPECT_EQ(result.range_error, range_error) << text.substr(0, 9);
  return result;
}

// The end of the range ends the text, as a NUL would, wherever it falls.
TEST(NumberTextTest, BoundedParseStopsAtTheEndOfItsRange) {
  const struct {
    const char* text;
    size_t length;
    double value;
    size_t consumed;
  } kCases[] = {
      {"1.5e3", 3, 1.5, 3},
      {"1.5e3", 4, 1.5, 3},
      {"-12", 1, 0.0, 0},
      {"infinity", 5, INFINITY, 3},
      {"123456789012345678901234", 17, 12345678901234567.0, 17},
      // "nan(" without its ")" inside the range keeps the default payload.
      {"nan(1f)", 6, std::numeric_limits<double>::quiet_NaN(), 3},
  };
  for (const auto& c : kCases) {
    const char* stop = nullptr;
    bool range_error = true;
    double value =
        StringToDoubleInRange(c.text, c.text + c.length, &stop, &range_error);
    EXPECT_EQ(BitsOf(c.value), BitsOf(value)) << c.text << " " << c.length;
    EXPECT_EQ(c.consumed, static_cast<size_t>(stop - c.text)) << c.text;
    EXPECT_FALSE(range_error);
  }
}

// The text and the digits under it; a "-" in the text is the sign bit.
TEST(NumberTextTest, FormatsShortestTextInTheSystemForm) {
  const double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    const char* text;
    const char* digits;
    int decimal_point;
  } kCases[] = {
      {0.0, "0", "0", 1},
      {-0.0, "-0", "0", 1},
      {0.5, ".5", "5", 0},
      {-0.0001, "-.0001", "1", -3},
      {0.00001, "1e-05", "1", -4},
      {100000.0, "100000", "1", 6},
      {1000000.0, "1e+06", "1", 7},
      {1.5e7, "1.5e+07", "15", 8},
      {5e-324, "5e-324", "5", -323},
      {1.7976931348623157e308, "1.7976931348623157e+308", "17976931348623157",
       309},
      {1234567890123456.0, "1234567890123456", "1234567890123456", 16},
      {12345678901234567e5, "1234567890123456800000", "12345678901234568", 22},
      {1.2345e9, "1234500000", "12345", 10},
      {kInf, "Infinity", "Infinity", 9999},
      {-kInf, "-Infinity", "Infinity", 9999},
      {std::numeric_limits<double>::quiet_NaN(), "NaN", "NaN", 9999},
      {DoubleOf(0xFFF8000000000000ull), "-NaN", "NaN", 9999},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, Format(c.value));
    DigitString digits = DoubleToShortestDigits(c.value);
    EXPECT_STREQ(c.digits, digits.digits);
    EXPECT_EQ(digits.digits + strlen(c.digits), digits.end());
    EXPECT_EQ(c.decimal_point, digits.decimal_point);
    EXPECT_EQ(c.text[0] == '-' ? 1 : 0, digits.sign);
    FreeDigitString(&digits);
    EXPECT_STREQ("", digits.digits);
  }
}

TEST(NumberTextTest, ParsesTheStrtodSyntax) {
  const double kInf = std::numeric_limits<double>::infinity();
  const std::string zeros(20010, '0');
  const std::string more_zeros(200000, '0');
  const struct {
    std::string text;
    double value;
    size_t consumed;
    bool range_error;
  } kCases[] = {
      {"1.5", 1.5, 3, false},
      {" \t\n\v\f\r-2", -2.0, 8, false},
      {"+.25x", 0.25, 4, false},
      {"-", 0.0, 0, false},
      {".", 0.0, 0, false},
      {"-.", 0.0, 0, false},  // no number read, so no sign either
      {"", 0.0, 0, false},
      {"\2401", 0.0, 0, false},  // 0xA0 is not strtod whitespace
      {"-INF", -kInf, 4, false},
      {"infinit", kInf, 3, false},
      {"inx", 0.0, 0, false},
      {"1e400", kInf, 5, true},
      {"4e-320", 4e-320, 6, true},
      {"+4e-320", 4e-320, 7, true},
      {"2.4703282292062327e-324", 0.0, 23, true},  // below half the least
      {"2.4703282292062328e-324", DoubleOf(1), 23, true},
      {"2.2250738585072011e-308", DoubleOf(0x000FFFFFFFFFFFFFull), 23, true},
      {"2.2250738585072012e-308", DBL_MIN, 23, false},
      {"+2.2250738585072012e-308", DBL_MIN, 24, false},
      {"1.7976931348623158e308", DBL_MAX, 22, false},
      {"1.7976931348623159e308", kInf, 22, true},
      {"0e99999999999", 0.0, 13, false},
      {"1e-99999999999", 0.0, 14, true},
      {"nan", DoubleOf(0x7FF8000000000000ull), 3, false},
      {"-nan", DoubleOf(0xFFF8000000000000ull), 4, false},
      {"NaN(1f)", DoubleOf(0x7FF800000000001Full), 7, false},
      {"nan(0x1F)", DoubleOf(0x7FF800000000001Full), 9, false},
      // The payload cannot clear the quiet bit or reach the exponent.
      {"nan(fffffffffffffffff)", DoubleOf(0x7FFFFFFFFFFFFFFFull), 22, false},
      {"nan()", DoubleOf(0x7FF8000000000000ull), 3, false},
      {"nan(xyz)", DoubleOf(0x7FF8000000000000ull), 3, false},
      // Long digit strings shift the exponent by their length; a value out of
      // range must fall on the side the whole text names, however far apart
      // the two are.
      {"1" + zeros + "e-99999999999", 0.0, zeros.size() + 14, true},
      {"1" + zeros + "e-19000", kInf, zeros.size() + 8, true},
      {"0." + zeros + "1e19000", 0.0, zeros.size() + 9, true},
      {"0." + zeros + "1e99999999999999999999999", kInf, zeros.size() + 27,
       true},
      {"0." + more_zeros + "1e99999999999999999999999", kInf,
       more_zeros.size() + 27, true},
  };
  for (const auto& c : kCases) {
    ParseResult result = Parse(c.text);
    SCOPED_TRACE(c.text.substr(0, 24));
    EXPECT_EQ(BitsOf(c.value), BitsOf(result.value));
    EXPECT_EQ(c.consumed, result.consumed);
    EXPECT_EQ(c.range_error, result.range_error);
  }
}

TEST(NumberTextTest, ParsesAMegabyteOfDigitsPromptly) {
  const auto start = std::chrono::steady_clock::now();
  const std::string thirds = "0." + std::string(1 << 20, '3');
  ParseResult third = Parse(thirds);
  EXPECT_EQ(1.0 / 3.0, third.value);
  EXPECT_EQ(thirds.size(), third.consumed);

  // Halfway between 2^53 + 4 and 2^53 + 6: the tie goes to the even one,
  // unless a digit a megabyte later decides it.
  const std::string halfway = "9007199254740997.";
  const std::string zeros(1 << 20, '0');
  EXPECT_EQ(9007199254740996.0, Parse(halfway + zeros).value);
  EXPECT_EQ(9007199254740998.0, Parse(halfway + zeros + "1").value);

  ParseResult huge = Parse("1" + zeros);
  EXPECT_EQ(std::numeric_limits<double>::infinity(), huge.value);
  EXPECT_TRUE(huge.range_error);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(2));
}

// Random doubles of every finite class.
std::vector<double> SampleDoubles(size_t count, uint64_t seed) {
  std::mt19937_64 random(seed);
  std::vector<double> values;
  values.reserve(count + 4000);
  for (int e = -1074; e <= 1023; ++e) values.push_back(std::ldexp(1.0, e));
  char text[32];
  for (int e = -323; e <= 308; ++e) {
    snprintf(text, sizeof(text), "1e%d", e);
    values.push_back(StringToDoubleCore(text, nullptr));
  }
  // Powers of two already hold DBL_MIN, the least subnormal and 2^53.
  for (double boundary :
       {DBL_MAX, DoubleOf(0x000FFFFFFFFFFFFFull), std::nextafter(DBL_MIN, 2.0),
        std::nextafter(DBL_MAX, 0.0)})
    values.push_back(boundary);
  while (values.size() < count) {
    const uint64_t bits = random();
    double value;
    switch (bits % 4) {
    case 0:  // subnormal
      value = DoubleOf(bits & 0x800FFFFFFFFFFFFFull);
      break;
    case 1:  // integer
      value =
          static_cast<double>(static_cast<int64_t>(random()) >> (bits >> 58));
      break;
    default:  // any bit pattern
      value = DoubleOf(bits);
      break;
    }
    if (std::isfinite(value)) values.push_back(value);
  }
  return values;
}

// Every sample reads back from its text. The digits are checked against the
// runtime's printf, which rounds correctly: no shorter digit string reads
// back, and when the correctly rounded string of the same length reads back,
// it is the one chosen (it is the nearest). Reading back uses the parser
// under test, proven by the halfway case above; the runtime's strtod
// misreads some values next to powers of two. Eight threads share the
// samples, for the conversions must share nothing between callers.
TEST(NumberTextTest, DigitsAreShortestNearestAndReadBackOnEightThreads) {
  const std::vector<double> values = SampleDoubles(1000000, 1);
  std::atomic<size_t> mismatches{0};
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (size_t i = t; i < values.size(); i += 8) {
        const double value = values[i];
        const std::string formatted = Format(value);
        ParseResult result = Parse(formatted);
        bool ok = BitsOf(result.value) == BitsOf(value) &&
                  result.consumed == formatted.size();
        DigitString digits = DoubleToShortestDigits(value);
        const int n = digits.length;
        char text[64];
        if (n > 1) {
          snprintf(text, sizeof(text), "%.*e", n - 2, value);
          ok = ok && StringToDoubleCore(text, nullptr) != value;
        }
        snprintf(text, sizeof(text), "%.*e", n - 1, std::fabs(value));
        if (value != 0.0 &&
            StringToDoubleCore(text, nullptr) == std::fabs(value)) {
          std::string printf_digits;
          for (const char* p = text; *p != 'e'; ++p) {
            if (*p != '.') printf_digits += *p;
          }
          ok = ok && printf_digits == digits.digits &&
               atoi(strchr(text, 'e') + 1) + 1 == digits.decimal_point;
        }
        if (!ok && ++mismatches < 10) ADD_FAILURE() << formatted;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(0u, mismatches.load());
}

}  // namespace
}  // namespace base
