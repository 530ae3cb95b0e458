// The platform-independent arithmetic and conversions of the time types. The
// clocks and calendar conversions live in time_win.cc.
#include "base/time/time.h"

#include <ostream>

namespace base {

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
// Saturated results below range stop one above the smallest value, so that
// negating them is still exact.
constexpr int64_t kNegatedMax = -kMax;

constexpr int64_t kMicrosecondsPerMillisecond = 1000;
constexpr int64_t kMicrosecondsPerSecond = 1000 * kMicrosecondsPerMillisecond;

TimeDelta SaturatedFromUnits(int64_t count, int64_t microseconds_per_unit) {
  int64_t product;
  if (__builtin_mul_overflow(count, microseconds_per_unit, &product))
    product = count < 0 ? kNegatedMax : kMax;
  return TimeDelta::FromMicroseconds(product);
}

// Microseconds since 1970; the earliest times saturate instead of wrapping.
int64_t SinceUnixEpoch(int64_t since_1601) {
  return TimeDelta::SaturatedSub(
      since_1601, TimeDelta::FromMicroseconds(Time::kTimeTToMicrosecondsOffset));
}

}  // namespace

// static
TimeDelta TimeDelta::FromDays(int days) {
  return SaturatedFromUnits(days, 24 * 60 * 60 * kMicrosecondsPerSecond);
}

// static
TimeDelta TimeDelta::FromHours(int hours) {
  return SaturatedFromUnits(hours, 60 * 60 * kMicrosecondsPerSecond);
}

// static
TimeDelta TimeDelta::FromMinutes(int minutes) {
  return SaturatedFromUnits(minutes, 60 * kMicrosecondsPerSecond);
}

// static
TimeDelta TimeDelta::FromSeconds(int64_t seconds) {
  return SaturatedFromUnits(seconds, kMicrosecondsPerSecond);
}

// static
TimeDelta TimeDelta::FromMilliseconds(int64_t milliseconds) {
  return SaturatedFromUnits(milliseconds, kMicrosecondsPerMillisecond);
}

// static
int64_t TimeDelta::SaturatedAdd(int64_t value, TimeDelta delta) {
  int64_t sum;
  if (__builtin_add_overflow(value, delta.delta_, &sum))
    return delta.delta_ >= 0 ? kMax : kNegatedMax;
  return sum;
}

// static
int64_t TimeDelta::SaturatedSub(int64_t value, TimeDelta delta) {
  int64_t difference;
  if (__builtin_sub_overflow(value, delta.delta_, &difference))
    return delta.delta_ < 0 ? kMax : kNegatedMax;
  return difference;
}

int64_t TimeDelta::InSeconds() const {
  if (is_max()) return kMax;
  return delta_ / kMicrosecondsPerSecond;
}

int64_t TimeDelta::InMilliseconds() const {
  if (is_max()) return kMax;
  return delta_ / kMicrosecondsPerMillisecond;
}

TimeDelta TimeDelta::operator+(TimeDelta other) const {
  return TimeDelta(SaturatedAdd(delta_, other));
}

TimeDelta TimeDelta::operator-(TimeDelta other) const {
  return TimeDelta(SaturatedSub(delta_, other));
}

TimeDelta TimeDelta::operator-() const {
  return TimeDelta(SaturatedSub(0, *this));
}

int64_t Time::ToTimeT() const {
  if (is_null()) return 0;
  // Beyond this the Unix value would not fit; such times mean "never".
  if (us_ >= kMax - kTimeTToMicrosecondsOffset) return kMax;
  return SinceUnixEpoch(us_) / kMicrosecondsPerSecond;
}

int64_t Time::ToMillisecondsSinceUnixEpoch() const {
  if (is_null()) return 0;
  if (is_max()) return kMax;
  return SinceUnixEpoch(us_) / kMicrosecondsPerMillisecond;
}

TimeDelta Time::operator-(Time other) const {
  return TimeDelta::FromMicroseconds(
      TimeDelta::SaturatedSub(us_, TimeDelta::FromMicroseconds(other.us_)));
}

Time Time::operator+(TimeDelta delta) const {
  return Time(TimeDelta::SaturatedAdd(us_, delta));
}

Time Time::operator-(TimeDelta delta) const {
  return Time(TimeDelta::SaturatedSub(us_, delta));
}

TimeDelta TimeTicks::operator-(TimeTicks other) const {
  return TimeDelta::FromMicroseconds(TimeDelta::SaturatedSub(
      ticks_, TimeDelta::FromMicroseconds(other.ticks_)));
}

TimeTicks TimeTicks::operator+(TimeDelta delta) const {
  return TimeTicks(TimeDelta::SaturatedAdd(ticks_, delta));
}

TimeTicks TimeTicks::operator-(TimeDelta delta) const {
  return TimeTicks(TimeDelta::SaturatedSub(ticks_, delta));
}

std::ostream& operator<<(std::ostream& out, TimeDelta delta) {
  return out << delta.InMicroseconds() << " us";
}

std::ostream& operator<<(std::ostream& out, Time time) {
  return out << "Time(" << time.ToInternalValue() << ")";
}

std::ostream& operator<<(std::ostream& out, TimeTicks ticks) {
  return out << "TimeTicks(" << ticks.ToInternalValue() << ")";
}

}  // namespace base
