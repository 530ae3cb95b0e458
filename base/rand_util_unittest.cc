#include "base/rand_util.h"

#include <string.h>

#include <algorithm>
#include <limits>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "base/win/windows_types.h"

using RandomSourceFunction = BOOLEAN(NTAPI*)(PVOID buffer, ULONG length);

// The import slot through which this executable reaches RtlGenRandom
// (advapi32's SystemFunction036). Swapping it shows which calls RandBytes
// makes, and that it makes them to the system source.
extern "C" RandomSourceFunction __imp_SystemFunction036;

namespace base {
namespace {

class ScopedRandomSource {
 public:
  explicit ScopedRandomSource(RandomSourceFunction fake) {
    saved_ = Swap(fake);
  }
  ~ScopedRandomSource() { Swap(saved_); }

 private:
  static RandomSourceFunction Swap(RandomSourceFunction function) {
    DWORD protection = 0;
    EXPECT_TRUE(::VirtualProtect(&__imp_SystemFunction036, sizeof(function),
                                 PAGE_READWRITE, &protection));
    RandomSourceFunction previous = __imp_SystemFunction036;
    __imp_SystemFunction036 = function;
    ::VirtualProtect(&__imp_SystemFunction036, sizeof(function), protection,
                     &protection);
    return previous;
  }

  RandomSourceFunction saved_;
};

struct SourceRequest {
  const char* buffer;
  ULONG length;
};
std::vector<SourceRequest> g_requests;
// Off, the source writes nothing, so a fill of more than 4 GiB can be asked
// of a tiny buffer.
bool g_source_writes = true;

BOOLEAN NTAPI RecordingSource(PVOID buffer, ULONG length) {
  g_requests.push_back({static_cast<const char*>(buffer), length});
  if (g_source_writes)
    memset(buffer, 0xA5, length);
  return TRUE;
}

BOOLEAN NTAPI FailingSource(PVOID, ULONG) {
  return FALSE;
}

TEST(RandUtilTest, RandBytesDrawsFromRtlGenRandomInBoundedRequests) {
  char small[16] = {};
  char huge_start[1];
  {
    ScopedRandomSource source(&RecordingSource);
    g_requests.clear();
    RandBytes(small, sizeof(small));
    ASSERT_EQ(1u, g_requests.size());
    EXPECT_EQ(small, g_requests[0].buffer);
    EXPECT_EQ(sizeof(small), g_requests[0].length);
    for (char byte : small)
      EXPECT_EQ(static_cast<char>(0xA5), byte);

    // The source takes a 32-bit length: larger fills are split.
    g_requests.clear();
    g_source_writes = false;
    RandBytes(huge_start, 0x100000005ull);
    g_source_writes = true;
    ASSERT_EQ(2u, g_requests.size());
    EXPECT_EQ(huge_start, g_requests[0].buffer);
    EXPECT_EQ(0xFFFFFFFFu, g_requests[0].length);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(huge_start) + 0xFFFFFFFFu,
              reinterpret_cast<uintptr_t>(g_requests[1].buffer));
    EXPECT_EQ(6u, g_requests[1].length);
  }
  // Put back: the real source is reached again.
  g_requests.clear();
  RandBytes(small, sizeof(small));
  EXPECT_TRUE(g_requests.empty());
}

TEST(RandUtilDeathTest, FailingSourceStopsTheProcess) {
  EXPECT_DEATH(
      {
        ScopedRandomSource source(&FailingSource);
        char buffer[8];
        RandBytes(buffer, sizeof(buffer));
      },
      "");
}

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
