// A source of monotonic time that tests can replace: code that schedules by
// TimeTicks takes a TickClock* and reads TimeTicks::Now() only when it is
// given none.
//
//   OneShotTimer timer(mock_runner->GetMockTickClock());
#ifndef BASE_TIME_TICK_CLOCK_H_
#define BASE_TIME_TICK_CLOCK_H_

#include "base/time/time.h"

namespace base {

class TickClock {
 public:
  virtual ~TickClock() = default;

  // The current monotonic time.
  virtual TimeTicks NowTicks() = 0;
};

}  // namespace base

#endif  // BASE_TIME_TICK_CLOCK_H_
