#include "base/threading/worker_pool.h"

#include <atomic>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/run_loop.h"

namespace base {
namespace {

// Records where a task ran and where its bound state died.
struct RunRecord {
  RunRecord() { death.died = &released; }
  std::atomic<DWORD> ran_on{0};
  std::atomic<bool> ran_marked{false};
  test::DeathRecord death;
  test::ManualEvent released;
};

Closure RecordingTask(RunRecord* record) {
  return test::WitnessedTask(&record->death, [record] {
    record->ran_on = ::GetCurrentThreadId();
    record->ran_marked = WorkerPool::RunsTasksOnCurrentThread();
  });
}

// What the last queueing call was asked for; refuses when told to.
struct QueueCall {
  static inline ULONG flags = 0xffffffff;
  static inline bool refuse = false;
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

// Tasks run on a pool thread and are released there; a refused one is
// released at once, unrun, on the posting thread. A task with a reply is
// released at home (PostTaskAndReplyTest checks that this comes before the
// reply).
TEST(WorkerPoolTest, QueuesWithTheTaskFlagsAndReleasesEveryTask) {
  internal::ScopedQueueUserWorkItemForTesting seam(&QueueCall::Queue);
  MessageLoop loop;  // the replies' home
  const struct {
    bool task_is_slow;
    bool refuse;
    bool reply;
    ULONG flags;
  } kCases[] = {{false, false, false, 0},
                {true, true, false, WT_EXECUTELONGFUNCTION},
                {true, false, true, WT_EXECUTELONGFUNCTION}};
  for (const auto& test : kCases) {
    SCOPED_TRACE(testing::Message()
                 << test.task_is_slow << test.refuse << test.reply);
    QueueCall::refuse = test.refuse;
    RunRecord record;
    RunLoop run_loop;
    EXPECT_EQ(!test.refuse,
              test.reply
                  ? WorkerPool::PostTaskAndReply(
                        FROM_HERE, RecordingTask(&record),
                        run_loop.QuitClosure(), test.task_is_slow)
                  : WorkerPool::PostTask(FROM_HERE, RecordingTask(&record),
                                         test.task_is_slow));
    EXPECT_EQ(test.flags, QueueCall::flags);
    if (test.reply) run_loop.Run();
    ASSERT_TRUE(record.released.TimedWait(
        test.refuse ? TimeDelta() : TimeDelta::FromSeconds(10)));
    if (test.refuse) {
      EXPECT_EQ(::GetCurrentThreadId(), record.death.thread.load());
      EXPECT_EQ(0u, record.ran_on.load());
    } else {
      EXPECT_NE(::GetCurrentThreadId(), record.ran_on.load());
      EXPECT_EQ(test.reply ? ::GetCurrentThreadId() : record.ran_on.load(),
                record.death.thread.load());
      EXPECT_TRUE(record.ran_marked);
    }
  }
  QueueCall::refuse = false;
  EXPECT_FALSE(WorkerPool::RunsTasksOnCurrentThread());
}

}  // namespace
}  // namespace base
