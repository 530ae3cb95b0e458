// A source of wall-clock time that tests can replace: code that stores or
// compares dates takes a Clock* instead of calling Time::Now() directly.
//
//   DefaultClock clock;
//   PrefStore store(&clock);
#ifndef BASE_TIME_CLOCK_H_
#define BASE_TIME_CLOCK_H_

#include "base/time/time.h"

namespace base {

class Clock {
 public:
  virtual ~Clock() = default;

  // The current wall-clock time.
  virtual Time Now() = 0;
};

}  // namespace base

#endif  // BASE_TIME_CLOCK_H_
