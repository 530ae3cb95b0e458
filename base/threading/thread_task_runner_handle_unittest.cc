#include "base/threading/thread_task_runner_handle.h"

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/memory/weak_ptr.h"
#include "base/threading/thread.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

class Doomed {
 public:
  explicit Doomed(std::atomic<DWORD>* death_thread)
      : death_thread_(death_thread) {}
  ~Doomed() { *death_thread_ = ::GetCurrentThreadId(); }
  void Touch() { ++touches; }
  WeakPtr<Doomed> GetWeakPtr() { return factory_.GetWeakPtr(); }

  static inline std::atomic<int> touches{0};

 private:
  std::atomic<DWORD>* death_thread_;
  WeakPtrFactory<Doomed> factory_{this};
};

TEST(TaskRunnerTest, QueuedTasksFollowTheirObject) {
  Thread worker("TaskRunnerTest worker");
  ASSERT_TRUE(worker.Start());
  const DWORD worker_id = worker.GetThreadId();
  scoped_refptr<SingleThreadTaskRunner> runner = worker.task_runner();
  std::atomic<DWORD> death_thread{0};
  EXPECT_TRUE(runner->DeleteSoon(FROM_HERE, new Doomed(&death_thread)));

  // A weak-bound task queued for an object that dies before it runs.
  Closure queued;
  runner->PostTask(FROM_HERE,
                   Bind(
                       [](Closure* queued) {
                         std::atomic<DWORD> ignored{0};
                         auto doomed = std::make_unique<Doomed>(&ignored);
                         *queued = Bind(&Doomed::Touch, doomed->GetWeakPtr());
                         ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE,
                                                                 *queued);
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
