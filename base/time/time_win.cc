// The Windows clocks: the wall clock kept smooth by the monotonic clock, the
// two monotonic tick sources, the high-resolution timer requests, the
// time-stamp counter and the calendar conversions.
#include "base/time/time.h"

#include "base/win/windows_types.h"

#include <mmsystem.h>
#include <x86intrin.h>

#include <atomic>

#include "base/cpu.h"
#include "base/logging.h"
#include "base/synchronization/lock.h"
#include "base/time/time_win_internal.h"

namespace base {

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1000000;

// ---- Tick sources ---------------------------------------------------------

DWORD WINAPI SystemMultimediaTime() { return ::timeGetTime(); }

std::atomic<internal::MultimediaTickFunction> g_multimedia_tick_function{
    &SystemMultimediaTime};

DWORD ReadMultimediaTimer() {
  return g_multimedia_tick_function.load(std::memory_order_acquire)();
}

// Low byte: top 8 bits of the last multimedia reading; high 16 bits: the
// number of 32-bit wraps seen so far.
std::atomic<uint32_t> g_rollover_state{0};

// Ticks per second of the performance counter, stored before the tick
// function pointer that needs it.
std::atomic<int64_t> g_performance_frequency{0};

TimeTicks PerformanceCounterNow() {
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return TimeTicks::FromInternalValue(
      internal::PerformanceCounterToMicroseconds(
          counter.QuadPart,
          g_performance_frequency.load(std::memory_order_acquire)));
}

TimeTicks InitialNowFunction();

using NowFunction = TimeTicks (*)();
std::atomic<NowFunction> g_now_function{&InitialNowFunction};

void InitializeNowFunctionPointer() {
  LARGE_INTEGER frequency;
  int64_t ticks_per_second =
      ::QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
  CpuInfo cpu;
  NowFunction now = internal::ShouldUsePerformanceCounter(
                        ticks_per_second,
                        cpu.has_non_stop_time_stamp_counter(),
                        cpu.vendor_name(), cpu.family(), cpu.extended_family())
                        ? &PerformanceCounterNow
                        : &internal::RolloverProtectedNow;
  // Racing initialisers store the same values; the frequency goes first so
  // that whoever sees the new function sees its frequency too.
  g_performance_frequency.store(ticks_per_second, std::memory_order_release);
  g_now_function.store(now, std::memory_order_release);
}

TimeTicks InitialNowFunction() {
  InitializeNowFunctionPointer();
  return g_now_function.load(std::memory_order_acquire)();
}

// ---- Wall clock -----------------------------------------------------------

// The moment the wall clock was last taken from the system: the tick
// reading and the system time, one pair. Readers must see both halves of
// the same re-base, so the pair is copied in and out under one lock.
struct ClockBase {
  int64_t ticks = 0;
  int64_t wall_time = 0;  // 0 until the first re-base.
};

// Never freed: the clock may be read while the process shuts down.
Lock& ClockBaseLock() {
  static Lock* lock = new Lock;
  return *lock;
}

ClockBase g_clock_base;  // Guarded by ClockBaseLock().

ClockBase ReadClockBase() {
  AutoLock hold(ClockBaseLock());
  return g_clock_base;
}

int64_t SystemTimeAsMicroseconds() {
  FILETIME file_time;
  ::GetSystemTimeAsFileTime(&file_time);
  ULARGE_INTEGER value;
  value.LowPart = file_time.dwLowDateTime;
  value.HighPart = file_time.dwHighDateTime;
  return static_cast<int64_t>(value.QuadPart / 10);
}

// Re-bases the wall clock and returns the new base. Two threads re-basing
// at once each store a pair of their own moment; either pair is right.
ClockBase InitializeClock() {
  ClockBase base;
  base.ticks = TimeTicks::Now().ToInternalValue();
  base.wall_time = SystemTimeAsMicroseconds();
  AutoLock hold(ClockBaseLock());
  g_clock_base = base;
  return base;
}

// The wall clock drifts from the tick clock; re-base at least this often.
constexpr int64_t kMaxMillisecondsBetweenRebases = 60000;

// ---- High-resolution timer requests ---------------------------------------

constexpr UINT kHighResolutionPeriodMs = 4;

UINT SystemBeginPeriod(UINT period) { return ::timeBeginPeriod(period); }
UINT SystemEndPeriod(UINT period) { return ::timeEndPeriod(period); }

// Guarded by HighResolutionLock().
internal::TimerPeriodFunctions g_timer_period_functions = {
    &SystemBeginPeriod, &SystemEndPeriod};
uint32_t g_high_resolution_activations = 0;

// Never freed: it may be taken while the process shuts down.
Lock& HighResolutionLock() {
  static Lock* lock = new Lock;
  return *lock;
}

// ---- Calendar ---------------------------------------------------------------

void ClearExploded(Time::Exploded* exploded) { *exploded = Time::Exploded{}; }

}  // namespace

namespace internal {

ScopedMultimediaTimerForTesting::ScopedMultimediaTimerForTesting(
    MultimediaTickFunction function, uint32_t rollover_state)
    : previous_function_(g_multimedia_tick_function.exchange(
          function, std::memory_order_acq_rel)),
      previous_state_(g_rollover_state.exchange(rollover_state,
                                                std::memory_order_acq_rel)) {}

ScopedMultimediaTimerForTesting::~ScopedMultimediaTimerForTesting() {
  g_rollover_state.store(previous_state_, std::memory_order_release);
  g_multimedia_tick_function.store(previous_function_,
                                   std::memory_order_release);
}

TimeTicks RolloverProtectedNow() {
  // Lock-free: whoever sees the timer's top byte fall counts one wrap and
  // publishes it with compare-and-swap; losers re-read and recompute.
  for (;;) {
    uint32_t state = g_rollover_state.load(std::memory_order_acquire);
    DWORD now = ReadMultimediaTimer();
    uint32_t last_top_byte = state & 0xFF;
    uint32_t rollovers = state >> 16;
    uint32_t top_byte = static_cast<uint32_t>(now) >> 24;
    if (top_byte < last_top_byte) rollovers = (rollovers + 1) & 0xFFFF;
    uint32_t new_state = (rollovers << 16) | top_byte;
    if (new_state != state &&
        !g_rollover_state.compare_exchange_strong(state, new_state,
                                                  std::memory_order_acq_rel)) {
      continue;
    }
    int64_t milliseconds =
        (static_cast<int64_t>(rollovers) << 32) + static_cast<uint32_t>(now);
    return TimeTicks::FromInternalValue(milliseconds * 1000);
  }
}

int64_t PerformanceCounterToMicroseconds(int64_t counter, int64_t frequency) {
  // Below this (9223372036855), counter * 1000000 fits in 64 bits.
  constexpr int64_t kMaxSafeCounter =
      std::numeric_limits<int64_t>::max() / kMicrosecondsPerSecond + 1;
  if (counter < kMaxSafeCounter)
    return counter * kMicrosecondsPerSecond / frequency;
  int64_t whole_seconds = counter / frequency;
  int64_t leftover = counter % frequency;
  return whole_seconds * kMicrosecondsPerSecond +
         leftover * kMicrosecondsPerSecond / frequency;
}

bool ShouldUsePerformanceCounter(int64_t frequency, bool invariant_tsc,
                                 const std::string& vendor, int family,
                                 int extended_family) {
  return frequency > 0 && invariant_tsc &&
         !HasUnreliableTimeStampCounter(vendor, family, extended_family);
}

ScopedTimerPeriodFunctionsForTesting::ScopedTimerPeriodFunctionsForTesting(
    const TimerPeriodFunctions& functions) {
  AutoLock hold(HighResolutionLock());
  previous_ = g_timer_period_functions;
  g_timer_period_functions = functions;
}

ScopedTimerPeriodFunctionsForTesting::~ScopedTimerPeriodFunctionsForTesting() {
  AutoLock hold(HighResolutionLock());
  g_timer_period_functions = previous_;
}

uint32_t GetHighResolutionActivationCountForTesting() {
  AutoLock hold(HighResolutionLock());
  return g_high_resolution_activations;
}

}  // namespace internal

// static
TimeTicks TimeTicks::Now() {
  return g_now_function.load(std::memory_order_acquire)();
}

// static
Time Time::Now() {
  // The base is read before the ticks, so the elapsed time is never negative.
  ClockBase base = ReadClockBase();
  if (base.wall_time == 0) base = InitializeClock();
  for (;;) {
    TimeDelta elapsed =
        TimeTicks::Now() - TimeTicks::FromInternalValue(base.ticks);
    if (elapsed.is_max() ||
        elapsed.InMilliseconds() > kMaxMillisecondsBetweenRebases) {
      base = InitializeClock();
      continue;
    }
    return Time(TimeDelta::SaturatedAdd(base.wall_time, elapsed));
  }
}

// static
Time Time::NowFromSystemTime() { return Time(InitializeClock().wall_time); }

// static
Time Time::FromFileTime(const FILETIME& file_time) {
  if (file_time.dwLowDateTime == 0 && file_time.dwHighDateTime == 0)
    return Time();
  if (file_time.dwLowDateTime == 0xFFFFFFFF &&
      file_time.dwHighDateTime == 0xFFFFFFFF) {
    return Max();
  }
  ULARGE_INTEGER value;
  value.LowPart = file_time.dwLowDateTime;
  value.HighPart = file_time.dwHighDateTime;
  return Time(static_cast<int64_t>(value.QuadPart / 10));
}

// static
bool Time::FromExploded(const Exploded& exploded, Time* time) {
  *time = Time();
  const int fields[] = {exploded.year,         exploded.month,
                        exploded.day_of_week,  exploded.day_of_month,
                        exploded.hour,         exploded.minute,
                        exploded.second,       exploded.millisecond};
  for (int field : fields) {
    if (field < 0 || field > 0xFFFF) return false;
  }
  SYSTEMTIME local = {};
  local.wYear = static_cast<WORD>(exploded.year);
  local.wMonth = static_cast<WORD>(exploded.month);
  local.wDayOfWeek = static_cast<WORD>(exploded.day_of_week);
  local.wDay = static_cast<WORD>(exploded.day_of_month);
  local.wHour = static_cast<WORD>(exploded.hour);
  local.wMinute = static_cast<WORD>(exploded.minute);
  local.wSecond = static_cast<WORD>(exploded.second);
  local.wMilliseconds = static_cast<WORD>(exploded.millisecond);

  SYSTEMTIME utc;
  FILETIME file_time;
  if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !::SystemTimeToFileTime(&utc, &file_time)) {
    return false;
  }
  ULARGE_INTEGER value;
  value.LowPart = file_time.dwLowDateTime;
  value.HighPart = file_time.dwHighDateTime;
  *time = Time(static_cast<int64_t>(value.QuadPart / 10));
  return true;
}

void Time::Explode(bool is_local, Exploded* exploded) const {
  ClearExploded(exploded);
  if (us_ < 0) return;
  int64_t hundreds_of_nanoseconds;
  if (__builtin_mul_overflow(us_, int64_t{10}, &hundreds_of_nanoseconds))
    return;
  ULARGE_INTEGER value;
  value.QuadPart = static_cast<ULONGLONG>(hundreds_of_nanoseconds);
  FILETIME file_time;
  file_time.dwLowDateTime = value.LowPart;
  file_time.dwHighDateTime = value.HighPart;

  SYSTEMTIME utc;
  if (!::FileTimeToSystemTime(&file_time, &utc)) return;
  SYSTEMTIME fields = utc;
  if (is_local && !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &fields))
    return;
  exploded->year = fields.wYear;
  exploded->month = fields.wMonth;
  exploded->day_of_week = fields.wDayOfWeek;
  exploded->day_of_month = fields.wDay;
  exploded->hour = fields.wHour;
  exploded->minute = fields.wMinute;
  exploded->second = fields.wSecond;
  exploded->millisecond = fields.wMilliseconds;
}

// static
void Time::ActivateHighResolutionTimer(bool activate) {
  AutoLock hold(HighResolutionLock());
  if (activate) {
    if (++g_high_resolution_activations == 1)
      g_timer_period_functions.begin_period(kHighResolutionPeriodMs);
    return;
  }
  if (g_high_resolution_activations == 0) {
    LOG(WARNING) << "High-resolution timer deactivated more often than "
                    "activated; ignored";
    return;
  }
  if (--g_high_resolution_activations == 0)
    g_timer_period_functions.end_period(kHighResolutionPeriodMs);
}

bool IsInvariantTscUsable() {
  static const bool usable = [] {
    CpuInfo cpu;
    return cpu.has_non_stop_time_stamp_counter() &&
           !HasUnreliableTimeStampCounter(cpu.vendor_name(), cpu.family(),
                                          cpu.extended_family());
  }();
  return usable;
}

double GetTscTicksPerSecond() {
  static std::atomic<double> cached_frequency{0.0};
  double cached = cached_frequency.load(std::memory_order_relaxed);
  if (cached != 0.0) return cached;

  // Raised so that nothing runs between the two counter readings.
  HANDLE thread = ::GetCurrentThread();
  int previous_priority = ::GetThreadPriority(thread);
  ::SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);

  struct Readings {
    uint64_t tsc;
    int64_t performance_counter;
  };
  static const Readings initial = [] {
    Readings readings;
    readings.tsc = __rdtsc();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    readings.performance_counter = counter.QuadPart;
    return readings;
  }();

  uint64_t tsc_now = __rdtsc();
  LARGE_INTEGER counter_now;
  ::QueryPerformanceCounter(&counter_now);
  ::SetThreadPriority(thread, previous_priority);

  LARGE_INTEGER frequency;
  if (!::QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0)
    return 0.0;
  double elapsed_seconds =
      static_cast<double>(counter_now.QuadPart - initial.performance_counter) /
      static_cast<double>(frequency.QuadPart);
  // Too short a span gives a poor estimate; the caller asks again later.
  constexpr double kMinimumMeasurementSeconds = 0.05;
  if (elapsed_seconds < kMinimumMeasurementSeconds) return 0.0;

  double tsc_ticks_per_second =
      static_cast<double>(tsc_now - initial.tsc) / elapsed_seconds;
  cached_frequency.store(tsc_ticks_per_second, std::memory_order_relaxed);
  return tsc_ticks_per_second;
}

}  // namespace base
