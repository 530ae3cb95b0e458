#include "base/memory/thread_safe_ref_count.h"

#include <atomic>

#include <gtest/gtest.h>

#include "testing/run_together.h"

namespace base {
namespace {

class Counted {
 public:
  explicit Counted(intptr_t references) : ref_count_(references) {}
  void Release() { ReleaseThreadSafeRefCount(this, &ref_count_); }
  void OnDestruct() { destruct_calls_.fetch_add(1); }
  int destruct_calls() const { return destruct_calls_.load(); }

 private:
  std::atomic<intptr_t> ref_count_;
  std::atomic<int> destruct_calls_{0};
};

// Only the last release destroys, once, however the releases race.
TEST(ThreadSafeRefCountTest, ConcurrentReleasesDestroyOnce) {
  for (int round = 0; round < 20; ++round) {
    constexpr int kThreads = 8;
    constexpr int kReleasesPerThread = 500;
    Counted counted(kThreads * kReleasesPerThread + 1);
    testing_support::RunOnThreadsTogether(kThreads, [&](int) {
      for (int i = 0; i < kReleasesPerThread; ++i) counted.Release();
    });
    ASSERT_EQ(0, counted.destruct_calls());
    counted.Release();
    ASSERT_EQ(1, counted.destruct_calls());
  }
}

TEST(ThreadSafeRefCountDeathTest, ReleaseWithoutReferenceStopsTheProcess) {
  Counted counted(1);
  counted.Release();
  EXPECT_DEATH(counted.Release(), "");
}

}  // namespace
}  // namespace base
