#include "base/threading/sequenced_worker_pool.h"

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/threading/simple_thread.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

const TimeDelta kTimeout = TimeDelta::FromSeconds(10);

std::atomic<int> g_start_calls{0};
std::atomic<bool> g_fail_start{false};

// Counts worker starts, and fails them while |g_fail_start| is set, after
// a while, so that another post can arrive during the failing start.
bool CountingStart(SimpleThread* worker) {
  ++g_start_calls;
  if (!g_fail_start) return worker->Start();
  ::Sleep(100);
  return false;
}

// Records the thread that deletes it.
class ObservedPool : public SequencedWorkerPool {
 public:
  explicit ObservedPool(std::atomic<DWORD>* deleted_on)
      : SequencedWorkerPool(2, "Test"), deleted_on_(deleted_on) {}

 private:
  ~ObservedPool() override { *deleted_on_ = ::GetCurrentThreadId(); }
  std::atomic<DWORD>* deleted_on_;
};

using Event = test::ManualEvent;

void SetFlag(std::atomic<bool>* flag) { *flag = true; }

class SequencedWorkerPoolTest : public testing::Test {
 protected:
  void SetUp() override {
    g_start_calls = 0;
    g_fail_start = false;
    pool_ = new ObservedPool(&deleted_on_);
  }

  // Drops the test's reference and waits until the pool is deleted, which
  // must happen on this thread: a worker dropping the last reference posts
  // the deletion here.
  void ReleasePool() {
    pool_ = nullptr;
    TimeTicks deadline = TimeTicks::Now() + kTimeout;
    while (deleted_on_ == 0 && TimeTicks::Now() < deadline) {
      test::RunUntilIdle();
      ::Sleep(5);
    }
    EXPECT_EQ(::GetCurrentThreadId(), deleted_on_);
  }

  void TearDown() override {
    if (pool_) {
      pool_->Shutdown();
      ReleasePool();
    }
  }

  internal::ScopedStartWorkerForTesting counting_start_{&CountingStart};
  MessageLoop loop_;
  std::atomic<DWORD> deleted_on_{0};
  scoped_refptr<SequencedWorkerPool> pool_;
};

// What the tasks of one sequence saw.
struct SequenceLog {
  Lock lock;
  std::vector<int> order;
  int running = 0;
  bool overlapped = false;
  bool knew_its_sequence = true;

  void Run(int number, SequencedTaskRunner* runner, SequencedWorkerPool* pool) {
    {
      AutoLock hold(lock);
      overlapped |= ++running > 1;
      order.push_back(number);
    }
    scoped_refptr<SequencedTaskRunner> current =
        SequencedTaskRunnerHandle::Get();
    bool knows = runner->RunsTasksOnCurrentThread() &&
                 pool->RunsTasksOnCurrentThread() && current &&
                 current->RunsTasksOnCurrentThread();
    ::Sleep(5);
    AutoLock hold(lock);
    knew_its_sequence &= knows;
    --running;
  }
};

void RecordRunsTasks(scoped_refptr<SequencedTaskRunner> runner,
                     std::atomic<int>* runs_tasks) {
  *runs_tasks = runner->RunsTasksOnCurrentThread();
}

// Each waits for the other, so both succeed only when they run at once.
void Rendezvous(WaitableEvent* mine, WaitableEvent* other,
                std::atomic<bool>* met) {
  mine->Signal();
  *met = other->TimedWait(kTimeout);
}

TEST_F(SequencedWorkerPoolTest, OneTokenRunsInOrderWhileOthersRunAlongside) {
  SequencedWorkerPool::SequenceToken token =
      pool_->GetNamedSequenceToken("files");
  EXPECT_EQ(token, pool_->GetNamedSequenceToken("files"));
  EXPECT_NE(token, pool_->GetNamedSequenceToken("other"));

  scoped_refptr<SequencedTaskRunner> runner =
      pool_->GetSequencedTaskRunnerForToken(
          token, SequencedWorkerPool::BLOCK_SHUTDOWN);
  Event first, second;
  std::atomic<bool> first_met{false}, second_met{false};
  // The second worker finds the sequence busy and takes the first
  // rendezvous task; the other one waits for the sequence's worker.
  SequenceLog log;
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(
        runner->PostTask(FROM_HERE, Bind(&SequenceLog::Run, Unretained(&log), i,
                                         runner.get(), pool_.get())));
  }
  ASSERT_TRUE(pool_->PostTask(FROM_HERE,
                              Bind(&Rendezvous, &first, &second, &first_met)));
  ASSERT_TRUE(pool_->PostTask(FROM_HERE,
                              Bind(&Rendezvous, &second, &first, &second_met)));
  Event done;
  ASSERT_TRUE(runner->PostTask(
      FROM_HERE, Bind(&WaitableEvent::Signal, Unretained(&done))));
  // A worker running another sequence does not run this one.
  scoped_refptr<SequencedTaskRunner> other =
      pool_->GetSequencedTaskRunnerForToken(
          pool_->GetNamedSequenceToken("other"),
          SequencedWorkerPool::BLOCK_SHUTDOWN);
  std::atomic<int> other_saw_files{-1};
  ASSERT_TRUE(other->PostTask(
      FROM_HERE, Bind(&RecordRunsTasks, runner, &other_saw_files)));
  ASSERT_TRUE(done.TimedWait(kTimeout));
  pool_->Shutdown();
  EXPECT_EQ(0, other_saw_files);  // run before Shutdown returned

  EXPECT_TRUE(first_met && second_met);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), log.order);
  EXPECT_FALSE(log.overlapped);
  EXPECT_TRUE(log.knew_its_sequence);
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());
  EXPECT_FALSE(pool_->RunsTasksOnCurrentThread());
  // Three tasks were ready at once, yet no third worker came.
  EXPECT_EQ(2, g_start_calls);
}

// Keeps posting until the pool refuses, which it does once Shutdown began.
// First it queues |next| behind itself on its own sequence.
void BlockUntilRefused(SequencedWorkerPool* pool, WaitableEvent* started,
                       std::atomic<bool>* refused, std::atomic<bool>* done,
                       std::atomic<bool>* next_ran) {
  SequencedTaskRunnerHandle::Get()->PostTask(FROM_HERE,
                                             Bind(&SetFlag, next_ran));
  started->Signal();
  TimeTicks deadline = TimeTicks::Now() + kTimeout;
  while (!*refused && TimeTicks::Now() < deadline) {
    ::Sleep(10);
    *refused = !pool->PostTask(FROM_HERE, Bind([] {}));
  }
  ::Sleep(50);  // Shutdown must wait this out too
  *done = true;
}

void HoldPoolUntil(scoped_refptr<SequencedWorkerPool>, WaitableEvent* started,
                   WaitableEvent* go) {
  started->Signal();
  go->TimedWait(kTimeout);
}

// Tasks that skip or continue on shutdown and have not started when it
// begins never start. A continuing task that still holds the pool when
// Shutdown returns drops the last reference on its worker: the pool is
// deleted on this thread all the same.
TEST_F(SequencedWorkerPoolTest, ShutdownWaitsForBlockingTasksOnly) {
  SequencedWorkerPool::SequenceToken token =
      pool_->GetNamedSequenceToken("shutdown");
  scoped_refptr<SequencedTaskRunner> blocking =
      pool_->GetSequencedTaskRunnerForToken(
          token, SequencedWorkerPool::BLOCK_SHUTDOWN);
  scoped_refptr<SequencedTaskRunner> skipping =
      pool_->GetSequencedTaskRunnerForToken(
          token, SequencedWorkerPool::SKIP_ON_SHUTDOWN);
  Event started;
  scoped_refptr<SequencedTaskRunner> continuing_in_line =
      pool_->GetSequencedTaskRunnerForToken(
          token, SequencedWorkerPool::CONTINUE_ON_SHUTDOWN);
  std::atomic<bool> refused{false}, done{false}, skipped_ran{false},
      delayed_ran{false}, continuing_in_line_ran{false},
      posted_by_task_ran{false};
  // The task's own post, through the worker's runner, blocks shutdown.
  ASSERT_TRUE(blocking->PostTask(FROM_HERE,
                                 Bind(&BlockUntilRefused, pool_.get(), &started,
                                      &refused, &done, &posted_by_task_ran)));
  // These wait behind the running task of their token when Shutdown comes.
  ASSERT_TRUE(skipping->PostTask(FROM_HERE, Bind(&SetFlag, &skipped_ran)));
  ASSERT_TRUE(continuing_in_line->PostTask(
      FROM_HERE, Bind(&SetFlag, &continuing_in_line_ran)));
  // A delay makes even a blocking runner's task skip on shutdown.
  ASSERT_TRUE(blocking->PostDelayedTask(FROM_HERE, Bind(&SetFlag, &delayed_ran),
                                        TimeDelta::FromSeconds(30)));
  ASSERT_TRUE(started.TimedWait(kTimeout));
  Event held, go;
  scoped_refptr<SequencedTaskRunner> continuing =
      pool_->GetSequencedTaskRunnerForToken(
          SequencedWorkerPool::SequenceToken(),
          SequencedWorkerPool::CONTINUE_ON_SHUTDOWN);
  ASSERT_TRUE(
      continuing->PostTask(FROM_HERE, Bind(&HoldPoolUntil, pool_, &held, &go)));
  ASSERT_TRUE(held.TimedWait(kTimeout));
  // Both workers are busy: these wait for one. The pool's own immediate
  // tasks block shutdown; its delayed ones skip it.
  std::atomic<bool> pool_task_ran{false}, pool_delayed_ran{false};
  ASSERT_TRUE(pool_->PostTask(FROM_HERE, Bind(&SetFlag, &pool_task_ran)));
  ASSERT_TRUE(pool_->PostDelayedTask(FROM_HERE,
                                     Bind(&SetFlag, &pool_delayed_ran),
                                     TimeDelta::FromSeconds(30)));

  TimeTicks begin = TimeTicks::Now();
  pool_->Shutdown();
  // Neither the 30 s delay nor the held task was waited for.
  EXPECT_LT(TimeTicks::Now() - begin, kTimeout);
  EXPECT_TRUE(done);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(pool_task_ran);
  EXPECT_TRUE(posted_by_task_ran);
  // runners hold the pool too
  blocking = skipping = continuing = continuing_in_line = nullptr;
  pool_ = nullptr;
  go.Signal();
  ReleasePool();  // joins the workers
  EXPECT_FALSE(skipped_ran);
  EXPECT_FALSE(delayed_ran);
  EXPECT_FALSE(continuing_in_line_ran);
  EXPECT_FALSE(pool_delayed_ran);
}

void Count(std::atomic<int>* count, WaitableEvent* event) {
  if (++*count == 2) event->Signal();
}

// While no worker can start, every post is refused, also one that arrives
// while another post's start is failing; a later post starts a worker, and
// an idle worker is reused rather than a new one started.
TEST_F(SequencedWorkerPoolTest, PostsRefusedWhileNoWorkerStarts) {
  scoped_refptr<SequencedTaskRunner> runner =
      pool_->GetSequencedTaskRunnerForToken(
          pool_->GetNamedSequenceToken("retry"),
          SequencedWorkerPool::BLOCK_SHUTDOWN);
  std::atomic<int> ran{0};
  Event all_ran;
  g_fail_start = true;
  std::atomic<bool> other_accepted{true};
  std::thread other([&] {
    other_accepted = pool_->PostTask(FROM_HERE, Bind(&Count, &ran, &all_ran));
  });
  EXPECT_FALSE(runner->PostTask(FROM_HERE, Bind(&Count, &ran, &all_ran)));
  other.join();
  EXPECT_FALSE(other_accepted);
  EXPECT_EQ(2, g_start_calls);  // each post tried for itself

  g_fail_start = false;
  ASSERT_TRUE(runner->PostTask(FROM_HERE, Bind(&Count, &ran, &all_ran)));
  ::Sleep(100);  // lets the worker go back to waiting
  ASSERT_TRUE(pool_->PostTask(FROM_HERE, Bind(&Count, &ran, &all_ran)));
  ASSERT_TRUE(all_ran.TimedWait(kTimeout));
  EXPECT_EQ(3, g_start_calls);
  pool_->Shutdown();
  EXPECT_EQ(2, ran);  // the refused tasks never ran
}

}  // namespace
}  // namespace base
