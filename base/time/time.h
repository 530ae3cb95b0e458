// Time values and clocks.
//
// Three value types, each a signed 64-bit count of microseconds:
// - TimeDelta: a duration. TimeDelta::Max() means "forever".
// - Time: wall-clock time since 1601-01-01 00:00 UTC (the Windows file-time
//   epoch). 0 is the null time; Time::Max() means "never".
// - TimeTicks: a monotonic clock with an arbitrary origin; only differences
//   between two readings mean anything. Schedule with TimeTicks, show the
//   user Time.
//
// Arithmetic between them saturates instead of wrapping: adding
// TimeDelta::Max() to any time gives the maximum, and results below range
// become the negated maximum (-0x7fffffffffffffff).
//
//   TimeTicks deadline = TimeTicks::Now() + TimeDelta::FromSeconds(10);
//   ...
//   TimeDelta left = deadline - TimeTicks::Now();
//
// All functions are safe to call from any thread.
#ifndef BASE_TIME_TIME_H_
#define BASE_TIME_TIME_H_

#include <stdint.h>

#include <iosfwd>
#include <limits>

#include "base/wide_ostream.h"

struct _FILETIME;

namespace base {

class TimeDelta {
 public:
  constexpr TimeDelta() : delta_(0) {}

  static TimeDelta FromDays(int days);
  static TimeDelta FromHours(int hours);
  static TimeDelta FromMinutes(int minutes);
  static TimeDelta FromSeconds(int64_t seconds);
  static TimeDelta FromMilliseconds(int64_t milliseconds);
  static constexpr TimeDelta FromMicroseconds(int64_t microseconds) {
    return TimeDelta(microseconds);
  }
  static constexpr TimeDelta FromInternalValue(int64_t microseconds) {
    return TimeDelta(microseconds);
  }
  // The infinite duration.
  static constexpr TimeDelta Max() {
    return TimeDelta(std::numeric_limits<int64_t>::max());
  }

  // |value| + |delta|. On overflow: the maximum when |delta| is not negative,
  // the negated maximum when it is.
  static int64_t SaturatedAdd(int64_t value, TimeDelta delta);
  // |value| - |delta|. On overflow: the maximum when |delta| is negative, the
  // negated maximum otherwise.
  static int64_t SaturatedSub(int64_t value, TimeDelta delta);

  constexpr int64_t ToInternalValue() const { return delta_; }
  constexpr bool is_zero() const { return delta_ == 0; }
  constexpr bool is_max() const { return *this == Max(); }

  // Truncated toward zero; the maximum stays the maximum.
  int64_t InSeconds() const;
  int64_t InMilliseconds() const;
  constexpr int64_t InMicroseconds() const { return delta_; }

  TimeDelta operator+(TimeDelta other) const;
  TimeDelta operator-(TimeDelta other) const;
  TimeDelta operator-() const;
  TimeDelta& operator+=(TimeDelta other) { return *this = *this + other; }
  TimeDelta& operator-=(TimeDelta other) { return *this = *this - other; }

  constexpr bool operator==(TimeDelta other) const {
    return delta_ == other.delta_;
  }
  constexpr bool operator!=(TimeDelta other) const {
    return delta_ != other.delta_;
  }
  constexpr bool operator<(TimeDelta other) const {
    return delta_ < other.delta_;
  }
  constexpr bool operator<=(TimeDelta other) const {
    return delta_ <= other.delta_;
  }
  constexpr bool operator>(TimeDelta other) const {
    return delta_ > other.delta_;
  }
  constexpr bool operator>=(TimeDelta other) const {
    return delta_ >= other.delta_;
  }

 private:
  constexpr explicit TimeDelta(int64_t microseconds) : delta_(microseconds) {}

  int64_t delta_;
};

class Time {
 public:
  // Calendar fields, in the order of the Windows SYSTEMTIME record.
  struct Exploded {
    int year;          // Four digits, e.g. 2024.
    int month;         // 1 = January.
    int day_of_week;   // 0 = Sunday; ignored by FromExploded.
    int day_of_month;  // 1-based.
    int hour;          // 0-23.
    int minute;
    int second;
    int millisecond;
  };

  // Microseconds between 1601-01-01 and 1970-01-01.
  static constexpr int64_t kTimeTToMicrosecondsOffset = 11644473600000000LL;

  constexpr Time() : us_(0) {}

  // The wall clock, advancing with the monotonic clock's resolution and
  // re-based on the system time at least once a minute.
  static Time Now();
  // Re-bases the wall clock on the system time now and returns that time.
  static Time NowFromSystemTime();

  // 0 stays the null time, all bits set becomes Time::Max().
  static Time FromFileTime(const _FILETIME& file_time);

  // Builds a time from |exploded| read as local time. Fails with a null
  // |time| when a field is outside 0..65535 or the date does not exist.
  static bool FromExploded(const Exploded& exploded, Time* time);
  // The calendar fields of this time, local or UTC. A negative time, or one
  // the system cannot convert, gives all fields 0.
  void Explode(bool is_local, Exploded* exploded) const;

  static constexpr Time FromInternalValue(int64_t microseconds) {
    return Time(microseconds);
  }
  static constexpr Time Max() {
    return Time(std::numeric_limits<int64_t>::max());
  }
  constexpr int64_t ToInternalValue() const { return us_; }
  constexpr bool is_null() const { return us_ == 0; }
  constexpr bool is_max() const { return us_ == Max().us_; }

  // Seconds since 1970, truncated toward zero. The null time gives 0; times
  // whose Unix value would not fit give the largest 64-bit value.
  int64_t ToTimeT() const;
  // Milliseconds since 1970, truncated toward zero. The null time gives 0,
  // Time::Max() gives the largest 64-bit value.
  int64_t ToMillisecondsSinceUnixEpoch() const;

  // Counts requests for a 4 ms system timer period, which message loops make
  // while high-resolution delayed tasks are pending. The first activation
  // asks the system for the finer period, the last deactivation gives it
  // back; a deactivation without an activation is ignored.
  static void ActivateHighResolutionTimer(bool activate);

  TimeDelta operator-(Time other) const;
  Time operator+(TimeDelta delta) const;
  Time operator-(TimeDelta delta) const;
  Time& operator+=(TimeDelta delta) { return *this = *this + delta; }
  Time& operator-=(TimeDelta delta) { return *this = *this - delta; }

  constexpr bool operator==(Time other) const { return us_ == other.us_; }
  constexpr bool operator!=(Time other) const { return us_ != other.us_; }
  constexpr bool operator<(Time other) const { return us_ < other.us_; }
  constexpr bool operator<=(Time other) const { return us_ <= other.us_; }
  constexpr bool operator>(Time other) const { return us_ > other.us_; }
  constexpr bool operator>=(Time other) const { return us_ >= other.us_; }

 private:
  constexpr explicit Time(int64_t microseconds) : us_(microseconds) {}

  int64_t us_;
};

class TimeTicks {
 public:
  constexpr TimeTicks() : ticks_(0) {}

  // The monotonic clock: the performance counter where the processor keeps
  // it steady, else the millisecond multimedia timer extended to 48 bits.
  static TimeTicks Now();

  static constexpr TimeTicks FromInternalValue(int64_t microseconds) {
    return TimeTicks(microseconds);
  }
  constexpr int64_t ToInternalValue() const { return ticks_; }
  constexpr bool is_null() const { return ticks_ == 0; }

  TimeDelta operator-(TimeTicks other) const;
  TimeTicks operator+(TimeDelta delta) const;
  TimeTicks operator-(TimeDelta delta) const;
  TimeTicks& operator+=(TimeDelta delta) { return *this = *this + delta; }
  TimeTicks& operator-=(TimeDelta delta) { return *this = *this - delta; }

  constexpr bool operator==(TimeTicks other) const {
    return ticks_ == other.ticks_;
  }
  constexpr bool operator!=(TimeTicks other) const {
    return ticks_ != other.ticks_;
  }
  constexpr bool operator<(TimeTicks other) const {
    return ticks_ < other.ticks_;
  }
  constexpr bool operator<=(TimeTicks other) const {
    return ticks_ <= other.ticks_;
  }
  constexpr bool operator>(TimeTicks other) const {
    return ticks_ > other.ticks_;
  }
  constexpr bool operator>=(TimeTicks other) const {
    return ticks_ >= other.ticks_;
  }

 private:
  constexpr explicit TimeTicks(int64_t microseconds) : ticks_(microseconds) {}

  int64_t ticks_;
};

// True when the processor's time-stamp counter runs at a constant rate across
// cores and power states and can be trusted; computed once per process.
bool IsInvariantTscUsable();

// The time-stamp counter's frequency, measured against the performance
// counter from the first call on. 0.0 until 50 ms have passed since then.
double GetTscTicksPerSecond();

// For test failure messages.
std::ostream& operator<<(std::ostream& out, TimeDelta delta);
std::ostream& operator<<(std::ostream& out, Time time);
std::ostream& operator<<(std::ostream& out, TimeTicks ticks);

}  // namespace base

#endif  // BASE_TIME_TIME_H_
