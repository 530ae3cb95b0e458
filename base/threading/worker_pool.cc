#include "base/threading/worker_pool.h"

#include <atomic>
#include <memory>
#include <utility>

#include "base/logging.h"
#include "base/message_loop/pending_task.h"
#include "base/threading/post_task_and_reply_impl.h"
#include "base/threading/thread_local_storage.h"
#include "base/trace_event/heap_profiler_allocation_context_tracker.h"
#include "base/trace_event/task_profiler.h"
#include "base/trace_event/trace_log.h"

namespace base {

namespace {

std::atomic<WorkerPool::QueueUserWorkItemFunction> g_queue_user_work_item{
    &::QueueUserWorkItem};

// Marks the pool threads while they run one of our tasks.
ThreadLocalStorageSlot& RunningTaskSlot() {
  static ThreadLocalStorageSlot slot(nullptr);
  return slot;
}

DWORD CALLBACK WorkItemCallback(void* param) {
  std::unique_ptr<PendingTask> pending_task(static_cast<PendingTask*>(param));
  TRACE_EVENT2("toplevel", "WorkerThread::ThreadMain::Run", "src_file",
               pending_task->posted_from.file_name(), "src_func",
               pending_task->posted_from.function_name());
  trace_event::ScopedTaskContext heap_context(
      pending_task->posted_from.function_name());

  RunningTaskSlot().SetBoolean(true);
  trace_event::TaskStopwatch stopwatch;
  stopwatch.Start();
  {
    // Released here, on the pool thread, before the mark is cleared.
    Closure task = std::move(pending_task->task);
    task.Run();
  }
  stopwatch.Stop();
  RunningTaskSlot().SetBoolean(false);

  trace_event::ThreadData::TallyTaskRun(*pending_task, stopwatch,
                                        pending_task->birth_tally);
  return 0;
}

class PostTaskAndReplyWorkerPool : public internal::PostTaskAndReplyImpl {
 public:
  explicit PostTaskAndReplyWorkerPool(bool task_is_slow)
      : task_is_slow_(task_is_slow) {}

 private:
  bool PostTask(const Location& from_here, Closure task) override {
    return WorkerPool::PostTask(from_here, std::move(task), task_is_slow_);
  }

  bool task_is_slow_;
};

}  // namespace

// static
bool WorkerPool::PostTask(const Location& from_here, Closure task,
                          bool task_is_slow) {
  auto pending_task = std::make_unique<PendingTask>(from_here, std::move(task),
                                                    TimeTicks(), true);
  ULONG flags = task_is_slow ? WT_EXECUTELONGFUNCTION : 0;
  if (!g_queue_user_work_item.load()(&WorkItemCallback, pending_task.get(),
                                     flags)) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "QueueUserWorkItem failed for a task from "
               << from_here.function_name() << ": "
               << logging::SystemErrorCodeToString(error);
    return false;
  }
  // The work item owns it now.
  pending_task.release();
  return true;
}

// static
bool WorkerPool::PostTaskAndReply(const Location& from_here, Closure task,
                                  Closure reply, bool task_is_slow) {
  return PostTaskAndReplyWorkerPool(task_is_slow)
      .PostTaskAndReply(from_here, std::move(task), std::move(reply));
}

// static
bool WorkerPool::RunsTasksOnCurrentThread() {
  return RunningTaskSlot().GetBoolean();
}

namespace internal {

ScopedQueueUserWorkItemForTesting::ScopedQueueUserWorkItemForTesting(
    WorkerPool::QueueUserWorkItemFunction function)
    : previous_(g_queue_user_work_item.exchange(function)) {}

ScopedQueueUserWorkItemForTesting::~ScopedQueueUserWorkItemForTesting() {
  g_queue_user_work_item.store(previous_);
}

}  // namespace internal

}  // namespace base
