// A one-shot timer: runs a task once, after a delay, on a task runner, and
// can be restarted or stopped before then.
//
//   class Writer {
//     void ScheduleCommit() {
//       // Restarting pushes the commit back by the full interval.
//       timer_.Start(FROM_HERE, base::TimeDelta::FromSeconds(10),
//                    base::Bind(&Writer::Commit, base::Unretained(this)));
//     }
//     base::OneShotTimer timer_;  // declared after what Commit uses
//   };
//
// The task runs on the runner given through SetTaskRunner, else on the
// runner of the thread that starts the timer. It is released when the timer
// fires or stops, so it may hold references. Destroying the timer makes its
// queued task a no-op, which is why binding the owner with Unretained is
// safe when the timer is the owner's member.
//
// Restarting is cheap: when the new run time is not earlier than the one
// already queued, the queued task is kept and, when it comes due, re-posted
// for the time that remains.
//
// Tests drive a timer without sleeping by giving it a tick clock and a
// runner that share a mock time (testing/mock_time_task_runner.h):
//
//   scoped_refptr<testing_support::MockTimeTaskRunner> runner(
//       new testing_support::MockTimeTaskRunner);
//   base::OneShotTimer timer(runner->GetMockTickClock());
//   timer.SetTaskRunner(runner);
//   timer.Start(FROM_HERE, base::TimeDelta::FromSeconds(10), task);
//   runner->FastForwardBy(base::TimeDelta::FromSeconds(10));  // task ran
//
// A timer is used on one thread: the one that starts it, which must be the
// runner's thread.
#ifndef BASE_TIMER_TIMER_H_
#define BASE_TIMER_TIMER_H_

#include <stdint.h>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/scoped_refptr.h"
#include "base/single_thread_task_runner.h"
#include "base/time/time.h"

namespace base {

class TickClock;

namespace internal {
class TimerTask;
}

class Timer {
 public:
  // |tick_clock| supplies the time instead of TimeTicks::Now() when not
  // null; it must outlive the timer.
  explicit Timer(TickClock* tick_clock = nullptr);
  // A queued task becomes a no-op.
  virtual ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  // True from Start until the task runs or the timer stops.
  virtual bool IsRunning() const;

  // The delay of the last Start.
  virtual TimeDelta GetCurrentDelay() const;

  // Posts to |task_runner| from the next start on. Call it while the timer
  // is not running.
  virtual void SetTaskRunner(scoped_refptr<SingleThreadTaskRunner> task_runner);

  // Runs |user_task| once, |delay| from now, replacing a pending task and
  // delay. False, with nothing started, when there is no runner to post to
  // or it refuses the task.
  virtual bool Start(const Location& posted_from, TimeDelta delay,
                     Closure user_task);

  // Cancels the pending task, if any, and releases it.
  virtual void Stop();

  // Restarts the delay of the last Start from now. Does nothing and answers
  // false when there is no task to restart (never started, stopped, or
  // already run), or when the runner cannot take the task.
  virtual bool Reset();

 protected:
  // The current time: the tick clock's, else the monotonic clock's.
  TimeTicks Now() const;

 private:
  friend class internal::TimerTask;

  // Queues a new TimerTask to run after |delay|.
  bool PostNewScheduledTask(TimeDelta delay);
  // Makes the queued TimerTask a no-op and forgets it.
  void AbandonScheduledTask();
  // Abandons the queued task, then stops.
  void StopAndAbandon();
  // Called by the queued TimerTask when it runs.
  void RunScheduledTask();
  // The runner to post to; null when the calling thread has none.
  scoped_refptr<SingleThreadTaskRunner> GetTaskRunner() const;

  internal::TimerTask* scheduled_task_ = nullptr;
  // Null means the runner of the thread that starts the timer.
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  Location posted_from_;
  TimeDelta delay_;
  Closure user_task_;
  // When the queued TimerTask runs; null for an immediate task.
  TimeTicks scheduled_run_time_;
  // When the user task should run; null for immediately.
  TimeTicks desired_run_time_;
  // The thread that posted the first task.
  uint32_t thread_id_ = 0;
  TickClock* const tick_clock_;
  bool is_running_ = false;
};

// The name callers use: every timer of the system runs its task once.
class OneShotTimer : public Timer {
 public:
  using Timer::Timer;
};

}  // namespace base

#endif  // BASE_TIMER_TIMER_H_
