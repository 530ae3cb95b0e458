// A task runner on a mock clock, for tests of code that posts delayed tasks:
// nothing runs until the test advances the clock, and then every task that
// came due runs on the calling thread, in run-time order and, among tasks
// due at the same time, in posting order. The runner's tick clock reads the
// mock time, so code that compares TimeTicks agrees with the runner.
//
//   scoped_refptr<testing_support::MockTimeTaskRunner> runner(
//       new testing_support::MockTimeTaskRunner);
//   base::OneShotTimer timer(runner->GetMockTickClock());
//   timer.SetTaskRunner(runner);
//   timer.Start(FROM_HERE, base::TimeDelta::FromSeconds(10), task);
//   runner->FastForwardBy(base::TimeDelta::FromSeconds(9));   // not yet
//   runner->FastForwardBy(base::TimeDelta::FromSeconds(1));   // task ran
//
// Posting is allowed from any thread; tasks run only inside FastForwardBy
// and RunUntilIdle, which the creating thread calls. Tasks still queued
// when the runner dies are released unrun.
#ifndef TESTING_MOCK_TIME_TASK_RUNNER_H_
#define TESTING_MOCK_TIME_TASK_RUNNER_H_

#include <stdint.h>

#include <map>
#include <mutex>
#include <utility>

#include "base/single_thread_task_runner.h"
#include "base/time/tick_clock.h"
#include "base/win/windows_types.h"

namespace testing_support {

class MockTimeTaskRunner : public base::SingleThreadTaskRunner,
                           public base::TickClock {
 public:
  bool PostDelayedTask(const base::Location&, base::Closure task,
                       base::TimeDelta delay) override {
    return Enqueue(std::move(task), delay);
  }
  bool PostNonNestableDelayedTask(const base::Location&, base::Closure task,
                                  base::TimeDelta delay) override {
    return Enqueue(std::move(task), delay);
  }
  bool RunsTasksOnCurrentThread() const override {
    return ::GetCurrentThreadId() == thread_id_;
  }

  // Reads NowTicks; lives as long as the runner.
  base::TickClock* GetMockTickClock() { return this; }

  base::TimeTicks NowTicks() override {
    std::lock_guard<std::mutex> hold(lock_);
    return now_;
  }
  // Runs what comes due within |delta|, the clock stepping to each task's
  // run time, then leaves the clock |delta| after where it was.
  void FastForwardBy(base::TimeDelta delta) {
    base::TimeTicks end = NowTicks() + delta;
    RunTasksDueBy(end);
    std::lock_guard<std::mutex> hold(lock_);
    now_ = end;
  }

  // Runs the tasks due now, including those they post without delay.
  void RunUntilIdle() { RunTasksDueBy(NowTicks()); }

  size_t GetPendingTaskCount() const {
    std::lock_guard<std::mutex> hold(lock_);
    return tasks_.size();
  }

  // The time until the next task is due; TimeDelta::Max() when none is.
  base::TimeDelta NextPendingTaskDelay() const {
    std::lock_guard<std::mutex> hold(lock_);
    if (tasks_.empty()) return base::TimeDelta::Max();
    return tasks_.begin()->first.first - now_;
  }

 private:
  // Keyed by run time, then by posting order.
  using Key = std::pair<base::TimeTicks, uint64_t>;

  ~MockTimeTaskRunner() override = default;

  bool Enqueue(base::Closure task, base::TimeDelta delay) {
    std::lock_guard<std::mutex> hold(lock_);
    if (delay < base::TimeDelta()) delay = base::TimeDelta();
    tasks_.emplace(Key(now_ + delay, next_sequence_++), std::move(task));
    return true;
  }

  void RunTasksDueBy(base::TimeTicks end) {
    for (;;) {
      base::Closure task;
      {
        std::lock_guard<std::mutex> hold(lock_);
        if (tasks_.empty() || tasks_.begin()->first.first > end) return;
        auto next = tasks_.begin();
        if (next->first.first > now_) now_ = next->first.first;
        task = std::move(next->second);
        tasks_.erase(next);
      }
      task.Run();
    }
  }

  const uint32_t thread_id_ = ::GetCurrentThreadId();
  mutable std::mutex lock_;
  // Not null: a null TimeTicks means "no time" to some callers.
  base::TimeTicks now_ = base::TimeTicks::FromInternalValue(1000000);
  uint64_t next_sequence_ = 0;
  std::map<Key, base::Closure> tasks_;
};

}  // namespace testing_support

#endif  // TESTING_MOCK_TIME_TASK_RUNNER_H_
