#include "base/trace_event/task_profiler.h"

#include "base/command_line.h"
#include "base/time/time.h"

namespace base {
namespace trace_event {

const char kProfilerTimingSwitch[] = "profiler-timing";

// static
bool ThreadData::IsProfilerTimingEnabled() {
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  return !command_line ||
         command_line->GetSwitchValueASCII(kProfilerTimingSwitch) != "0";
}

// static
void ThreadData::InitializeThreadContext(const std::string&) {
  // Profiling is never activated, so no thread gets a record.
}

// static
ThreadData* ThreadData::Get() { return nullptr; }

// static
Births* ThreadData::TallyBirth(ThreadData*, const Location&) {
  return nullptr;
}

// static
uint32_t ThreadData::Now() {
  return static_cast<uint32_t>(TimeTicks::Now().ToInternalValue() / 1000);
}

// static
void ThreadData::TallyTaskRun(const PendingTask&, const TaskStopwatch&,
                              Births*) {}

// static
void ThreadData::TallyDeath(ThreadData*, Births*, int32_t,
                            const TaskStopwatch&) {}

void TaskStopwatch::Start() {
  start_time_ = ThreadData::Now();
  thread_data_ = ThreadData::Get();
}

void TaskStopwatch::Stop() { end_time_ = ThreadData::Now(); }

}  // namespace trace_event
}  // namespace base
