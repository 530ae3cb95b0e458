#include "base/rand_util.h"

#include <limits>
#include <set>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(RandUtilTest, RandIntStaysInRange) {
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(5, RandInt(5, 5));

  std::set<int> seen;
  for (int i = 0; i < 1000; ++i) {
    const int value = RandInt(-3, 3);
    ASSERT_GE(value, -3);
    ASSERT_LE(value, 3);
    seen.insert(value);
  }
  EXPECT_EQ(7u, seen.size()) << "every value of a small range turns up";
}

// The span max - min + 1 overflows 32 bits; it must still cover both signs
// and reach far toward both ends.
TEST(RandUtilTest, RandIntFullRange) {
  const int kMin = std::numeric_limits<int>::min();
  const int kMax = std::numeric_limits<int>::max();
  int lowest = kMax;
  int highest = kMin;
  for (int i = 0; i < 1000; ++i) {
    const int value = RandInt(kMin, kMax);
    lowest = std::min(lowest, value);
    highest = std::max(highest, value);
  }
  // Missing the outer eighths in 1000 draws has odds of about 2^-190.
  EXPECT_LT(lowest, kMin / 4 * 3);
  EXPECT_GT(highest, kMax / 4 * 3);
}

TEST(RandUtilTest, RandBytesFillsEveryByte) {
  // Each position is non-zero in at least one of 32 fills unless the source
  // skipped it (odds of a false alarm about 2^-256 per byte).
  std::vector<unsigned char> seen(1000, 0);
  for (int round = 0; round < 32; ++round) {
    std::vector<unsigned char> buffer(1000, 0);
    RandBytes(buffer.data(), buffer.size());
    for (size_t i = 0; i < buffer.size(); ++i)
      seen[i] |= buffer[i];
  }
  for (size_t i = 0; i < seen.size(); ++i)
    ASSERT_NE(0, seen[i]) << "byte " << i;

  RandBytes(nullptr, 0);  // Nothing to fill is not a failure.
}

TEST(RandUtilTest, RandUint64Differs) {
  EXPECT_NE(RandUint64(), RandUint64());
}

}  // namespace
}  // namespace base
