#include "desktop/windows/installer/service/handle_inheritance_lock.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/at_exit.h"

namespace installer {
namespace {

// Many threads released at once ask for a lock that does not exist yet; the
// loser of a broken compare-and-swap would make and return a lock of its
// own. Each round starts from an empty slot, as its manager deletes the lock.
TEST(HandleInheritanceLockTest, ConcurrentRequestsShareOneLock) {
  constexpr int kRounds = 20;
  constexpr int kThreads = 8;
  for (int round = 0; round < kRounds; ++round) {
    base::AtExitManager exit_manager;
    std::atomic<int> waiting{kThreads};
    std::vector<base::Lock*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&, i] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0)
          std::this_thread::yield();
        seen[i] = &GetHandleInheritanceLock();
      });
    }
    for (std::thread& thread : threads)
      thread.join();
    for (int i = 1; i < kThreads; ++i)
      ASSERT_EQ(seen[0], seen[i]) << "round " << round << " thread " << i;
    EXPECT_EQ(seen[0], &HandleInheritanceLock());
  }
}

// The manager deletes the lock and empties the slot: the next request makes
// a fresh lock instead of handing out the deleted one, which was still held.
TEST(HandleInheritanceLockTest, AtExitMakesRoomForANewLock) {
  {
    base::AtExitManager exit_manager;
    ASSERT_TRUE(GetHandleInheritanceLock().Try());
  }
  base::AtExitManager exit_manager;
  base::Lock& fresh = GetHandleInheritanceLock();
  EXPECT_TRUE(fresh.Try());
  fresh.Release();
}

}  // namespace
}  // namespace installer
