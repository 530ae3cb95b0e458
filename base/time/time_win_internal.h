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
namespace time_internal {

// The 32-bit millisecond reading behind the rollover-protected clock;
// timeGetTime unless a test replaced it.
using MultimediaTickFunction = DWORD (*)();

// Installs |function| (null restores timeGetTime); returns the previous one.
MultimediaTickFunction SetMultimediaTickFunctionForTesting(
    MultimediaTickFunction function);

// The rollover state word: low byte = top 8 bits of the last multimedia
// reading, high 16 bits = the number of 32-bit wraps seen so far.
uint32_t GetRolloverStateForTesting();
void SetRolloverStateForTesting(uint32_t state);

// The multimedia timer extended to 48 bits, in microseconds.
TimeTicks RolloverProtectedNow();

// The performance counter's reading |counter| in microseconds at |frequency|
// ticks per second, without overflow for any counter value.
int64_t PerformanceCounterToMicroseconds(int64_t counter, int64_t frequency);

// Whether the monotonic clock may use the performance counter.
bool ShouldUsePerformanceCounter(int64_t frequency, bool invariant_tsc,
                                 const std::string& vendor, int family,
                                 int extended_family);

// timeBeginPeriod and timeEndPeriod, replaceable for tests.
struct TimerPeriodFunctions {
  UINT (*begin_period)(UINT period);
  UINT (*end_period)(UINT period);
};

// Installs |functions| (null members restore the system calls); returns the
// previous ones.
TimerPeriodFunctions SetTimerPeriodFunctionsForTesting(
    TimerPeriodFunctions functions);

// The number of outstanding high-resolution timer activations.
uint32_t GetHighResolutionActivationCountForTesting();

}  // namespace time_internal
}  // namespace base

#endif  // BASE_TIME_TIME_WIN_INTERNAL_H_
