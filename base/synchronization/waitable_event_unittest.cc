#include "base/synchronization/waitable_event.h"

#include <thread>

#include <gtest/gtest.h>

namespace base {
namespace {

using ResetPolicy = WaitableEvent::ResetPolicy;
using InitialState = WaitableEvent::InitialState;

TEST(WaitableEventTest, ZeroDeltaAndPastDeadlinesOnlyPoll) {
  WaitableEvent automatic(ResetPolicy::AUTOMATIC, InitialState::SIGNALED);
  EXPECT_TRUE(automatic.TimedWait(TimeDelta()));
  EXPECT_FALSE(automatic.TimedWait(TimeDelta()));  // the poll reset it

  WaitableEvent manual(ResetPolicy::MANUAL, InitialState::NOT_SIGNALED);
  TimeTicks start = TimeTicks::Now();
  EXPECT_FALSE(manual.TimedWait(TimeDelta()));
  EXPECT_FALSE(manual.TimedWaitUntil(TimeTicks()));
  EXPECT_FALSE(manual.TimedWaitUntil(start));
  EXPECT_LT(TimeTicks::Now() - start, TimeDelta::FromMilliseconds(500));
  manual.Signal();
  EXPECT_TRUE(manual.TimedWaitUntil(start));
  EXPECT_TRUE(manual.TimedWait(TimeDelta()));  // still signalled
}

TEST(WaitableEventTest, TimeoutOfOneSystemWait) {
  const struct {
    int64_t remaining_us;
    DWORD milliseconds;
  } kCases[] = {
      {300, 1},
      {2500, 2},  // truncated; the rest is waited again
      {int64_t{0xFFFFFFFF} * 1000, 0xFFFFFFFE},  // finite stays finite
      {TimeDelta::Max().InMicroseconds(), INFINITE},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.milliseconds, internal::WaitTimeoutMilliseconds(
                                  TimeDelta::FromMicroseconds(c.remaining_us)))
        << c.remaining_us << " us";
  }
}

// The system rounds short timeouts to its tick and may wake early; the
// monotonic clock must still show the whole wait, every time. A signal from
// another thread ends even an unlimited wait.
TEST(WaitableEventTest, TimedWaitsEndAtTheDeadlineOrTheSignal) {
  WaitableEvent event(ResetPolicy::AUTOMATIC, InitialState::NOT_SIGNALED);
  for (int round = 0; round < 60; ++round) {
    for (int64_t us : {300, 1000, 2500, 3700}) {
      TimeDelta delta = TimeDelta::FromMicroseconds(us);
      TimeTicks start = TimeTicks::Now();
      ASSERT_FALSE(event.TimedWait(delta));
      TimeDelta elapsed = TimeTicks::Now() - start;
      ASSERT_GE(elapsed, delta) << "round " << round;
      ASSERT_GE(elapsed, TimeDelta::FromMilliseconds(1)) << "round " << round;

      TimeTicks deadline = TimeTicks::Now() + delta;
      ASSERT_FALSE(event.TimedWaitUntil(deadline));
      ASSERT_GE(TimeTicks::Now(), deadline) << "round " << round;
    }
  }

  for (int kind = 0; kind < 3; ++kind) {
    std::thread signaller([&] {
      ::Sleep(30);
      event.Signal();
    });
    if (kind == 0) {
      event.Wait();
    } else {
      EXPECT_TRUE(kind == 1 ? event.TimedWait(TimeDelta::Max())
                            : event.TimedWaitUntil(TimeTicks::Now() +
                                                   TimeDelta::FromHours(1)));
    }
    signaller.join();
  }
  EXPECT_FALSE(event.TimedWait(TimeDelta()));  // each wait reset it
}

}  // namespace
}  // namespace base
