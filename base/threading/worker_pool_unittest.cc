#include "base/threading/worker_pool.h"

#include <atomic>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "testing/queue_thread.h"

namespace base {
namespace {

// Records where a task ran, where its bound state died and where the reply
// ran.
struct RunRecord {
  RunRecord() { death.died = &released; }
  std::atomic<DWORD> ran_on{0};
  std::atomic<bool> ran_marked{false};
  std::atomic<DWORD> replied_on{0};
  std::atomic<bool> released_before_reply{false};
  test::DeathRecord death;
  test::ManualEvent released;
  test::ManualEvent replied;
};

Closure RecordingTask(RunRecord* record) {
  return test::WitnessedTask(&record->death, [record] {
    record->ran_on = ::GetCurrentThreadId();
    record->ran_marked = WorkerPool::RunsTasksOnCurrentThread();
  });
}

void PostWithReply(RunRecord* record) {
  EXPECT_TRUE(WorkerPool::PostTaskAndReply(
      FROM_HERE, RecordingTask(record), test::Fn([record] {
        record->released_before_reply = record->death.count == 1;
        record->replied_on = ::GetCurrentThreadId();
        record->replied.Signal();
      }),
      false));
}

TEST(WorkerPoolTest, ReplyRunsOnThePostingThreadAfterTheTask) {
  testing_support::QueueThread origin;
  RunRecord record;
  ASSERT_TRUE(origin.RunAndWait(Bind(&PostWithReply, &record)));
  ASSERT_TRUE(record.replied.TimedWait(TimeDelta::FromSeconds(10)));
  EXPECT_EQ(origin.thread_id(), record.replied_on.load());
  EXPECT_NE(origin.thread_id(), record.ran_on.load());
  EXPECT_TRUE(record.released_before_reply);
}

// What the last queueing call was asked for; refuses when told to.
struct QueueCall {
  static ULONG flags;
  static bool refuse;
  static BOOL WINAPI Queue(LPTHREAD_START_ROUTINE function, PVOID context,
                           ULONG call_flags) {
    flags = call_flags;
    if (refuse) {
      ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return FALSE;
    }
    return ::QueueUserWorkItem(function, context, call_flags);
  }
};
ULONG QueueCall::flags = 0xffffffff;
bool QueueCall::refuse = false;

// Tasks run on a pool thread and are released there; a refused one is
// released at once, unrun, on the posting thread.
TEST(WorkerPoolTest, QueuesWithTheTaskFlagsAndReleasesEveryTask) {
  internal::ScopedQueueUserWorkItemForTesting seam(&QueueCall::Queue);
  const struct {
    bool task_is_slow;
    bool refuse;
    ULONG flags;
  } kCases[] = {{false, false, 0},
                {true, false, WT_EXECUTELONGFUNCTION},
                {true, true, WT_EXECUTELONGFUNCTION}};
  for (const auto& test : kCases) {
    SCOPED_TRACE(testing::Message() << test.task_is_slow << test.refuse);
    QueueCall::refuse = test.refuse;
    RunRecord record;
    EXPECT_EQ(!test.refuse,
              WorkerPool::PostTask(FROM_HERE, RecordingTask(&record),
                                   test.task_is_slow));
    EXPECT_EQ(test.flags, QueueCall::flags);
    ASSERT_TRUE(record.released.TimedWait(
        test.refuse ? TimeDelta() : TimeDelta::FromSeconds(10)));
    if (test.refuse) {
      EXPECT_EQ(::GetCurrentThreadId(), record.death.thread.load());
      EXPECT_EQ(0u, record.ran_on.load());
    } else {
      EXPECT_NE(::GetCurrentThreadId(), record.ran_on.load());
      EXPECT_EQ(record.ran_on.load(), record.death.thread.load());
      EXPECT_TRUE(record.ran_marked);
    }
  }
  QueueCall::refuse = false;
  EXPECT_FALSE(WorkerPool::RunsTasksOnCurrentThread());
}

}  // namespace
}  // namespace base
