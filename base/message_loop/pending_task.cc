#include "base/message_loop/pending_task.h"

#include <algorithm>
#include <utility>

#include "base/message_loop/message_loop.h"
#include "base/trace_event/task_profiler.h"
#include "base/trace_event/trace_log.h"

namespace base {

PendingTask::PendingTask(const Location& posted_from, Closure task,
                         TimeTicks delayed_run_time, bool nestable)
    : birth_tally(trace_event::ThreadData::TallyBirth(
          trace_event::ThreadData::Get(), posted_from)),
      delayed_run_time(delayed_run_time),
      task(std::move(task)),
      posted_from(posted_from),
      nestable(nestable) {
  if (internal::IsTaskTimingObserved(birth_tally))
    time_posted = trace_event::ThreadData::Now();
  const MessageLoop* loop = MessageLoop::current();
  const PendingTask* parent = loop ? loop->current_pending_task() : nullptr;
  if (!parent) return;
  task_backtrace[0] = parent->posted_from.program_counter();
  std::copy(parent->task_backtrace.begin(), parent->task_backtrace.end() - 1,
            task_backtrace.begin() + 1);
}

PendingTask::PendingTask(PendingTask&& other) noexcept = default;
PendingTask& PendingTask::operator=(PendingTask&& other) noexcept = default;
PendingTask::~PendingTask() = default;

bool PendingTask::operator<(const PendingTask& other) const {
  // The heap keeps its largest element on top, so the later task is the
  // smaller one.
  if (delayed_run_time != other.delayed_run_time)
    return delayed_run_time > other.delayed_run_time;
  // Sequence numbers wrap: compare their difference, not the numbers.
  int32_t difference = static_cast<int32_t>(
      static_cast<uint32_t>(sequence_num) -
      static_cast<uint32_t>(other.sequence_num));
  return difference > 0;
}

namespace internal {

bool IsTaskTimingObserved(const trace_event::Births* births) {
  // Looked up once, as every trace site does; the byte may change later.
  static const unsigned char* flow_category =
      trace_event::TraceLog::GetInstance()->GetCategoryGroupEnabled(
          "disabled-by-default-toplevel.flow");
  return births || trace_event::ThreadData::Get() ||
         trace_event::internal::IsCategoryEnabled(flow_category);
}

}  // namespace internal

void DelayedTaskQueue::Push(PendingTask task) {
  heap_.push_back(std::move(task));
  std::push_heap(heap_.begin(), heap_.end());
}

PendingTask DelayedTaskQueue::Pop() {
  std::pop_heap(heap_.begin(), heap_.end());
  PendingTask task = std::move(heap_.back());
  heap_.pop_back();
  return task;
}

}  // namespace base
