#include "base/win/object_watcher.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/threading/thread_task_runner_handle.h"
#include "base/win/scoped_handle.h"
#include "testing/mock_time_task_runner.h"

namespace base {
namespace win {
namespace {

using testing_support::MockTimeTaskRunner;

// Records each signal; optionally reacts from inside the callback.
class RecordingDelegate : public ObjectWatcher::Delegate {
 public:
  void OnObjectSignaled(HANDLE object) override {
    signaled.push_back(object);
    if (on_signal) on_signal();
  }
  std::vector<HANDLE> signaled;
  std::function<void()> on_signal;
};

// The watching thread's runner is a mock: a test sees the notification
// arrive in the queue and decides when it runs.
class ObjectWatcherTest : public testing::Test {
 protected:
  // Waits for the wait thread to post |count| notifications in all.
  bool WaitForPosts(size_t count) {
    for (int i = 0; i < 5000; ++i) {
      if (runner_->GetPendingTaskCount() >= count) return true;
      ::Sleep(1);
    }
    return false;
  }

  scoped_refptr<MockTimeTaskRunner> runner_{new MockTimeTaskRunner};
  ThreadTaskRunnerHandle handle_{runner_};
  ScopedHandle first_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  ScopedHandle second_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  RecordingDelegate delegate_;
};

TEST_F(ObjectWatcherTest, DelegateMayWatchAgainThenDestroyTheWatcher) {
  auto watcher = std::make_unique<ObjectWatcher>();
  delegate_.on_signal = [&] {
    if (delegate_.signaled.size() == 1) {
      EXPECT_TRUE(watcher->StartWatchingOnce(second_.Get(), &delegate_));
    } else {
      watcher.reset();
    }
  };
  ASSERT_TRUE(watcher->StartWatchingOnce(first_.Get(), &delegate_));
  ::SetEvent(first_.Get());
  ASSERT_TRUE(WaitForPosts(1));
  runner_->RunUntilIdle();

  ::SetEvent(second_.Get());
  ASSERT_TRUE(WaitForPosts(1));
  runner_->RunUntilIdle();
  EXPECT_FALSE(watcher);
  EXPECT_EQ((std::vector<HANDLE>{first_.Get(), second_.Get()}),
            delegate_.signaled);
}

// Stopping and restarting on another object drop a notification that the
// wait thread has already posted. A signal is then reported exactly once: a
// manual-reset event stays signalled, so any repeat would show.
TEST_F(ObjectWatcherTest, PostedNotificationIsDroppedOnStopElseReportedOnce) {
  ::SetEvent(first_.Get());
  ObjectWatcher watcher;
  ASSERT_TRUE(watcher.StartWatchingOnce(first_.Get(), &delegate_));
  ASSERT_TRUE(WaitForPosts(1));
  EXPECT_TRUE(watcher.StopWatching());

  ASSERT_TRUE(watcher.StartWatchingOnce(first_.Get(), &delegate_));
  ASSERT_TRUE(WaitForPosts(2));
  // Restarting while watching stops the old watch first.
  ASSERT_TRUE(watcher.StartWatchingOnce(second_.Get(), &delegate_));
  runner_->RunUntilIdle();
  EXPECT_TRUE(delegate_.signaled.empty());

  ::SetEvent(second_.Get());
  ASSERT_TRUE(WaitForPosts(1));
  runner_->RunUntilIdle();
  ::Sleep(50);
  runner_->RunUntilIdle();
  EXPECT_EQ(std::vector<HANDLE>{second_.Get()}, delegate_.signaled);
  EXPECT_FALSE(watcher.StopWatching());
}

TEST(ObjectWatcherWithoutRunnerTest, FailsOnAThreadWithoutTaskRunner) {
  std::thread([] {
    ScopedHandle event(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    RecordingDelegate delegate;
    ObjectWatcher watcher;
    EXPECT_FALSE(watcher.StartWatchingOnce(event.Get(), &delegate));
    EXPECT_EQ(nullptr, watcher.GetWatchedObject());
  }).join();
}

}  // namespace
}  // namespace win
}  // namespace base
