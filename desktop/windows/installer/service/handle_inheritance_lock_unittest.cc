#include "desktop/windows/installer/service/handle_inheritance_lock.h"

#include <vector>

#include <gtest/gtest.h>

#include "base/at_exit.h"
#include "testing/run_together.h"

namespace installer {
namespace {

// Many threads released at once ask for a lock that does not exist yet; the
// loser of a broken compare-and-swap would make and return a lock of its
// own. Each round starts from an empty slot, as its manager deletes the lock:
// the lock left held at the end of a round is never handed out again.
TEST(HandleInheritanceLockTest, ConcurrentRequestsShareOneFreshLock) {
  constexpr int kRounds = 20;
  constexpr int kThreads = 8;
  for (int round = 0; round < kRounds; ++round) {
    base::AtExitManager exit_manager;
    std::vector<base::Lock*> seen(kThreads, nullptr);
    testing_support::RunOnThreadsTogether(
        kThreads, [&](int i) { seen[i] = &GetHandleInheritanceLock(); });
    for (int i = 1; i < kThreads; ++i)
      ASSERT_EQ(seen[0], seen[i]) << "round " << round << " thread " << i;
    ASSERT_TRUE(seen[0]->Try()) << "round " << round;
  }
}

}  // namespace
}  // namespace installer
