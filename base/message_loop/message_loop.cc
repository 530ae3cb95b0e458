#include "base/message_loop/message_loop.h"

#include <algorithm>
#include <atomic>
#include <utility>

#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/message_loop/message_loop_task_runner.h"
#include "base/message_loop/message_pump_default.h"
#include "base/run_loop.h"
#include "base/threading/thread_local_storage.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/trace_event/heap_profiler_allocation_context_tracker.h"
#include "base/trace_event/task_profiler.h"
#include "base/trace_event/trace_log.h"

namespace base {

namespace {

// Holds the thread's loop; the loop is owned elsewhere, so no destructor.
std::atomic<uintptr_t> g_loop_slot{kLazyInstanceStateNone};

ThreadLocalStorageSlot& LoopSlot() {
  return *GetOrCreateLazyPointer<ThreadLocalStorageSlot>(
      &g_loop_slot, [] { return new ThreadLocalStorageSlot(nullptr); });
}

// A task that keeps posting from its destructor is given up after this
// many passes at destruction.
constexpr int kMaxDestructionPasses = 100;

constexpr int kMaxStackFrames = 10;

// Wraps a destruction observer with the stack that added it.
class StackRecordingDestructionObserver
    : public MessageLoop::DestructionObserver {
 public:
  explicit StackRecordingDestructionObserver(
      MessageLoop::DestructionObserver* observer)
      : observer_(observer) {
    frame_count_ = ::CaptureStackBackTrace(1, kMaxStackFrames, frames_,
                                           nullptr);
  }

  void WillDestroyCurrentMessageLoop() override {
    // A copy on this stack, so a crash dump of the observer shows it.
    void* frames[kMaxStackFrames];
    std::copy(frames_, frames_ + kMaxStackFrames, frames);
    observer_->WillDestroyCurrentMessageLoop();
    asm volatile("" : : "r"(frames) : "memory");
  }

  MessageLoop::DestructionObserver* observer() const { return observer_; }

 private:
  MessageLoop::DestructionObserver* observer_;
  void* frames_[kMaxStackFrames] = {};
  USHORT frame_count_;
};

}  // namespace

MessageLoop::MessageLoop(Type type)
    : MessageLoop(type, MessagePumpFactoryCallback()) {
  BindToCurrentThread();
}

MessageLoop::MessageLoop(Type type, MessagePumpFactoryCallback pump_factory)
    : type_(type), pump_factory_(std::move(pump_factory)) {
  incoming_task_queue_ = new internal::IncomingTaskQueue(this);
  unbound_task_runner_ =
      new internal::MessageLoopTaskRunner(incoming_task_queue_);
  task_runner_ = unbound_task_runner_;
}

// static
std::unique_ptr<MessageLoop> MessageLoop::CreateUnbound(
    Type type, MessagePumpFactoryCallback pump_factory) {
  if (!pump_factory.is_null()) type = TYPE_CUSTOM;
  return std::unique_ptr<MessageLoop>(
      new MessageLoop(type, std::move(pump_factory)));
}

MessageLoop::~MessageLoop() {
  CHECK(thread_id_ == 0 || thread_id_ == ::GetCurrentThreadId())
      << "A message loop destroyed off its thread";
  CHECK(!run_loop_) << "A message loop destroyed while it runs";

  if (in_high_res_mode_) Time::ActivateHighResolutionTimer(false);

  // Destroying a task may post new ones; collect them in further passes.
  bool did_work = false;
  for (int pass = 0; pass < kMaxDestructionPasses; ++pass) {
    DeletePendingTasks();
    ReloadWorkQueue();
    did_work = DeletePendingTasks();
    if (!did_work) break;
  }
  if (did_work) {
    LOG(ERROR) << "Tasks still posting new tasks after "
               << kMaxDestructionPasses << " passes at loop destruction";
  }

  for (DestructionObserver& observer : destruction_observers_)
    observer.WillDestroyCurrentMessageLoop();

  thread_task_runner_handle_.reset();

  // From here on every post to this loop fails.
  incoming_task_queue_->WillDestroyCurrentMessageLoop();
  // Posts accepted after the last pass (an observer's, or another thread's
  // meanwhile) wait in the incoming queue, and nothing can join them now:
  // one more pass releases them here, on the loop's thread, rather than
  // with the last runner reference, wherever that goes. A reply waiting
  // there would otherwise keep its own runner, and so itself, alive.
  ReloadWorkQueue();
  DeletePendingTasks();
  incoming_task_queue_ = nullptr;
  unbound_task_runner_ = nullptr;
  task_runner_ = nullptr;

  if (thread_id_ != 0 && LoopSlot().Get() == this) LoopSlot().Set(nullptr);
}

void MessageLoop::BindToCurrentThread() {
  CHECK(!pump_) << "A message loop bound twice";
  CHECK(!current()) << "The thread already has a message loop";
  pump_ = pump_factory_.is_null() ? CreateMessagePumpForType(type_)
                                  : pump_factory_.Run();
  LoopSlot().Set(this);
  incoming_task_queue_->StartScheduling();
  unbound_task_runner_->BindToCurrentThread();
  unbound_task_runner_ = nullptr;
  thread_task_runner_handle_.reset();
  thread_task_runner_handle_.reset(new ThreadTaskRunnerHandle(task_runner_));
  thread_id_ = ::GetCurrentThreadId();
}

// static
MessageLoop* MessageLoop::current() {
  return static_cast<MessageLoop*>(LoopSlot().Get());
}

// static
std::unique_ptr<MessagePump> MessageLoop::CreateMessagePumpForType(Type type) {
  if (type == TYPE_UI) return std::make_unique<MessagePumpForUI>();
  if (type == TYPE_IO) return std::make_unique<MessagePumpForIO>();
  return std::make_unique<MessagePumpDefault>();
}

void MessageLoop::AddDestructionObserver(DestructionObserver* observer) {
  destruction_observers_.AddObserver(observer);
}

void MessageLoop::RemoveDestructionObserver(DestructionObserver* observer) {
  destruction_observers_.RemoveObserver(observer);
}

void MessageLoop::AddStackRecordingObserver(DestructionObserver* observer) {
  destruction_observers_.AddObserver(
      new StackRecordingDestructionObserver(observer));
}

void MessageLoop::RemoveStackRecordingObserver(DestructionObserver* observer) {
  for (DestructionObserver& entry : destruction_observers_) {
    auto* wrapper = dynamic_cast<StackRecordingDestructionObserver*>(&entry);
    if (wrapper && wrapper->observer() == observer) {
      destruction_observers_.RemoveObserver(wrapper);
      delete wrapper;
      return;
    }
  }
}

void MessageLoop::AddNestingObserver(NestingObserver* observer) {
  nesting_observers_.AddObserver(observer);
}

void MessageLoop::RemoveNestingObserver(NestingObserver* observer) {
  nesting_observers_.RemoveObserver(observer);
}

void MessageLoop::AddTaskObserver(TaskObserver* observer) {
  task_observers_.AddObserver(observer);
}

void MessageLoop::RemoveTaskObserver(TaskObserver* observer) {
  task_observers_.RemoveObserver(observer);
}

const scoped_refptr<SingleThreadTaskRunner>& MessageLoop::task_runner() const {
  return task_runner_;
}

bool MessageLoop::IsNested() const {
  return run_loop_ && run_loop_->run_depth_ > 1;
}

void MessageLoop::SetNextSequenceNumberForTesting(int sequence_num) {
  incoming_task_queue_->SetNextSequenceNumberForTesting(sequence_num);
}

void MessageLoop::RunHandler() {
  if (run_loop_->dispatcher_ && type_ == TYPE_UI) {
    static_cast<MessagePumpForUI*>(pump_.get())
        ->RunWithDispatcher(this, run_loop_->dispatcher_);
    return;
  }
  pump_->Run(this);
}

void MessageLoop::NotifyBeginNestedLoop() {
  for (NestingObserver& observer : nesting_observers_)
    observer.OnBeginNestedMessageLoop();
}

void MessageLoop::ScheduleWork() { pump_->ScheduleWork(); }

void MessageLoop::ReloadWorkQueue() {
  // One lock acquisition per batch: only when the work queue ran dry.
  if (!work_queue_.empty()) return;
  pending_high_res_tasks_ +=
      incoming_task_queue_->ReloadWorkQueue(&work_queue_);
}

void MessageLoop::RunTask(PendingTask* pending_task) {
  current_pending_task_ = pending_task;
  if (pending_task->is_high_res) {
    --pending_high_res_tasks_;
    CHECK_GE(pending_high_res_tasks_, 0);
  }
  nestable_tasks_allowed_ = false;
  {
    TRACE_EVENT2("toplevel", "MessageLoop::RunTask", "src_file",
                 pending_task->posted_from.file_name(), "src_func",
                 pending_task->posted_from.function_name());
    trace_event::ScopedTaskContext heap_context(
        pending_task->posted_from.function_name());

    for (TaskObserver& observer : task_observers_)
      observer.WillProcessTask(*pending_task);

    // Without a reader of the times the stopwatch would read the clock
    // twice for nothing, which costs more than a short task.
    bool timed = internal::IsTaskTimingObserved(pending_task->birth_tally);
    trace_event::TaskStopwatch stopwatch;
    if (timed) {
      stopwatch.Start();
      uint32_t queued_since = pending_task->delayed_run_time.is_null()
                                  ? pending_task->time_posted
                                  : static_cast<uint32_t>(
                                        pending_task->delayed_run_time
                                            .ToInternalValue() /
                                        1000);
      int32_t queue_duration =
          static_cast<int32_t>(stopwatch.start_time() - queued_since);
      TRACE_EVENT_FLOW_END1(
          "disabled-by-default-toplevel.flow", "MessageLoop::PostTask",
          (static_cast<uint64_t>(
               static_cast<uint32_t>(pending_task->sequence_num))
           << 32) |
              static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)),
          "queue_duration", queue_duration);
    }
    // Kept on the stack while the task runs, for crash dumps.
    const void* backtrace[5] = {pending_task->posted_from.program_counter()};
    std::copy(pending_task->task_backtrace.begin(),
              pending_task->task_backtrace.end(), backtrace + 1);
    {
      // The closure is released right after it ran, before the observers
      // hear of it.
      Closure task = std::move(pending_task->task);
      task.Run();
    }
    asm volatile("" : : "r"(backtrace) : "memory");
    if (timed) {
      stopwatch.Stop();
      trace_event::ThreadData::TallyTaskRun(*pending_task, stopwatch,
                                            pending_task->birth_tally);
    }

    for (TaskObserver& observer : task_observers_)
      observer.DidProcessTask(*pending_task);
  }
  nestable_tasks_allowed_ = true;
  current_pending_task_ = nullptr;
}

bool MessageLoop::DeferOrRunPendingTask(PendingTask pending_task) {
  if (pending_task.nestable || run_loop_->run_depth_ == 1) {
    RunTask(&pending_task);
    return true;
  }
  deferred_non_nestable_work_queue_.push(std::move(pending_task));
  return false;
}

void MessageLoop::AddToDelayedWorkQueue(PendingTask pending_task) {
  int sequence_num = pending_task.sequence_num;
  TimeTicks run_time = pending_task.delayed_run_time;
  delayed_work_queue_.Push(std::move(pending_task));
  if (delayed_work_queue_.top().sequence_num == sequence_num)
    pump_->ScheduleDelayedWork(run_time);
}

bool MessageLoop::DeletePendingTasks() {
  bool did_work = !work_queue_.empty();
  while (!work_queue_.empty()) {
    PendingTask pending_task = std::move(work_queue_.front());
    work_queue_.pop();
    if (!pending_task.delayed_run_time.is_null())
      delayed_work_queue_.Push(std::move(pending_task));
  }
  did_work |= !deferred_non_nestable_work_queue_.empty();
  while (!deferred_non_nestable_work_queue_.empty())
    deferred_non_nestable_work_queue_.pop();
  did_work |= !delayed_work_queue_.empty();
  while (!delayed_work_queue_.empty()) delayed_work_queue_.Pop();
  return did_work;
}

bool MessageLoop::DoWork() {
  if (!nestable_tasks_allowed_) return false;
  for (;;) {
    ReloadWorkQueue();
    if (work_queue_.empty()) break;
    do {
      PendingTask pending_task = std::move(work_queue_.front());
      work_queue_.pop();
      if (!pending_task.delayed_run_time.is_null()) {
        AddToDelayedWorkQueue(std::move(pending_task));
      } else if (DeferOrRunPendingTask(std::move(pending_task))) {
        return true;
      }
    } while (!work_queue_.empty());
  }
  return false;
}

bool MessageLoop::DoDelayedWork(TimeTicks* next_delayed_work_time) {
  if (!nestable_tasks_allowed_ || delayed_work_queue_.empty()) {
    recent_time_ = *next_delayed_work_time = TimeTicks();
    return false;
  }
  // The clock is read once per batch of ready tasks.
  TimeTicks next_run_time = delayed_work_queue_.top().delayed_run_time;
  if (next_run_time > recent_time_) {
    recent_time_ = TimeTicks::Now();
    if (next_run_time > recent_time_) {
      *next_delayed_work_time = next_run_time;
      return false;
    }
  }
  PendingTask pending_task = delayed_work_queue_.Pop();
  if (!delayed_work_queue_.empty())
    *next_delayed_work_time = delayed_work_queue_.top().delayed_run_time;
  return DeferOrRunPendingTask(std::move(pending_task));
}

bool MessageLoop::DoIdleWork() {
  if (run_loop_->run_depth_ == 1 &&
      !deferred_non_nestable_work_queue_.empty()) {
    PendingTask pending_task =
        std::move(deferred_non_nestable_work_queue_.front());
    deferred_non_nestable_work_queue_.pop();
    RunTask(&pending_task);
    return true;
  }
  if (run_loop_->quit_when_idle_received_) pump_->Quit();

  bool high_res = pending_high_res_tasks_ > 0;
  if (high_res != in_high_res_mode_) {
    in_high_res_mode_ = high_res;
    Time::ActivateHighResolutionTimer(high_res);
  }
  return false;
}

// static
MessageLoopForUI* MessageLoopForUI::current() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->IsType(TYPE_UI) ? static_cast<MessageLoopForUI*>(loop)
                                       : nullptr;
}

// static
MessageLoopForIO* MessageLoopForIO::current() {
  MessageLoop* loop = MessageLoop::current();
  return loop && loop->IsType(TYPE_IO) ? static_cast<MessageLoopForIO*>(loop)
                                       : nullptr;
}

bool MessageLoopForIO::RegisterIOHandler(HANDLE file_handle,
                                         IOHandler* handler) {
  return static_cast<MessagePumpForIO*>(pump())->RegisterIOHandler(file_handle,
                                                                   handler);
}

bool MessageLoopForIO::WaitForIOCompletion(DWORD timeout, IOHandler* filter) {
  return static_cast<MessagePumpForIO*>(pump())->WaitForIOCompletion(timeout,
                                                                     filter);
}

}  // namespace base
