#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "base/cpu.h"
#include "base/time/time.h"
#include "base/time/time_win_internal.h"
#include "base/win/windows_types.h"
#include "testing/child_process.h"

namespace base {
namespace {

using internal::RolloverProtectedNow;
using internal::ScopedMultimediaTimerForTesting;

DWORD g_fake_multimedia_time = 0;
DWORD WINAPI FakeMultimediaTime() { return g_fake_multimedia_time; }

// Reads the rollover-protected clock at |milliseconds| of the fake timer.
TimeTicks ReadAt(DWORD milliseconds) {
  g_fake_multimedia_time = milliseconds;
  return RolloverProtectedNow();
}

// The real timer advances too.
TEST(RolloverTest, WrapOfTheTimerCountsOneRollover) {
  TimeTicks first = RolloverProtectedNow();
  ::Sleep(30);
  EXPECT_GE((RolloverProtectedNow() - first).InMilliseconds(), 20);

  ScopedMultimediaTimerForTesting timer(&FakeMultimediaTime, 0);
  constexpr int64_t kLap = int64_t{1} << 32;
  EXPECT_EQ(int64_t{0xFF000000} * 1000, ReadAt(0xFF000000).ToInternalValue());
  EXPECT_EQ((kLap + 0x10) * 1000, ReadAt(0x00000010).ToInternalValue());
  // Reading again within the same lap counts nothing more.
  EXPECT_EQ((kLap + 0x10) * 1000, ReadAt(0x00000010).ToInternalValue());
  EXPECT_EQ((kLap + 0x7F000000) * 1000, ReadAt(0x7F000000).ToInternalValue());

  // The rollover count itself wraps at sixteen bits.
  ScopedMultimediaTimerForTesting wrapped(&FakeMultimediaTime, 0xFFFF00FF);
  EXPECT_EQ(int64_t{0x01000000} * 1000, ReadAt(0x01000000).ToInternalValue());
}

TEST(PerformanceCounterTest, ConversionNeverOverflows) {
  const int64_t frequencies[] = {10000000, 3579545, 2400000000LL, 1};
  // The last two take the split path.
  const int64_t counters[] = {0, 9223372036854, 9223372036855,
                              std::numeric_limits<int64_t>::max()};
  for (int64_t frequency : frequencies) {
    for (int64_t counter : counters) {
      if (frequency == 1 && counter > 9223372036854) continue;  // No fit.
      __int128 exact = static_cast<__int128>(counter) * 1000000 / frequency;
      EXPECT_EQ(static_cast<int64_t>(exact),
                internal::PerformanceCounterToMicroseconds(counter, frequency))
          << counter << " at " << frequency;
    }
  }
}

TEST(PerformanceCounterTest, ClockChoice) {
  struct Case {
    int64_t frequency;
    bool invariant_tsc;
    const char* vendor;
    int family;
    int extended_family;
    bool use_counter;
  } cases[] = {
      {10000000, true, "GenuineIntel", 6, 0, true},
      {0, true, "GenuineIntel", 6, 0, false},          // No counter.
      {10000000, false, "GenuineIntel", 6, 0, false},  // Drifting TSC.
      {10000000, true, "AuthenticAMD", 15, 0, false},  // Family 0Fh.
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.use_counter, internal::ShouldUsePerformanceCounter(
                                 c.frequency, c.invariant_tsc, c.vendor,
                                 c.family, c.extended_family))
        << c.vendor << " " << c.family << "+" << c.extended_family;
  }
}

Time SystemNow() {
  FILETIME system;
  ::GetSystemTimeAsFileTime(&system);
  return Time::FromFileTime(system);
}

// Readers compare the wall clock with the system's while another thread
// re-bases it. A reader that paired one base's ticks with another base's
// wall time would be off by the time between the two re-bases.
TEST(TimeTest, NowFollowsTheSystemClockWhileRebased) {
  // Wider than the system clock's 15.6 ms steps, well below the re-base
  // interval.
  constexpr int64_t kToleranceMs = 40;
  constexpr DWORD kRebaseIntervalMs = 80;
  std::atomic<bool> done{false};
  std::atomic<int64_t> worst_ms{0};
  auto check = [&worst_ms](Time before, Time now, Time after) {
    int64_t off = std::max((before - now).InMilliseconds(),
                           (now - after).InMilliseconds());
    int64_t worst = worst_ms.load();
    while (off > worst && !worst_ms.compare_exchange_weak(worst, off)) {
    }
  };
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) {
    readers.emplace_back([&] {
      while (!done) {
        Time before = SystemNow();
        Time now = Time::Now();
        check(before, now, SystemNow());
      }
    });
  }
  for (int i = 0; i < 12; ++i) {
    ::Sleep(kRebaseIntervalMs);
    Time before = SystemNow();
    Time rebased = Time::NowFromSystemTime();
    check(before, rebased, SystemNow());
  }
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_LT(worst_ms.load(), kToleranceMs);
}

TEST(TimeStampCounterTest, UsabilityAndFrequency) {
  CpuInfo cpu;
  // The installer refuses processors without SSE2; the brand keeps its
  // padding.
  EXPECT_TRUE(cpu.has_sse2());
  EXPECT_EQ(48u, cpu.cpu_brand().size());
  EXPECT_EQ(cpu.has_non_stop_time_stamp_counter() &&
                !HasUnreliableTimeStampCounter(
                    cpu.vendor_name(), cpu.family(), cpu.extended_family()),
            IsInvariantTscUsable());
  // Takes the initial readings if nobody did, at a raised priority that it
  // gives back.
  const int priority = ::GetThreadPriority(::GetCurrentThread());
  GetTscTicksPerSecond();
  EXPECT_EQ(priority, ::GetThreadPriority(::GetCurrentThread()));
  ::Sleep(60);
  double frequency = GetTscTicksPerSecond();
  EXPECT_GT(frequency, 1e7);
  EXPECT_EQ(frequency, GetTscTicksPerSecond());  // Cached.
}

std::vector<std::string>* g_period_calls = nullptr;
UINT RecordBegin(UINT period) {
  g_period_calls->push_back("begin " + std::to_string(period));
  return 0;
}
UINT RecordEnd(UINT period) {
  g_period_calls->push_back("end " + std::to_string(period));
  return 0;
}

TEST(HighResolutionTimerTest, OnlyFirstActivationAndLastDeactivationCall) {
  ASSERT_EQ(0u, internal::GetHighResolutionActivationCountForTesting());
  std::vector<std::string> calls;
  g_period_calls = &calls;
  {
    internal::ScopedTimerPeriodFunctionsForTesting recorded(
        {&RecordBegin, &RecordEnd});
    Time::ActivateHighResolutionTimer(true);
    Time::ActivateHighResolutionTimer(true);
    Time::ActivateHighResolutionTimer(false);
    EXPECT_EQ(std::vector<std::string>{"begin 4"}, calls);
    Time::ActivateHighResolutionTimer(false);
    EXPECT_EQ((std::vector<std::string>{"begin 4", "end 4"}), calls);

    // An unmatched deactivation neither wraps the count nor ends a period.
    Time::ActivateHighResolutionTimer(false);
    EXPECT_EQ(0u, internal::GetHighResolutionActivationCountForTesting());
    EXPECT_EQ(2u, calls.size());
  }
  g_period_calls = nullptr;

  Time::ActivateHighResolutionTimer(true);  // The real system calls.
  ::Sleep(5);
  Time::ActivateHighResolutionTimer(false);
  EXPECT_EQ(0u, internal::GetHighResolutionActivationCountForTesting());
}

// The child runs with this set and TZ naming a zone with daylight saving.
constexpr wchar_t kDaylightChildVariable[] = L"VELTO_TIME_DST_CHILD";
constexpr wchar_t kDaylightZone[] = L"America/New_York";

Time UtcTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME utc = {year, month, 0, day, hour, minute};
  FILETIME file_time;
  EXPECT_TRUE(::SystemTimeToFileTime(&utc, &file_time));
  return Time::FromFileTime(file_time);
}

Time::Exploded Local(Time time) {
  Time::Exploded exploded;
  time.Explode(true, &exploded);
  return exploded;
}

TEST(DaylightSavingChildTest, ExplodeAndRebuildAcrossBothChanges) {
  if (!::GetEnvironmentVariableW(kDaylightChildVariable, nullptr, 0))
    GTEST_SKIP() << "Runs in the child started by LocalTimeAcrossDaylight";
  EXPECT_EQ(7, Local(UtcTime(2021, 1, 15, 12, 0)).hour);  // EST, UTC-5.
  EXPECT_EQ(8, Local(UtcTime(2021, 7, 15, 12, 0)).hour);  // EDT, UTC-4.
  // 2021-03-14 07:00 UTC is 02:00 EST, which the clock shows as 03:00 EDT.
  Time::Exploded before = Local(UtcTime(2021, 3, 14, 6, 59));
  Time::Exploded after = Local(UtcTime(2021, 3, 14, 7, 0));
  EXPECT_EQ(1, before.hour);
  EXPECT_EQ(59, before.minute);
  EXPECT_EQ(3, after.hour);
  EXPECT_EQ(0, after.minute);
  EXPECT_EQ(14, after.day_of_month);

  for (Time change : {UtcTime(2021, 3, 14, 7, 0), UtcTime(2021, 11, 7, 6, 0)}) {
    for (int quarter = -16; quarter < 16; ++quarter) {
      Time time = change + TimeDelta::FromMinutes(15 * quarter);
      Time::Exploded exploded = Local(time);
      // 01:00-01:59 on the autumn day happens twice; either answer is right.
      if (exploded.month == 11 && exploded.hour == 1) continue;
      Time rebuilt;
      ASSERT_TRUE(Time::FromExploded(exploded, &rebuilt));
      EXPECT_EQ(time, rebuilt) << "quarter " << quarter << ", local "
                               << exploded.hour << ":" << exploded.minute;
    }
  }
}

// Wine takes the time zone from the Unix environment a process starts with,
// which a Windows parent cannot set for a Windows child.
TEST(LocalTimeTest, LocalTimeAcrossDaylight) {
  if (!testing_support::HasUnixShell())
    GTEST_SKIP() << "Needs Wine, whose time zone follows TZ";
  EXPECT_TRUE(testing_support::RunSelfInTimeZone(
      kDaylightZone, L"DaylightSavingChildTest.*", kDaylightChildVariable));
}

}  // namespace
}  // namespace base
