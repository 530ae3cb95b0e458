// The task profiler's hooks: births (posts) and deaths (runs) of tasks.
//
// Posting code counts a birth for the posting location, and running code
// times each run with a TaskStopwatch and counts the death:
//
//   Births* births = ThreadData::TallyBirth(ThreadData::Get(), location);
//   ...
//   TaskStopwatch stopwatch;
//   stopwatch.Start();
//   RunTask(task);
//   stopwatch.Stop();
//   ThreadData::TallyTaskRun(task, stopwatch, births);
//
// Profiling is never active in this program: no thread has a profiling
// record, births are null, and nothing is counted. The clock (Now) is real,
// since queued tasks keep their posting time from it.
#ifndef BASE_TRACE_EVENT_TASK_PROFILER_H_
#define BASE_TRACE_EVENT_TASK_PROFILER_H_

#include <stdint.h>

#include <string>

namespace base {

class Location;
struct PendingTask;

namespace trace_event {

extern const char kProfilerTimingSwitch[];

// Counts of one posting location; never made while profiling is inactive.
class Births;

class TaskStopwatch;

// One thread's profiling record.
class ThreadData {
 public:
  // False only when the switch "profiler-timing" is "0".
  static bool IsProfilerTimingEnabled();

  // Gives the calling thread a record named |thread_name| while profiling
  // is active.
  static void InitializeThreadContext(const std::string& thread_name);

  // The calling thread's record, or null.
  static ThreadData* Get();

  // Counts one task posted from |location| by the thread of |record|; the
  // births entry, or null when |record| is null or profiling is inactive.
  static Births* TallyBirth(ThreadData* record, const Location& location);

  // The profiler clock: time ticks in milliseconds, wrapping at 32 bits.
  static uint32_t Now();

  // Count one finished task when it has a births entry.
  static void TallyTaskRun(const PendingTask& task,
                           const TaskStopwatch& stopwatch, Births* births);
  static void TallyDeath(ThreadData* record, Births* births,
                         int32_t queue_milliseconds,
                         const TaskStopwatch& stopwatch);

  ThreadData(const ThreadData&) = delete;
  ThreadData& operator=(const ThreadData&) = delete;

 private:
  ThreadData() = default;
};

// Times one task run, or one run loop, on the caller's stack.
class TaskStopwatch {
 public:
  TaskStopwatch() = default;
  TaskStopwatch(const TaskStopwatch&) = delete;
  TaskStopwatch& operator=(const TaskStopwatch&) = delete;

  // Records the start time and the calling thread's record.
  void Start();
  // Records the end time.
  void Stop();

  uint32_t start_time() const { return start_time_; }
  uint32_t end_time() const { return end_time_; }
  ThreadData* thread_data() const { return thread_data_; }

 private:
  uint32_t start_time_ = 0;
  uint32_t end_time_ = 0;
  ThreadData* thread_data_ = nullptr;
};

}  // namespace trace_event
}  // namespace base

#endif  // BASE_TRACE_EVENT_TASK_PROFILER_H_
