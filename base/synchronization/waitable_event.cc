#include "base/synchronization/waitable_event.h"

#include <stdint.h>

#include <limits>

#include "base/logging.h"
#include "base/trace_event/activity_tracker.h"

namespace base {

namespace {

constexpr TimeTicks kInfiniteDeadline =
    TimeTicks::FromInternalValue(std::numeric_limits<int64_t>::max());

}  // namespace

namespace internal {

DWORD WaitTimeoutMilliseconds(TimeDelta remaining) {
  if (remaining.is_max())
    return INFINITE;
  constexpr int64_t kMinimum = 1;
  // INFINITE itself would turn a finite wait into an endless one.
  constexpr int64_t kMaximum = INFINITE - 1;
  int64_t milliseconds = remaining.InMilliseconds();
  if (milliseconds < kMinimum)
    return kMinimum;
  if (milliseconds > kMaximum)
    return kMaximum;
  return static_cast<DWORD>(milliseconds);
}

}  // namespace internal

WaitableEvent::WaitableEvent(ResetPolicy reset_policy,
                             InitialState initial_state)
    : handle_(::CreateEventW(nullptr, reset_policy == ResetPolicy::MANUAL,
                             initial_state == InitialState::SIGNALED,
                             nullptr)) {
  if (!handle_.IsValid()) {
    DWORD error = ::GetLastError();
    CHECK(false) << "CreateEventW failed: " << error;
  }
}

WaitableEvent::~WaitableEvent() = default;

void WaitableEvent::Signal() {
  if (!::SetEvent(handle_.Get())) {
    DWORD error = ::GetLastError();
    CHECK(false) << "SetEvent failed: " << error;
  }
}

// Not inlined into callers, so the return address names the code that waits.
__attribute__((noinline)) void WaitableEvent::Wait() {
  trace_event::ScopedEventWaitActivity activity(__builtin_return_address(0),
                                                this);
  DWORD result = ::WaitForSingleObject(handle_.Get(), INFINITE);
  if (result != WAIT_OBJECT_0) {
    DWORD error = ::GetLastError();
    // Returning would tell the caller the event was signalled.
    CHECK(false) << "WaitForSingleObject returned " << result << ", error "
                 << error;
  }
}

__attribute__((noinline)) bool WaitableEvent::TimedWait(TimeDelta wait_delta) {
  if (wait_delta <= TimeDelta())
    return Poll();
  TimeTicks now = TimeTicks::Now();
  // Saturates: TimeDelta::Max() gives the infinite deadline.
  return WaitUntil(__builtin_return_address(0), now, now + wait_delta);
}

__attribute__((noinline)) bool WaitableEvent::TimedWaitUntil(
    TimeTicks end_time) {
  if (end_time.is_null())
    return Poll();
  TimeTicks now = TimeTicks::Now();
  if (end_time <= now)
    return Poll();
  return WaitUntil(__builtin_return_address(0), now, end_time);
}

bool WaitableEvent::Poll() {
  DWORD result = ::WaitForSingleObject(handle_.Get(), 0);
  if (result == WAIT_OBJECT_0)
    return true;
  if (result != WAIT_TIMEOUT)
    PLOG(ERROR) << "WaitForSingleObject returned " << result;
  return false;
}

bool WaitableEvent::WaitUntil(const void* program_counter, TimeTicks now,
                              TimeTicks end_time) {
  trace_event::ScopedEventWaitActivity activity(program_counter, this);
  TimeDelta remaining =
      end_time == kInfiniteDeadline ? TimeDelta::Max() : end_time - now;
  while (true) {
    DWORD result = ::WaitForSingleObject(
        handle_.Get(), internal::WaitTimeoutMilliseconds(remaining));
    if (result == WAIT_OBJECT_0)
      return true;
    if (result != WAIT_TIMEOUT) {
      PLOG(ERROR) << "WaitForSingleObject returned " << result;
      return false;
    }
    // The system may end a wait a little before its timeout: only the
    // monotonic clock decides whether the deadline has passed.
    remaining = end_time - TimeTicks::Now();
    if (remaining <= TimeDelta())
      return false;
  }
}

}  // namespace base
