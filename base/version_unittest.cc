#include "base/version.h"

#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

// Valid texts are in the comparisons below.
TEST(VersionTest, RefusesAllButPlainDottedNumbers) {
  const char* const invalid[] = {
      "",     "1..2", "1.2.", ".1",         "+1.2",
      "1.+2", "1.-2", " 1.2", "1.2 ",       "1. 2",
      "1.2a", "01.2", "00",   "4294967296", "1.4294967296",
  };
  for (const char* text : invalid) {
    std::vector<uint32_t> parsed;
    EXPECT_FALSE(ParseVersionNumbers(text, &parsed)) << text;
    EXPECT_FALSE(Version(text).IsValid()) << text;
  }
}

// Versions order by their numbers, missing ones counting as zero, each pair
// both ways round; components after the first may have leading zeros.
TEST(VersionTest, ComparesNumbersPaddedWithZeros) {
  const struct {
    const char* first;
    const char* second;
    int result;
  } kCases[] = {
      {"1.2", "1.2.0.0", 0},
      {"1.002", "1.2", 0},
      {"1.10", "1.9", 1},
      {"2.1", "2", 1},
      {"1.0.0.1", "1", 1},
      {"1.99", "2", -1},
      {"4294967295", "4294967294", 1},
      {"0.4294967295", "1", -1},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.result, Version(c.first).CompareTo(Version(c.second)))
        << c.first << " vs " << c.second;
    EXPECT_EQ(-c.result, Version(c.second).CompareTo(Version(c.first)))
        << c.second << " vs " << c.first;
  }
  std::vector<uint32_t> parsed;
  ASSERT_TRUE(ParseVersionNumbers("0.007.4294967295", &parsed));
  EXPECT_EQ((std::vector<uint32_t>{0, 7, 4294967295u}), parsed);
}

}  // namespace
}  // namespace base
