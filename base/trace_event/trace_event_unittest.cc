#include <stdint.h>

#include <thread>

#include <gtest/gtest.h>

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

// Queued tasks keep their posting time from the same clock, in milliseconds.
TEST(TaskStopwatchTest, TimesInMilliseconds) {
  TaskStopwatch stopwatch;
  stopwatch.Start();
  ::Sleep(30);
  stopwatch.Stop();
  uint32_t elapsed = stopwatch.end_time() - stopwatch.start_time();
  EXPECT_GE(elapsed, 20u);
  EXPECT_LT(elapsed, 5000u);
}

}  // namespace
}  // namespace trace_event
}  // namespace base
