#include "base/rand_util.h"

#include <string.h>

#include <algorithm>
#include <limits>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

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

std::vector<std::pair<const char*, ULONG>> g_requests;  // buffer, length
// Off, the source writes nothing, so a fill of more than 4 GiB can be asked
// of a tiny buffer.
bool g_source_writes = true;

BOOLEAN NTAPI RecordingSource(PVOID buffer, ULONG length) {
  g_requests.push_back({static_cast<const char*>(buffer), length});
  if (g_source_writes) memset(buffer, 0xA5, length);
  return TRUE;
}

BOOLEAN NTAPI FailingSource(PVOID, ULONG) { return FALSE; }

TEST(RandUtilTest, RandBytesDrawsFromRtlGenRandomInBoundedRequests) {
  char small[16] = {};
  char huge_start[1];
  {
    ScopedRandomSource source(&RecordingSource);
    RandBytes(small, sizeof(small));
    EXPECT_EQ(std::string(sizeof(small), '\xA5'), std::string(small, 16));

    // The source takes a 32-bit length: larger fills are split.
    g_requests.clear();
    g_source_writes = false;
    RandBytes(huge_start, 0x100000005ull);
    g_source_writes = true;
    ASSERT_EQ(2u, g_requests.size());
    EXPECT_EQ(huge_start, g_requests[0].first);
    EXPECT_EQ(0xFFFFFFFFu, g_requests[0].second);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(huge_start) + 0xFFFFFFFFu,
              reinterpret_cast<uintptr_t>(g_requests[1].first));
    EXPECT_EQ(6u, g_requests[1].second);
  }
  // The real source is checked by the draws of RandInt below.
  RandBytes(nullptr, 0);  // Nothing to fill is not a failure.
}

TEST(RandUtilDeathTest, FailingSourceStopsTheProcess) {
  char buffer[8];
  EXPECT_DEATH(ScopedRandomSource source(&FailingSource);
               RandBytes(buffer, sizeof(buffer)), "");
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
