#include "base/threading/thread_task_runner_handle.h"

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/memory/weak_ptr.h"
#include "base/threading/thread.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/win/windows_types.h"
#include "testing/queue_thread.h"

namespace base {
namespace {

using testing_support::QueueThread;

// The fake pool answers for one thread with one runner.
std::atomic<DWORD> g_pool_thread{0};
SequencedTaskRunner* g_pool_runner = nullptr;

scoped_refptr<SequencedTaskRunner> GetPoolRunner() {
  return ::GetCurrentThreadId() == g_pool_thread ? g_pool_runner : nullptr;
}

TEST(TaskRunnerHandleTest, HandlesNameTheRunnerOfTheCallingThread) {
  QueueThread worker;
  QueueThread pool_worker;
  EXPECT_FALSE(ThreadTaskRunnerHandle::IsSet());
  EXPECT_FALSE(ThreadTaskRunnerHandle::Get());
  EXPECT_FALSE(SequencedTaskRunnerHandle::Get());

  g_pool_thread = pool_worker.thread_id();
  g_pool_runner = worker.task_runner().get();  // any runner but its own
  SequencedTaskRunnerHandle::SetPoolRunnerGetter(&GetPoolRunner);
  for (QueueThread* thread : {&worker, &pool_worker}) {
    thread->RunAndWait(Bind(
        [](SingleThreadTaskRunner* own, SequencedTaskRunner* sequence) {
          EXPECT_EQ(own, ThreadTaskRunnerHandle::Get().get());
          EXPECT_TRUE(ThreadTaskRunnerHandle::Get()->BelongsToCurrentThread());
          EXPECT_EQ(sequence, SequencedTaskRunnerHandle::Get().get());
        },
        thread->task_runner().get(), g_pool_runner));
  }
  SequencedTaskRunnerHandle::SetPoolRunnerGetter(nullptr);

  {
    ThreadTaskRunnerHandle handle(worker.task_runner());
    EXPECT_EQ(worker.task_runner(), ThreadTaskRunnerHandle::Get());
    EXPECT_FALSE(ThreadTaskRunnerHandle::Get()->BelongsToCurrentThread());
  }
  EXPECT_FALSE(ThreadTaskRunnerHandle::IsSet());
}

class Doomed {
 public:
  explicit Doomed(std::atomic<DWORD>* death_thread)
      : death_thread_(death_thread) {}
  ~Doomed() { *death_thread_ = ::GetCurrentThreadId(); }
  void Touch() { ++touches; }
  WeakPtr<Doomed> GetWeakPtr() { return factory_.GetWeakPtr(); }

  static std::atomic<int> touches;

 private:
  std::atomic<DWORD>* death_thread_;
  WeakPtrFactory<Doomed> factory_{this};
};
std::atomic<int> Doomed::touches{0};

TEST(TaskRunnerTest, QueuedTasksFollowTheirObject) {
  Thread worker("TaskRunnerTest worker");
  ASSERT_TRUE(worker.Start());
  const DWORD worker_id = worker.GetThreadId();
  scoped_refptr<SingleThreadTaskRunner> runner = worker.task_runner();
  std::atomic<DWORD> death_thread{0};
  EXPECT_TRUE(runner->DeleteSoon(FROM_HERE, new Doomed(&death_thread)));

  // A weak-bound task queued for an object that dies before it runs.
  Closure queued;
  runner->PostTask(FROM_HERE, Bind(
      [](Closure* queued) {
        std::atomic<DWORD> ignored{0};
        auto doomed = std::make_unique<Doomed>(&ignored);
        *queued = Bind(&Doomed::Touch, doomed->GetWeakPtr());
        ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, *queued);
        doomed.reset();
        EXPECT_TRUE(queued->IsCancelled());
      },
      &queued));
  worker.Stop();
  EXPECT_EQ(worker_id, death_thread);
  EXPECT_EQ(0, Doomed::touches);

  // Refused once the loop is gone: the object stays the caller's.
  auto kept = std::make_unique<Doomed>(&death_thread);
  EXPECT_FALSE(runner->DeleteSoon(FROM_HERE, kept.get()));
  EXPECT_EQ(worker_id, death_thread);
}

}  // namespace
}  // namespace base
