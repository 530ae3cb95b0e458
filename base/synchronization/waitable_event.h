// A blocking signal between threads, over one kernel event.
//
//   WaitableEvent done(WaitableEvent::ResetPolicy::MANUAL,
//                      WaitableEvent::InitialState::NOT_SIGNALED);
//   // worker thread:
//   done.Signal();
//   // waiting thread:
//   if (!done.TimedWait(TimeDelta::FromSeconds(5))) return false;
//
// A manual-reset event stays signalled once signalled; an automatic-reset
// event is reset by the wait that sees it signalled, so each Signal() wakes
// one waiter. A timed wait never reports a time-out before its deadline has
// passed on the monotonic clock (TimeTicks), even when the system wakes it
// early; it may overshoot by the system's timer granularity.
//
// Any thread may signal; any number of threads may wait. The event is closed
// when the object is destroyed, so no thread may still wait on it then.
#ifndef BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
#define BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_

#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

class WaitableEvent {
 public:
  enum class ResetPolicy { MANUAL = 0, AUTOMATIC = 1 };
  enum class InitialState { SIGNALED = 0, NOT_SIGNALED = 1 };

  // Failing to create the kernel event stops the process.
  WaitableEvent(ResetPolicy reset_policy, InitialState initial_state);
  WaitableEvent(const WaitableEvent&) = delete;
  WaitableEvent& operator=(const WaitableEvent&) = delete;
  ~WaitableEvent();

  void Signal();

  // Waits until the event is signalled, without limit.
  void Wait();

  // True when the event is signalled within |wait_delta|. A zero (or
  // negative) delta only polls; TimeDelta::Max() waits without limit.
  bool TimedWait(TimeDelta wait_delta);

  // True when the event is signalled before |end_time|. A null or past
  // deadline only polls.
  bool TimedWaitUntil(TimeTicks end_time);

 private:
  bool Poll();
  bool WaitUntil(const void* program_counter, TimeTicks now,
                 TimeTicks end_time);

  win::ScopedHandle handle_;
};

namespace internal {

// The timeout of one system wait with |remaining| left before the deadline:
// at least 1 ms, so a sub-millisecond rest neither returns at once nor spins;
// INFINITE only for TimeDelta::Max(); any finite rest is capped below
// INFINITE, so a far but finite deadline still ends.
DWORD WaitTimeoutMilliseconds(TimeDelta remaining);

}  // namespace internal
}  // namespace base

#endif  // BASE_SYNCHRONIZATION_WAITABLE_EVENT_H_
