#include <stdint.h>

#include <thread>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/time/time.h"
#include "base/trace_event/heap_profiler_allocation_context_tracker.h"
#include "base/trace_event/task_profiler.h"
#include "base/trace_event/trace_log.h"
#include "base/win/windows_types.h"

namespace base {
namespace trace_event {
namespace {

int g_evaluations = 0;
const char* CountedText() {
  ++g_evaluations;
  return "text";
}

// No category is ever enabled, and a disabled site evaluates none of its
// arguments: a scoped and an instant site stand for their kinds.
TEST(TraceLogTest, DisabledSitesDoNotEvaluateArguments) {
  g_evaluations = 0;
  for (int i = 0; i < 3; ++i) {
    TRACE_EVENT2("toplevel", "MessageLoop::RunTask", "src_file", CountedText(),
                 "src_func", CountedText());
    TRACE_EVENT1("base", "MessagePumpForUI::ProcessMessageHelper", "message",
                 static_cast<long long>(++g_evaluations));
    TRACE_EVENT_FLOW_END1("disabled-by-default-toplevel.flow",
                          "MessageLoop::PostTask", i, "queue_duration",
                          static_cast<long long>(++g_evaluations));
  }
  EXPECT_EQ(0, g_evaluations);
}

// Each thread has its own stack of task contexts, popped innermost first.
TEST(AllocationContextTrackerDeathTest, TaskContextsArePerThreadAndNested) {
  AllocationContextTracker* tracker =
      AllocationContextTracker::GetForCurrentThread();
  ASSERT_NE(nullptr, tracker);
  EXPECT_EQ(tracker, AllocationContextTracker::GetForCurrentThread());

  tracker->PushTaskContext("Outer");
  tracker->PushTaskContext("Inner");
  AllocationContextTracker* other = nullptr;
  std::thread([&] {
    other = AllocationContextTracker::GetForCurrentThread();
    EXPECT_TRUE(other->task_contexts().empty());
    AllocationContextTracker::SetCurrentThreadName("Worker");
    EXPECT_STREQ("Worker", other->thread_name());
  }).join();
  EXPECT_NE(tracker, other);

  ASSERT_EQ(2u, tracker->task_contexts().size());
  EXPECT_STREQ("Inner", tracker->task_contexts().back());
  EXPECT_DEATH(tracker->PopTaskContext("Outer"), "out of order");
  tracker->PopTaskContext("Inner");
  tracker->PopTaskContext("Outer");
  EXPECT_TRUE(tracker->task_contexts().empty());
}

// Queued tasks keep their posting time from the same clock, in milliseconds:
// what the stopwatch measures lies between the time ticks read inside and
// outside it.
TEST(TaskStopwatchTest, TimesInMilliseconds) {
  TaskStopwatch stopwatch;
  const TimeTicks outer_start = TimeTicks::Now();
  stopwatch.Start();
  const TimeTicks inner_start = TimeTicks::Now();
  ::Sleep(30);
  const TimeTicks inner_end = TimeTicks::Now();
  stopwatch.Stop();
  const TimeTicks outer_end = TimeTicks::Now();
  const int64_t elapsed = stopwatch.end_time() - stopwatch.start_time();
  // One millisecond either way for the rounding of each reading.
  EXPECT_GE(elapsed, (inner_end - inner_start).InMilliseconds() - 1);
  EXPECT_LE(elapsed, (outer_end - outer_start).InMilliseconds() + 1);
  EXPECT_GE(elapsed, 20);
}

// The profiling switches, tried on the process command line and put back.
class ProfilingSwitchesTest : public ::testing::Test {
 protected:
  ProfilingSwitchesTest() {
    CommandLine::Init();
    command_line_ = CommandLine::ForCurrentProcess();
    saved_ = *command_line_;
  }
  ~ProfilingSwitchesTest() override { *command_line_ = saved_; }

  // The process command line as it was, with |name|=|value| added unless
  // |name| is null.
  void StartWith(const char* name, const char* value) {
    *command_line_ = saved_;
    if (name) command_line_->AppendSwitchASCII(name, value);
  }

  CommandLine* command_line_ = nullptr;
  CommandLine saved_{CommandLine::NO_PROGRAM};
};

TEST_F(ProfilingSwitchesTest, TimingIsOffOnlyForZero) {
  const struct {
    const char* value;  // null: no switch
    bool enabled;
  } kCases[] = {{nullptr, true}, {"0", false}, {"1", true}, {"", true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value ? c.value : "no switch");
    StartWith(c.value ? kProfilerTimingSwitch : nullptr, c.value);
    EXPECT_EQ(c.enabled, ThreadData::IsProfilerTimingEnabled());
  }
}

// Heap profiling needs the switch without a value; only then does a task's
// scope push its context.
TEST_F(ProfilingSwitchesTest, HeapProfilingOnlyForTheBareSwitch) {
  const struct {
    const char* value;  // null: no switch
    bool enabled;
  } kCases[] = {{nullptr, false}, {"", true}, {"native", false}};
  AllocationContextTracker* tracker =
      AllocationContextTracker::GetForCurrentThread();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value ? c.value : "no switch");
    StartWith(c.value ? kEnableHeapProfilingSwitch : nullptr, c.value);
    EXPECT_EQ(c.enabled, AllocationContextTracker::capture_enabled());
    {
      ScopedTaskContext context("Task");
      EXPECT_EQ(c.enabled ? 1u : 0u, tracker->task_contexts().size());
    }
    EXPECT_TRUE(tracker->task_contexts().empty());
  }
}

}  // namespace
}  // namespace trace_event
}  // namespace base
