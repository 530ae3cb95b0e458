#include "base/rand_util.h"

#include <string.h>

#include <algorithm>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/guid.h"
#include "base/win/windows_types.h"

using RandomSourceFunction = BOOLEAN(NTAPI*)(PVOID buffer, ULONG length);

// The import slot through which this executable reaches RtlGenRandom
// (advapi32's SystemFunction036): swapped, it shows what RandBytes asks of it.
extern "C" RandomSourceFunction __imp_SystemFunction036;

namespace base {
namespace {

class ScopedRandomSource {
 public:
  explicit ScopedRandomSource(RandomSourceFunction fake) : saved_(Swap(fake)) {}
  ~ScopedRandomSource() { Swap(saved_); }

 private:
  static RandomSourceFunction Swap(RandomSourceFunction function) {
    DWORD protection = 0;
    EXPECT_TRUE(::VirtualProtect(&__imp_SystemFunction036, sizeof(function),
                                 PAGE_READWRITE, &protection));
    std::swap(function, __imp_SystemFunction036);
    ::VirtualProtect(&__imp_SystemFunction036, sizeof(function), protection,
                     &protection);
    return function;
  }
  RandomSourceFunction saved_;
};

// What the source was asked to fill: address and length. It writes nothing,
// so a fill of more than 4 GiB can be asked of a tiny buffer.
using Requests = std::vector<std::pair<uintptr_t, ULONG>>;
Requests g_requests;

BOOLEAN NTAPI RecordingSource(PVOID buffer, ULONG length) {
  g_requests.push_back({reinterpret_cast<uintptr_t>(buffer), length});
  return TRUE;
}

BOOLEAN NTAPI FailingSource(PVOID, ULONG) { return FALSE; }

// A failing source stops the process: no caller gets predictable bytes.
TEST(RandUtilDeathTest, RandBytesDrawsFromRtlGenRandomInBoundedRequests) {
  char small[16];
  char huge_start[1];
  {
    ScopedRandomSource source(&RecordingSource);
    RandBytes(small, sizeof(small));
    // The source takes a 32-bit length: larger fills are split.
    RandBytes(huge_start, 0x100000005ull);
  }
  const uintptr_t huge = reinterpret_cast<uintptr_t>(huge_start);
  EXPECT_EQ((Requests{{reinterpret_cast<uintptr_t>(small), 16u},
                      {huge, 0xFFFFFFFFu},
                      {huge + 0xFFFFFFFFu, 6u}}),
            g_requests);
  EXPECT_DEATH(ScopedRandomSource source(&FailingSource);
               RandBytes(small, sizeof(small)), "");
  // The real source is checked by the draws of RandInt below.
  RandBytes(nullptr, 0);  // Nothing to fill is not a failure.
}

// Draws handed out in order, one per RandUint64.
std::vector<uint64_t> g_draws;
size_t g_next_draw = 0;

BOOLEAN NTAPI QueuedSource(PVOID buffer, ULONG length) {
  EXPECT_EQ(sizeof(uint64_t), length);
  memcpy(buffer, &g_draws.at(g_next_draw++), sizeof(uint64_t));
  return TRUE;
}

// Draws from the uneven top of the 64-bit range are drawn again; the largest
// draw kept maps to the top of the range.
TEST(RandUtilTest, RandIntRejectsTheUnevenTop) {
  const uint64_t kTop = std::numeric_limits<uint64_t>::max();
  const int kMin = std::numeric_limits<int>::min();
  const int kMax = std::numeric_limits<int>::max();
  const struct {
    int min;
    int max;
    std::vector<uint64_t> draws;  // The last one is kept.
    int expected;
  } kCases[] = {
      {0, 2, {kTop, 5}, 2},                     // 2^64 - 1 is a multiple of 3
      {-3, 3, {kTop, kTop - 1, kTop - 2}, 3},  // kTop leaves 1 over 7
      {kMin, kMax, {kTop - 0xFFFFFFFFu, kTop - 0x100000000u}, kMax},
      {7, 7, {kTop, kTop - 1}, 7},
  };
  ScopedRandomSource source(&QueuedSource);
  for (const auto& c : kCases) {
    g_draws = c.draws;
    g_next_draw = 0;
    EXPECT_EQ(c.expected, RandInt(c.min, c.max)) << c.min << ".." << c.max;
    EXPECT_EQ(c.draws.size(), g_next_draw) << c.min << ".." << c.max;
  }
}

// GenerateGUID takes its fields from two draws, version and variant bits
// laid over them.
TEST(RandUtilTest, GuidFieldsComeFromTwoDraws) {
  ScopedRandomSource source(&QueuedSource);
  g_draws = {0x0123456789ABCDEFull, 0xFEDCBA9876543210ull};
  g_next_draw = 0;
  EXPECT_EQ("01234567-89ab-4def-bedc-ba9876543210", GenerateGUID());
}

// A small range yields every value; the full range, whose span overflows 32
// bits, reaches far toward both ends (missing the outer eighths in 1000 draws
// has odds of about 2^-190).
TEST(RandUtilTest, RandIntCoversItsRange) {
  EXPECT_EQ(5, RandInt(5, 5));
  std::set<int> seen;
  const int kMin = std::numeric_limits<int>::min();
  const int kMax = std::numeric_limits<int>::max();
  int lowest = kMax, highest = kMin;
  for (int i = 0; i < 1000; ++i) {
    const int value = RandInt(-3, 3);
    ASSERT_TRUE(value >= -3 && value <= 3) << value;
    seen.insert(value);
    const int wide = RandInt(kMin, kMax);
    lowest = std::min(lowest, wide);
    highest = std::max(highest, wide);
  }
  EXPECT_EQ(7u, seen.size());
  EXPECT_LT(lowest, kMin / 4 * 3);
  EXPECT_GT(highest, kMax / 4 * 3);
  EXPECT_NE(RandUint64(), RandUint64());
}

}  // namespace
}  // namespace base
