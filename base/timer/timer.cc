#include "base/timer/timer.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/tick_clock.h"
#include "base/win/windows_types.h"

namespace base {
namespace internal {

// The object bound into each posted timer task. The timer forgets it when
// it abandons it, so a task left queued after a restart or after the
// timer's death runs as a no-op.
class TimerTask {
 public:
  explicit TimerTask(Timer* timer) : timer_(timer) {}
  // A task destroyed unrun (its runner refused it or shut down) stops its
  // timer: the timer would otherwise claim to run forever.
  ~TimerTask() {
    if (timer_) timer_->StopAndAbandon();
  }
  TimerTask(const TimerTask&) = delete;
  TimerTask& operator=(const TimerTask&) = delete;

  void Run() {
    if (!timer_) return;
    Timer* timer = timer_;
    timer_ = nullptr;
    timer->scheduled_task_ = nullptr;
    timer->RunScheduledTask();
  }

  void Abandon() { timer_ = nullptr; }

 private:
  Timer* timer_;
};

}  // namespace internal

Timer::Timer(TickClock* tick_clock) : tick_clock_(tick_clock) {}

Timer::~Timer() {
  StopAndAbandon();
  user_task_ = Closure();
  task_runner_ = nullptr;
}

bool Timer::IsRunning() const { return is_running_; }

TimeDelta Timer::GetCurrentDelay() const { return delay_; }

void Timer::SetTaskRunner(scoped_refptr<SingleThreadTaskRunner> task_runner) {
  task_runner_ = std::move(task_runner);
}

bool Timer::Start(const Location& posted_from, TimeDelta delay,
                  Closure user_task) {
  posted_from_ = posted_from;
  delay_ = delay;
  user_task_ = std::move(user_task);
  return Reset();
}

void Timer::Stop() {
  is_running_ = false;
  user_task_ = Closure();
}

bool Timer::Reset() {
  // After Stop or a run there is nothing left to restart; posting would
  // run an empty closure.
  if (user_task_.is_null()) return false;

  if (!scheduled_task_) return PostNewScheduledTask(delay_);

  desired_run_time_ = delay_ > TimeDelta() ? Now() + delay_ : TimeTicks();
  if (desired_run_time_ >= scheduled_run_time_) {
    // The queued task comes first; when it runs it re-posts for the rest.
    is_running_ = true;
    return true;
  }
  AbandonScheduledTask();
  return PostNewScheduledTask(delay_);
}

TimeTicks Timer::Now() const {
  return tick_clock_ ? tick_clock_->NowTicks() : TimeTicks::Now();
}

bool Timer::PostNewScheduledTask(TimeDelta delay) {
  scoped_refptr<SingleThreadTaskRunner> task_runner = GetTaskRunner();
  if (!task_runner) {
    LOG(ERROR) << "A timer started on a thread without a task runner, from "
               << posted_from_.function_name();
    Stop();
    return false;
  }
  uint32_t thread_id = ::GetCurrentThreadId();
  if (thread_id_ == 0) thread_id_ = thread_id;
  DCHECK_EQ(thread_id_, thread_id) << "A timer used on two threads";

  is_running_ = true;
  auto* task = new internal::TimerTask(this);
  scheduled_task_ = task;
  Closure closure = Bind(&internal::TimerTask::Run, Owned(task));
  bool posted;
  if (delay < TimeDelta::FromMicroseconds(1)) {
    scheduled_run_time_ = desired_run_time_ = TimeTicks();
    posted = task_runner->PostTask(posted_from_, std::move(closure));
  } else {
    scheduled_run_time_ = desired_run_time_ = Now() + delay;
    posted = task_runner->PostDelayedTask(posted_from_, std::move(closure),
                                          delay);
  }
  // A refused task has already stopped the timer through its destructor.
  if (!posted) {
    LOG(ERROR) << "The task runner refused the timer task from "
               << posted_from_.function_name();
  }
  return posted;
}

void Timer::AbandonScheduledTask() {
  if (!scheduled_task_) return;
  scheduled_task_->Abandon();
  scheduled_task_ = nullptr;
}

void Timer::StopAndAbandon() {
  AbandonScheduledTask();
  Stop();
}

void Timer::RunScheduledTask() {
  if (!is_running_) return;

  if (desired_run_time_ > scheduled_run_time_) {
    TimeTicks now = Now();
    if (desired_run_time_ > now) {
      PostNewScheduledTask(desired_run_time_ - now);
      return;
    }
  }

  // The task may restart or delete the timer: run a copy, after Stop.
  Closure task = user_task_;
  Stop();
  task.Run();
}

scoped_refptr<SingleThreadTaskRunner> Timer::GetTaskRunner() const {
  return task_runner_ ? task_runner_ : ThreadTaskRunnerHandle::Get();
}

}  // namespace base
