#include "base/memory/thread_safe_ref_count.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

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

TEST(ThreadSafeRefCountTest, OnlyTheLastReleaseDestroys) {
  Counted counted(2);
  counted.Release();
  EXPECT_EQ(0, counted.destruct_calls());
  counted.Release();
  EXPECT_EQ(1, counted.destruct_calls());
}

TEST(ThreadSafeRefCountTest, ConcurrentReleasesDestroyOnce) {
  for (int round = 0; round < 20; ++round) {
    constexpr int kThreads = 8;
    constexpr int kReleasesPerThread = 500;
    Counted counted(kThreads * kReleasesPerThread);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        for (int i = 0; i < kReleasesPerThread; ++i) counted.Release();
      });
    }
    for (auto& thread : threads) thread.join();
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
