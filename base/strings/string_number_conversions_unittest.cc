#include "base/strings/string_number_conversions.h"

#include <errno.h>
#include <stdint.h>

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(StringNumberConversionsTest, IntegersToText) {
  EXPECT_EQ("0", IntToString(0));
  EXPECT_EQ("-2147483648", IntToString(std::numeric_limits<int>::min()));
  EXPECT_EQ(L"-7", IntToWideString(-7));
  EXPECT_EQ(L"4294967295", UintToWideString(4294967295u));
  EXPECT_EQ("-9223372036854775808",
            Int64ToString(std::numeric_limits<int64_t>::min()));
  EXPECT_EQ(L"-9223372036854775808",
            Int64ToWideString(std::numeric_limits<int64_t>::min()));
  EXPECT_EQ("18446744073709551615",
            Uint64ToString(std::numeric_limits<uint64_t>::max()));
  EXPECT_EQ(L"100", Uint64ToWideString(100));
}

TEST(StringNumberConversionsTest, StringToIntRules) {
  const struct {
    StringPiece text;
    int value;
    bool valid;
  } kCases[] = {
      {"42", 42, true},
      {"+7", 7, true},
      {" 42", 42, false},
      {"42 ", 42, false},
      {"12a3", 12, false},
      {"-12a3", -12, false},
      {"-", 0, false},
      {"", 0, false},
      {"+-1", 0, false},
      {"2147483647", 2147483647, true},
      {"2147483648", 2147483647, false},
      {"99999999999", 2147483647, false},
      {"-2147483648", std::numeric_limits<int>::min(), true},
      {"-2147483649", std::numeric_limits<int>::min(), false},
      {"0002147483647", 2147483647, true},
      {StringPiece("4\0002", 3), 4, false},
      {StringPiece("12345", 2), 12, true},  // the view, not the buffer
      // A byte above 0x7F is junk, not whitespace (and not undefined).
      {"\2405", 0, false},
  };
  for (const auto& c : kCases) {
    int value = -1;
    EXPECT_EQ(c.valid, StringToInt(c.text, &value)) << c.text;
    EXPECT_EQ(c.value, value) << c.text;
  }
}

TEST(StringNumberConversionsTest,
     WiderAndUnsignedParsersSaturateAtTheirLimits) {
  int64_t i64 = 0;
  EXPECT_TRUE(StringToInt64("-9223372036854775808", &i64));
  EXPECT_EQ(std::numeric_limits<int64_t>::min(), i64);
  EXPECT_FALSE(StringToInt64("9223372036854775808", &i64));
  EXPECT_EQ(std::numeric_limits<int64_t>::max(), i64);

  // The 32-bit unsigned limits follow from int's and uint64's.
  unsigned int u32 = 1;
  EXPECT_FALSE(StringToUint("-1", &u32));
  EXPECT_EQ(0u, u32);

  uint64_t u64 = 1;
  EXPECT_TRUE(StringToUint64("18446744073709551615", &u64));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), u64);
  EXPECT_FALSE(StringToUint64("18446744073709551616", &u64));
  EXPECT_EQ(std::numeric_limits<uint64_t>::max(), u64);

  EXPECT_FALSE(WideStringToUint(L"\u3000"
                                L"5",
                                &u32));
  EXPECT_EQ(5u, u32);
  EXPECT_FALSE(WideStringToInt64(L"12a3", &i64));
  EXPECT_EQ(12, i64);
}

TEST(StringNumberConversionsTest, HexStringToUInt64Rules) {
  const struct {
    const char* text;
    uint64_t value;
    bool valid;
  } kCases[] = {
      {"0x1F", 31, true},
      {"0X1f", 31, true},
      {"1f", 31, true},
      {"+ff", 255, true},
      {"0x", 0, false},
      {"", 0, false},
      {"-1", 0, false},
      {" 10", 16, false},
      {"1G", 1, false},
      {"ffffffffffffffff", 0xFFFFFFFFFFFFFFFFull, true},
      {"0x0000000000000000001", 1, true},
      {"10000000000000000", 0xFFFFFFFFFFFFFFFFull, false},
  };
  for (const auto& c : kCases) {
    uint64_t value = 7;
    EXPECT_EQ(c.valid, HexStringToUInt64(c.text, &value)) << c.text;
    EXPECT_EQ(c.value, value) << c.text;
  }
}

TEST(StringNumberConversionsTest, HexStringToBytesAppendsAndHexEncodes) {
  std::vector<uint8_t> bytes = {1};
  EXPECT_TRUE(HexStringToBytes("0Aab7F", &bytes));
  EXPECT_EQ((std::vector<uint8_t>{1, 0x0A, 0xAB, 0x7F}), bytes);
  EXPECT_EQ("010AAB7F", HexEncode(bytes.data(), bytes.size()));
  EXPECT_EQ("", HexEncode(bytes.data(), 0));

  bytes.clear();
  EXPECT_FALSE(HexStringToBytes("0A0", &bytes));
  EXPECT_FALSE(HexStringToBytes("", &bytes));
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(HexStringToBytes("0AZZ", &bytes));
  EXPECT_EQ((std::vector<uint8_t>{10}), bytes);
  bytes.clear();
  EXPECT_FALSE(HexStringToBytes("0A0Z", &bytes));
  EXPECT_EQ((std::vector<uint8_t>{10}), bytes);
}

// errno changes only when the value is out of range; which values are, and
// how long texts convert, is the number text's to check.
TEST(StringNumberConversionsTest, StringToDoubleAcceptsOnlyWholeCleanNumbers) {
  const double kInf = std::numeric_limits<double>::infinity();
  const struct {
    std::string text;
    double value;
    bool valid;
    int error;  // errno afterwards; it starts as EINVAL
  } kCases[] = {
      {"1.5", 1.5, true, EINVAL},
      {" 1.5", 1.5, false, EINVAL},
      {"\t1.5", 1.5, false, EINVAL},
      {"\r1.5", 1.5, false, EINVAL},
      {"1.5x", 1.5, false, EINVAL},
      {"", 0.0, false, EINVAL},
      {std::string("1\0002", 3), 1.0, false, EINVAL},
      {"1e400", kInf, false, ERANGE},
      {"inf", kInf, true, EINVAL},
  };
  for (const auto& c : kCases) {
    double value = -1;
    errno = EINVAL;
    EXPECT_EQ(c.valid, StringToDouble(c.text, &value)) << c.text.substr(0, 9);
    EXPECT_EQ(c.value, value) << c.text.substr(0, 9);
    EXPECT_EQ(c.error, errno) << c.text.substr(0, 9);
  }
}

}  // namespace
}  // namespace base
