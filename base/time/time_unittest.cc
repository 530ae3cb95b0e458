#include "base/time/time.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/win/windows_types.h"

namespace base {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kNegatedMax = -kMax;
constexpr int64_t kUnixOffset = Time::kTimeTToMicrosecondsOffset;

TEST(TimeDeltaTest, SaturatedAdd) {
  struct Case {
    int64_t value;
    int64_t delta;
    int64_t expected;
  } cases[] = {
      {1, 2, 3},
      {kMax - 1, 5, kMax},
      {kNegatedMax, -5, kNegatedMax},
      {kMin, -1, kNegatedMax},
      {kMax, -5, kMax - 5},
      {kMax, kMax, kMax},
      {0, kMax, kMax},
      {-1, kMin, kNegatedMax},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, TimeDelta::SaturatedAdd(
                              c.value, TimeDelta::FromMicroseconds(c.delta)))
        << c.value << " + " << c.delta;
  }
}

TEST(TimeDeltaTest, SaturatedSub) {
  struct Case {
    int64_t value;
    int64_t delta;
    int64_t expected;
  } cases[] = {
      {5, 3, 2},
      {kMax, -1, kMax},
      {kNegatedMax, 5, kNegatedMax},
      {kMin, 1, kNegatedMax},
      // Subtracting the smallest value cannot be done by negating it first.
      {0, kMin, kMax},
      {-1, kMin, kMax},
      {kMax, kMax, 0},
      {kMin, kMin, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, TimeDelta::SaturatedSub(
                              c.value, TimeDelta::FromMicroseconds(c.delta)))
        << c.value << " - " << c.delta;
  }
}

TEST(TimeDeltaTest, OperatorsSaturateAtTheExtremes) {
  EXPECT_TRUE((TimeDelta::Max() + TimeDelta::FromMicroseconds(1)).is_max());
  EXPECT_EQ(kMax, (-TimeDelta::FromMicroseconds(kMin)).InMicroseconds());
  EXPECT_EQ(kNegatedMax, (-TimeDelta::Max()).InMicroseconds());
  EXPECT_EQ(kNegatedMax,
            (TimeDelta::FromMicroseconds(kMin) - TimeDelta::FromMicroseconds(1))
                .InMicroseconds());

  Time max_time = Time::Max();
  EXPECT_TRUE((max_time - Time::FromInternalValue(-5)).is_max());
  EXPECT_EQ(kNegatedMax,
            (Time::FromInternalValue(-5) - max_time).InMicroseconds());
  EXPECT_TRUE((Time::Now() + TimeDelta::Max()).is_max());
  EXPECT_EQ(kNegatedMax,
            (Time::FromInternalValue(kNegatedMax) - TimeDelta::FromSeconds(1))
                .ToInternalValue());

  TimeTicks late = TimeTicks::FromInternalValue(kMax - 10);
  TimeTicks early = TimeTicks::FromInternalValue(-100);
  EXPECT_TRUE((late - early).is_max());
  EXPECT_EQ(kNegatedMax, (early - late).InMicroseconds());
  EXPECT_EQ(kMax, (late + TimeDelta::FromMicroseconds(11)).ToInternalValue());
  EXPECT_EQ(kMax, (TimeTicks::Now() + TimeDelta::Max()).ToInternalValue());
}

TEST(TimeDeltaTest, UnitConversions) {
  EXPECT_EQ(90 * 60 * int64_t{1000000},
            TimeDelta::FromMinutes(90).InMicroseconds());
  EXPECT_EQ(172800, TimeDelta::FromDays(2).InSeconds());
  EXPECT_EQ(-1, TimeDelta::FromMicroseconds(-1500).InMilliseconds());
  EXPECT_EQ(1, TimeDelta::FromMicroseconds(1999).InMilliseconds());
  EXPECT_EQ(kMax, TimeDelta::Max().InMilliseconds());
  EXPECT_EQ(kMax, TimeDelta::Max().InSeconds());
  EXPECT_TRUE(TimeDelta::FromSeconds(kMax / 10).is_max());
  EXPECT_EQ(kNegatedMax,
            TimeDelta::FromMilliseconds(kMin / 10).InMicroseconds());
}

TEST(TimeTest, ToTimeT) {
  struct Case {
    int64_t time;
    int64_t expected;
  } cases[] = {
      {0, 0},
      {kUnixOffset, 0},
      {kUnixOffset + 1999999, 1},
      {kUnixOffset - 1999999, -1},  // Truncated toward zero.
      {kUnixOffset + 1700000000LL * 1000000, 1700000000},
      {0x7fd6a169b779bffeLL, (0x7fd6a169b779bffeLL - kUnixOffset) / 1000000},
      {0x7fd6a169b779bfffLL, kMax},
      {kMax, kMax},
      {kMin, (kNegatedMax) / 1000000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, Time::FromInternalValue(c.time).ToTimeT()) << c.time;
  }
}

TEST(TimeTest, ToMillisecondsSinceUnixEpoch) {
  struct Case {
    int64_t time;
    int64_t expected;
  } cases[] = {
      {0, 0},
      {kUnixOffset, 0},
      {kUnixOffset + 1999, 1},
      {kUnixOffset - 1999, -1},
      {kMax, kMax},
      {kMax - 1, (kMax - 1 - kUnixOffset) / 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected,
              Time::FromInternalValue(c.time).ToMillisecondsSinceUnixEpoch())
        << c.time;
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
      {19, 0, 1},
      {0, 1, 429496729},
      {0xFFFFFFFF, 0x7FFFFFFF, kMax / 10},
      // Only both halves set mean "never"; a full high half alone does not.
      {0xFFFFFFFE, 0xFFFFFFFF, static_cast<int64_t>(0xFFFFFFFFFFFFFFFEULL / 10)},
  };
  for (const Case& c : cases) {
    FILETIME file_time = {c.low, c.high};
    EXPECT_EQ(c.expected, Time::FromFileTime(file_time).ToInternalValue())
        << c.high << ":" << c.low;
  }
}

TEST(TimeTest, UtcExplode) {
  Time::Exploded exploded;
  Time::FromInternalValue(kUnixOffset).Explode(false, &exploded);
  EXPECT_EQ(1970, exploded.year);
  EXPECT_EQ(1, exploded.month);
  EXPECT_EQ(4, exploded.day_of_week);  // A Thursday.
  EXPECT_EQ(1, exploded.day_of_month);
  EXPECT_EQ(0, exploded.hour);

  // 2024-02-29 12:34:56.789 UTC.
  Time leap_day = Time::FromInternalValue(kUnixOffset +
                                          1709210096LL * 1000000 + 789000);
  leap_day.Explode(false, &exploded);
  EXPECT_EQ(2024, exploded.year);
  EXPECT_EQ(2, exploded.month);
  EXPECT_EQ(29, exploded.day_of_month);
  EXPECT_EQ(4, exploded.day_of_week);
  EXPECT_EQ(12, exploded.hour);
  EXPECT_EQ(34, exploded.minute);
  EXPECT_EQ(56, exploded.second);
  EXPECT_EQ(789, exploded.millisecond);
}

void ExpectAllZero(const Time::Exploded& e) {
  EXPECT_EQ(0, e.year | e.month | e.day_of_week | e.day_of_month | e.hour |
                   e.minute | e.second | e.millisecond);
}

TEST(TimeTest, ExplodeOfUnrepresentableTimesIsZero) {
  for (bool local : {false, true}) {
    Time::Exploded exploded;
    Time::FromInternalValue(-1).Explode(local, &exploded);
    ExpectAllZero(exploded);
    Time::Max().Explode(local, &exploded);
    ExpectAllZero(exploded);
  }
}

TEST(TimeTest, FromExplodedRefusesOutOfRangeFields) {
  const Time::Exploded valid = {2020, 6, 0, 15, 12, 30, 0, 0};
  Time time;
  ASSERT_TRUE(Time::FromExploded(valid, &time));
  EXPECT_FALSE(time.is_null());

  struct Case {
    const char* name;
    int Time::Exploded::*field;
    int value;
  } cases[] = {
      {"year 70000", &Time::Exploded::year, 70000},
      {"negative hour", &Time::Exploded::hour, -1},
      {"month 13", &Time::Exploded::month, 13},
      {"day 31 of June", &Time::Exploded::day_of_month, 31},
      {"minute 60", &Time::Exploded::minute, 60},
      {"millisecond 1000", &Time::Exploded::millisecond, 1000},
  };
  for (const Case& c : cases) {
    Time::Exploded exploded = valid;
    exploded.*c.field = c.value;
    time = Time::Now();
    EXPECT_FALSE(Time::FromExploded(exploded, &time)) << c.name;
    EXPECT_TRUE(time.is_null()) << c.name;
  }
}

TEST(TimeTest, LocalExplodeRoundTrips) {
  // Whole milliseconds survive the trip; finer parts are not in the fields.
  Time now = Time::FromInternalValue(Time::Now().ToInternalValue() / 1000 *
                                     1000);
  Time::Exploded exploded;
  now.Explode(true, &exploded);
  Time rebuilt;
  ASSERT_TRUE(Time::FromExploded(exploded, &rebuilt));
  EXPECT_EQ(now, rebuilt);
}

}  // namespace
}  // namespace base
