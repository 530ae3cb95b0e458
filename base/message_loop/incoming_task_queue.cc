#include "base/message_loop/incoming_task_queue.h"

#include <utility>

#include "base/memory/thread_safe_ref_count.h"
#include "base/message_loop/message_loop.h"
#include "base/trace_event/trace_log.h"

namespace base {
namespace internal {

namespace {

// Tasks delayed by less than this raise the system timer resolution.
constexpr int64_t kHighResolutionDelayMilliseconds = 32;

class SharedLockHolder {
 public:
  explicit SharedLockHolder(SRWLOCK* lock) : lock_(lock) {
    ::AcquireSRWLockShared(lock_);
  }
  ~SharedLockHolder() { ::ReleaseSRWLockShared(lock_); }
  SharedLockHolder(const SharedLockHolder&) = delete;
  SharedLockHolder& operator=(const SharedLockHolder&) = delete;

 private:
  SRWLOCK* lock_;
};

}  // namespace

IncomingTaskQueue::IncomingTaskQueue(MessageLoop* message_loop)
    : message_loop_(message_loop) {}

IncomingTaskQueue::~IncomingTaskQueue() = default;

void IncomingTaskQueue::AddRef() const {
  ref_count_.fetch_add(1, std::memory_order_relaxed);
}

void IncomingTaskQueue::Release() const {
  if (DropThreadSafeReference(&ref_count_)) delete this;
}

bool IncomingTaskQueue::AddToIncomingQueue(const Location& from_here,
                                           Closure task, TimeDelta delay,
                                           bool nestable) {
  bool delayed = delay > TimeDelta();
  TimeTicks run_time = delayed ? TimeTicks::Now() + delay : TimeTicks();
  PendingTask pending_task(from_here, std::move(task), run_time, nestable);
  pending_task.is_high_res =
      delayed && delay.InMilliseconds() < kHighResolutionDelayMilliseconds;

  bool schedule_work = false;
  SharedLockHolder loop_lock(&message_loop_lock_);
  if (!message_loop_) {
    // The loop is gone; |pending_task| releases the closure on this thread.
    return false;
  }
  {
    AutoLock hold(incoming_queue_lock_);
    if (pending_task.is_high_res) ++high_res_task_count_;
    pending_task.sequence_num = static_cast<int>(next_sequence_num_++);
    TRACE_EVENT_FLOW_BEGIN0(
        "disabled-by-default-toplevel.flow", "MessageLoop::PostTask",
        (static_cast<uint64_t>(
             static_cast<uint32_t>(pending_task.sequence_num))
         << 32) |
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(message_loop_)));
    bool was_empty = incoming_queue_.empty();
    incoming_queue_.push(std::move(pending_task));
    if (is_ready_for_scheduling_ && !message_loop_scheduled_ && was_empty) {
      message_loop_scheduled_ = true;
      schedule_work = true;
    }
  }
  // Outside the queue lock, so other posts go on while the pump is woken;
  // the shared lock keeps the loop alive meanwhile.
  if (schedule_work) message_loop_->ScheduleWork();
  return true;
}

int IncomingTaskQueue::ReloadWorkQueue(TaskQueue* work_queue) {
  AutoLock hold(incoming_queue_lock_);
  if (incoming_queue_.empty()) {
    message_loop_scheduled_ = false;
  } else {
    incoming_queue_.swap(*work_queue);
  }
  int high_res_tasks = high_res_task_count_;
  high_res_task_count_ = 0;
  return high_res_tasks;
}

void IncomingTaskQueue::StartScheduling() {
  bool schedule_work;
  {
    AutoLock hold(incoming_queue_lock_);
    is_ready_for_scheduling_ = true;
    schedule_work = !incoming_queue_.empty();
    if (schedule_work) message_loop_scheduled_ = true;
  }
  if (schedule_work) message_loop_->ScheduleWork();
}

void IncomingTaskQueue::WillDestroyCurrentMessageLoop() {
  ::AcquireSRWLockExclusive(&message_loop_lock_);
  message_loop_ = nullptr;
  ::ReleaseSRWLockExclusive(&message_loop_lock_);
}

void IncomingTaskQueue::SetNextSequenceNumberForTesting(int sequence_num) {
  AutoLock hold(incoming_queue_lock_);
  next_sequence_num_ = static_cast<uint32_t>(sequence_num);
}

}  // namespace internal
}  // namespace base
