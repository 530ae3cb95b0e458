#include "base/synchronization/lock.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(LockTest, ExcludesConcurrentIncrements) {
  Lock lock;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        AutoLock hold(lock);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(40000, counter);
}

TEST(LockTest, TryFailsWhileAnotherThreadHolds) {
  Lock lock;
  {
    AutoLock hold(lock);
    bool taken = true;
    std::thread([&] { taken = lock.Try(); }).join();
    EXPECT_FALSE(taken);
  }
  bool taken = false;
  std::thread([&] {
    taken = lock.Try();
    if (taken) lock.Release();
  }).join();
  EXPECT_TRUE(taken);
}

TEST(LockTest, AutoUnlockReleasesForItsScope) {
  Lock lock;
  AutoLock hold(lock);
  {
    AutoUnlock unlock(lock);
    bool taken = false;
    std::thread([&] {
      taken = lock.Try();
      if (taken) lock.Release();
    }).join();
    EXPECT_TRUE(taken);
  }
  EXPECT_FALSE(lock.Try());
}

}  // namespace
}  // namespace base
