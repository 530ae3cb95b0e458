// One task waiting in a message loop's queues: the closure, where it was
// posted from, when it is due and where it stands among tasks due at the
// same time.
//
// A loop owns its pending tasks; moving one moves the closure and copies the
// rest. The delayed queue orders tasks by run time, and tasks due at the
// same time by sequence number in wrap-around arithmetic, so posting order
// holds across the 32-bit wrap of the numbers:
//
//   DelayedTaskQueue queue;
//   queue.Push(std::move(task));
//   if (queue.top().delayed_run_time <= now) Run(queue.Pop());
#ifndef BASE_MESSAGE_LOOP_PENDING_TASK_H_
#define BASE_MESSAGE_LOOP_PENDING_TASK_H_

#include <stdint.h>

#include <array>
#include <queue>
#include <vector>

#include "base/callback.h"
#include "base/location.h"
#include "base/time/time.h"

namespace base {

namespace trace_event {
class Births;
}

struct PendingTask {
  // |delayed_run_time| is null for an immediate task. Fills the backtrace
  // from the task the calling thread's loop is running, if any.
  PendingTask(const Location& posted_from, Closure task,
              TimeTicks delayed_run_time, bool nestable);
  PendingTask(PendingTask&& other) noexcept;
  PendingTask& operator=(PendingTask&& other) noexcept;
  ~PendingTask();

  // True when |other| runs before this task in the delayed queue: the heap
  // of the standard library keeps its largest element on top.
  bool operator<(const PendingTask& other) const;

  // The task profiler's birth record; null unless the profiler is active.
  trace_event::Births* birth_tally = nullptr;
  // Milliseconds of the task profiler's clock; read only while someone
  // reads it back (IsTaskTimingObserved), else 0.
  uint32_t time_posted = 0;
  TimeTicks delayed_run_time;
  Closure task;
  Location posted_from;
  // The posting site of the task that posted this one, then that task's own
  // first three entries: a crash in a task shows how it came about.
  std::array<const void*, 4> task_backtrace = {};
  // Set when the task enters the incoming queue.
  int sequence_num = 0;
  // False for tasks that must not run inside a nested run loop.
  bool nestable = true;
  // Delayed by less than 32 ms: the loop raises the system timer resolution
  // while such tasks wait.
  bool is_high_res = false;
};

using TaskQueue = std::queue<PendingTask>;

namespace internal {

// True when a task's queueing and run times have a reader: the task
// profiler, through the births entry |births| or the calling thread's
// profiling record, or the flow trace of posted tasks. The clock costs more
// than a short task, so posting and running read it only then.
bool IsTaskTimingObserved(const trace_event::Births* births);

}  // namespace internal

// Delayed tasks, earliest first.
class DelayedTaskQueue {
 public:
  bool empty() const { return heap_.empty(); }
  size_t size() const { return heap_.size(); }
  const PendingTask& top() const { return heap_.front(); }
  void Push(PendingTask task);
  // Removes the earliest task and hands it over.
  PendingTask Pop();

 private:
  std::vector<PendingTask> heap_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_PENDING_TASK_H_
