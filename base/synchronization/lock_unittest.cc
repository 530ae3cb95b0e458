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

}  // namespace
}  // namespace base
