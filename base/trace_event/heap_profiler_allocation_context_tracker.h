// The heap profiler's per-thread record of what the thread is working on:
// the names of the tasks it is running, innermost last, and its name.
//
// Message loops and worker pools push the posting function's name around
// each task, but only while heap profiling is switched on (the switch
// "enable-heap-profiling" with an empty value):
//
//   ScopedTaskContext context(task.posted_from.function_name());
//   task.Run();
//
// The record is made on the thread's first use and freed when the thread
// ends. Only its own thread touches it.
#ifndef BASE_TRACE_EVENT_HEAP_PROFILER_ALLOCATION_CONTEXT_TRACKER_H_
#define BASE_TRACE_EVENT_HEAP_PROFILER_ALLOCATION_CONTEXT_TRACKER_H_

#include <vector>

namespace base {
namespace trace_event {

extern const char kEnableHeapProfilingSwitch[];

class AllocationContextTracker {
 public:
  // True when the process was started with "--enable-heap-profiling" and no
  // value.
  static bool capture_enabled();

  // The calling thread's record, made on first use.
  static AllocationContextTracker* GetForCurrentThread();

  // Names the calling thread in its record; |name| must outlive the thread.
  static void SetCurrentThreadName(const char* name);

  AllocationContextTracker(const AllocationContextTracker&) = delete;
  AllocationContextTracker& operator=(const AllocationContextTracker&) =
      delete;

  // |context| must outlive its stay on the stack (a string literal or an
  // interned name).
  void PushTaskContext(const char* context);
  // Pops |context|, which must be the innermost one.
  void PopTaskContext(const char* context);

  const std::vector<const char*>& task_contexts() const {
    return task_contexts_;
  }
  const char* thread_name() const { return thread_name_; }

 private:
  AllocationContextTracker() = default;
  static void DestroyForThread(void* tracker);

  std::vector<const char*> task_contexts_;
  const char* thread_name_ = nullptr;
};

// Pushes a task's context for its scope while heap profiling is on, and
// pops it again at the end of the scope; does nothing otherwise.
class ScopedTaskContext {
 public:
  explicit ScopedTaskContext(const char* context)
      : context_(AllocationContextTracker::capture_enabled() ? context
                                                             : nullptr) {
    if (context_)
      AllocationContextTracker::GetForCurrentThread()->PushTaskContext(
          context_);
  }
  ~ScopedTaskContext() {
    if (context_)
      AllocationContextTracker::GetForCurrentThread()->PopTaskContext(
          context_);
  }
  ScopedTaskContext(const ScopedTaskContext&) = delete;
  ScopedTaskContext& operator=(const ScopedTaskContext&) = delete;

 private:
  const char* const context_;
};

}  // namespace trace_event
}  // namespace base

#endif  // BASE_TRACE_EVENT_HEAP_PROFILER_ALLOCATION_CONTEXT_TRACKER_H_
