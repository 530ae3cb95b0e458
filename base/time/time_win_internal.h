// The pieces of the Windows clocks that tests drive directly: the tick
// sources and their arithmetic, the rollover state of the multimedia timer,
// the system calls behind the high-resolution timer requests, and the choice
// of the monotonic clock. Production code uses time.h only.
#ifndef BASE_TIME_TIME_WIN_INTERNAL_H_
#define BASE_TIME_TIME_WIN_INTERNAL_H_

#include <stdint.h>

#include <string>

#include "base/time/time.h"
#include "base/win/windows_types.h"

namespace base {
namespace internal {

// The 32-bit millisecond reading behind the rollover-protected clock:
// timeGetTime.
using MultimediaTickFunction = DWORD(WINAPI*)();

// For tests only: the rollover-protected clock reads |function| instead of
// the multimedia timer and starts from |rollover_state| (laid out as
// time_win.cc says) for the scope's life; both come back as they were when it
// ends. Scopes nest; they must not overlap across threads.
//
//   ScopedMultimediaTimerForTesting timer(&FakeMultimediaTime, 0);
class ScopedMultimediaTimerForTesting {
 public:
  ScopedMultimediaTimerForTesting(MultimediaTickFunction function,
                                  uint32_t rollover_state);
  ~ScopedMultimediaTimerForTesting();
  ScopedMultimediaTimerForTesting(const ScopedMultimediaTimerForTesting&) =
      delete;
  ScopedMultimediaTimerForTesting&
  operator=(const ScopedMultimediaTimerForTesting&) = delete;

 private:
  MultimediaTickFunction previous_function_;
  uint32_t previous_state_;
};

// The multimedia timer extended to 48 bits, in microseconds.
TimeTicks RolloverProtectedNow();

// The performance counter's reading |counter| in microseconds at |frequency|
// ticks per second, without overflow for any counter value.
int64_t PerformanceCounterToMicroseconds(int64_t counter, int64_t frequency);

// Whether the monotonic clock may use the performance counter.
bool ShouldUsePerformanceCounter(int64_t frequency, bool invariant_tsc,
                                 const std::string& vendor, int family,
                                 int extended_family);

// The calls behind the high-resolution timer requests: timeBeginPeriod and
// timeEndPeriod.
struct TimerPeriodFunctions {
  UINT (*begin_period)(UINT period);
  UINT (*end_period)(UINT period);
};

// For tests only: the high-resolution timer requests call |functions| for
// the scope's life. Scopes nest; they must not overlap across threads.
class ScopedTimerPeriodFunctionsForTesting {
 public:
  explicit ScopedTimerPeriodFunctionsForTesting(
      const TimerPeriodFunctions& functions);
  ~ScopedTimerPeriodFunctionsForTesting();
  ScopedTimerPeriodFunctionsForTesting(
      const ScopedTimerPeriodFunctionsForTesting&) = delete;
  ScopedTimerPeriodFunctionsForTesting&
  operator=(const ScopedTimerPeriodFunctionsForTesting&) = delete;

 private:
  TimerPeriodFunctions previous_;
};

// The number of outstanding high-resolution timer activations.
uint32_t GetHighResolutionActivationCountForTesting();

}  // namespace internal
}  // namespace base

#endif  // BASE_TIME_TIME_WIN_INTERNAL_H_
