#include "base/time/time.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "base/time/default_clock.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kNegatedMax = -kMax;
constexpr int64_t kUnixOffset = Time::kTimeTToMicrosecondsOffset;

// The last row: subtracting the smallest value cannot be done by negating it
// first.
TEST(TimeDeltaTest, SaturatedAddAndSub) {
  struct Case {
    bool subtract;
    int64_t value;
    int64_t delta;
    int64_t expected;
  } cases[] = {
      {false, 1, 2, 3},       {false, kMax - 1, 5, kMax},
      {false, 0, kMax, kMax}, {false, kMin, -1, kNegatedMax},
      {true, 5, 3, 2},        {true, kMax, -1, kMax},
      {true, kMax, kMax, 0},  {true, kMin, 1, kNegatedMax},
      {true, 0, kMin, kMax},
  };
  for (const Case& c : cases) {
    TimeDelta delta = TimeDelta::FromMicroseconds(c.delta);
    EXPECT_EQ(c.expected, c.subtract ? TimeDelta::SaturatedSub(c.value, delta)
                                     : TimeDelta::SaturatedAdd(c.value, delta))
        << c.value << (c.subtract ? " - " : " + ") << c.delta;
  }
}

TEST(TimeDeltaTest, OperatorsSaturateAtTheExtremes) {
  EXPECT_TRUE((TimeDelta::Max() + TimeDelta::FromMicroseconds(1)).is_max());
  EXPECT_EQ(kMax, (-TimeDelta::FromMicroseconds(kMin)).InMicroseconds());
  EXPECT_EQ(kNegatedMax,
            (TimeDelta::FromMicroseconds(kMin) - TimeDelta::FromMicroseconds(1))
                .InMicroseconds());

  Time max_time = Time::Max();
  EXPECT_EQ(kNegatedMax,
            (Time::FromInternalValue(-5) - max_time).InMicroseconds());
  EXPECT_TRUE((Time::Now() + TimeDelta::Max()).is_max());
  EXPECT_EQ(kNegatedMax,
            (Time::FromInternalValue(kNegatedMax) - TimeDelta::FromSeconds(1))
                .ToInternalValue());

  TimeTicks late = TimeTicks::FromInternalValue(kMax - 10);
  TimeTicks early = TimeTicks::FromInternalValue(-100);
  EXPECT_EQ(kNegatedMax, (early - late).InMicroseconds());
  EXPECT_EQ(kMax, (TimeTicks::Now() + TimeDelta::Max()).ToInternalValue());
}

// Every comparison of the three types, at equality and on either side.
template <typename T>
void ExpectOrdered(T low, T high) {
  EXPECT_TRUE(low < high && !(high < low) && !(low < low));
  EXPECT_TRUE(low <= high && low <= low && !(high <= low));
  EXPECT_TRUE(high > low && !(low > high) && !(low > low));
  EXPECT_TRUE(high >= low && low >= low && !(low >= high));
  EXPECT_TRUE(low == low && !(low == high));
  EXPECT_TRUE(low != high && !(low != low));
}

TEST(TimeDeltaTest, Comparisons) {
  ExpectOrdered(TimeDelta::FromMicroseconds(-1), TimeDelta());
  ExpectOrdered(Time(), Time::FromInternalValue(1));
  ExpectOrdered(TimeTicks::FromInternalValue(-1), TimeTicks());
}

TEST(TimeDeltaTest, UnitConversions) {
  EXPECT_EQ(90 * 60 * int64_t{1000000},
            TimeDelta::FromMinutes(90).InMicroseconds());
  EXPECT_EQ(172800, TimeDelta::FromDays(2).InSeconds());
  EXPECT_EQ(-10800, TimeDelta::FromHours(-3).InSeconds());
  EXPECT_EQ(-1, TimeDelta::FromMicroseconds(-1500).InMilliseconds());
  EXPECT_EQ(1, TimeDelta::FromMicroseconds(1999).InMilliseconds());
  EXPECT_EQ(kMax, TimeDelta::Max().InMilliseconds());
  EXPECT_EQ(kMax, TimeDelta::Max().InSeconds());
  EXPECT_TRUE(TimeDelta::FromSeconds(kMax / 10).is_max());
  EXPECT_EQ(kNegatedMax,
            TimeDelta::FromMilliseconds(kMin / 10).InMicroseconds());
}

TEST(TimeTest, ToTimeTAndMillisecondsSinceUnixEpoch) {
  struct Case {
    int64_t time;
    int64_t time_t_value;
    int64_t milliseconds;
  } cases[] = {
      {0, 0, 0},
      {kUnixOffset - 1999999, -1, -1999},  // Truncated toward zero.
      {0x7fd6a169b779bffeLL, (0x7fd6a169b779bffeLL - kUnixOffset) / 1000000,
       (0x7fd6a169b779bffeLL - kUnixOffset) / 1000},
      {0x7fd6a169b779bfffLL, kMax, (0x7fd6a169b779bfffLL - kUnixOffset) / 1000},
      {kMax, kMax, kMax},
      // Its millisecond value is not part of the contract (not checked).
      {kMin, kNegatedMax / 1000000, 0},
  };
  for (const Case& c : cases) {
    Time time = Time::FromInternalValue(c.time);
    EXPECT_EQ(c.time_t_value, time.ToTimeT()) << c.time;
    if (c.time != kMin) {
      EXPECT_EQ(c.milliseconds, time.ToMillisecondsSinceUnixEpoch()) << c.time;
    }
  }
}

TEST(TimeTest, FromFileTime) {
  struct Case {
    DWORD low;
    DWORD high;
    int64_t expected;
  } cases[] = {
      {0, 0, 0},
      {0xFFFFFFFF, 0xFFFFFFFF, kMax},
      {0, 1, 429496729},
      // Only both halves set mean "never"; a full high half alone does not.
      {0xFFFFFFFE, 0xFFFFFFFF,
       static_cast<int64_t>(0xFFFFFFFFFFFFFFFEULL / 10)},
  };
  for (const Case& c : cases) {
    FILETIME file_time = {c.low, c.high};
    EXPECT_EQ(c.expected, Time::FromFileTime(file_time).ToInternalValue())
        << c.high << ":" << c.low;
  }
}

std::vector<int> Fields(const Time::Exploded& e) {
  return {e.year, e.month,  e.day_of_week, e.day_of_month,
          e.hour, e.minute, e.second,      e.millisecond};
}

TEST(TimeTest, Explode) {
  Time::Exploded e;
  Time::FromInternalValue(kUnixOffset).Explode(false, &e);
  EXPECT_EQ((std::vector<int>{1970, 1, 4, 1, 0, 0, 0, 0}), Fields(e));  // Thu
  // 2024-02-29 12:34:56.789 UTC.
  Time::FromInternalValue(kUnixOffset + 1709210096LL * 1000000 + 789000)
      .Explode(false, &e);
  EXPECT_EQ((std::vector<int>{2024, 2, 4, 29, 12, 34, 56, 789}), Fields(e));
  // Times the system cannot represent explode to zeros.
  for (bool local : {false, true}) {
    // The third one's file time would wrap round to 4.
    for (Time time : {Time::FromInternalValue(-1), Time::Max(),
                      Time::FromInternalValue(1844674407370955162)}) {
      time.Explode(local, &e);
      EXPECT_EQ(std::vector<int>(8, 0), Fields(e));
    }
  }

  // Local time round-trips; whole milliseconds survive, finer parts are not
  // in the fields.
  Time now =
      Time::FromInternalValue(Time::Now().ToInternalValue() / 1000 * 1000);
  now.Explode(true, &e);
  Time rebuilt;
  ASSERT_TRUE(Time::FromExploded(e, &rebuilt));
  EXPECT_EQ(now, rebuilt);
}

TEST(TimeTest, DefaultClockReadsTheWallClock) {
  DefaultClock clock;
  const Time before = Time::Now();
  const Time now = clock.Now();
  EXPECT_LE(before, now);
  EXPECT_LE(now, Time::Now());
}

TEST(TimeTest, FromExplodedRefusesOutOfRangeFields) {
  const Time::Exploded valid = {2020, 6, 0, 15, 12, 30, 0, 0};
  Time time;
  ASSERT_TRUE(Time::FromExploded(valid, &time));
  EXPECT_FALSE(time.is_null());

  struct Case {
    int Time::Exploded::*field;
    int value;
  } cases[] = {
      {&Time::Exploded::year, 70000},
      {&Time::Exploded::hour, -1},
      {&Time::Exploded::day_of_month, 31},  // June has 30 days
  };
  for (const Case& c : cases) {
    Time::Exploded exploded = valid;
    exploded.*c.field = c.value;
    time = Time::Now();
    EXPECT_FALSE(Time::FromExploded(exploded, &time)) << c.value;
    EXPECT_TRUE(time.is_null()) << c.value;
  }
}

}  // namespace
}  // namespace base
