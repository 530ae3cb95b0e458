#include "base/synchronization/lock.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(LockTest, ExcludesOtherThreadsExceptInsideAutoUnlock) {
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

  auto taken_by_another_thread = [&lock] {
    bool taken = false;
    std::thread([&] {
      taken = lock.Try();
      if (taken) lock.Release();
    }).join();
    return taken;
  };
  AutoLock hold(lock);
  EXPECT_FALSE(taken_by_another_thread());
  {
    AutoUnlock unlock(lock);
    EXPECT_TRUE(taken_by_another_thread());
  }
  EXPECT_FALSE(lock.Try());
}

}  // namespace
}  // namespace base
