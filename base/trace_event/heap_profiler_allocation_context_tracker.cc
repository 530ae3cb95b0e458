#include "base/trace_event/heap_profiler_allocation_context_tracker.h"

#include "base/command_line.h"
#include "base/logging.h"
#include "base/threading/thread_local_storage.h"

namespace base {
namespace trace_event {

const char kEnableHeapProfilingSwitch[] = "enable-heap-profiling";

// static
bool AllocationContextTracker::capture_enabled() {
  const CommandLine* command_line = CommandLine::ForCurrentProcess();
  return command_line && command_line->HasSwitch(kEnableHeapProfilingSwitch) &&
         command_line->GetSwitchValueASCII(kEnableHeapProfilingSwitch).empty();
}

// static
AllocationContextTracker* AllocationContextTracker::GetForCurrentThread() {
  // The record is freed with its thread.
  static ThreadLocalStorageSlot slot(&DestroyForThread);
  auto* tracker = static_cast<AllocationContextTracker*>(slot.Get());
  if (!tracker) {
    tracker = new AllocationContextTracker();
    slot.Set(tracker);
  }
  return tracker;
}

// static
void AllocationContextTracker::SetCurrentThreadName(const char* name) {
  GetForCurrentThread()->thread_name_ = name;
}

// static
void AllocationContextTracker::DestroyForThread(void* tracker) {
  delete static_cast<AllocationContextTracker*>(tracker);
}

void AllocationContextTracker::PushTaskContext(const char* context) {
  task_contexts_.push_back(context);
}

void AllocationContextTracker::PopTaskContext(const char* context) {
  CHECK(!task_contexts_.empty() && task_contexts_.back() == context)
      << "task contexts popped out of order";
  task_contexts_.pop_back();
}

}  // namespace trace_event
}  // namespace base
