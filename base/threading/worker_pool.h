// Runs tasks on the operating system's thread pool, for work that may block
// and needs no thread of its own:
//
//   base::WorkerPool::PostTaskAndReply(
//       FROM_HERE, base::Bind(&FetchStatus, folder, Unretained(status)),
//       base::Bind(&Installer::OnStatus, weak_this, Owned(status)),
//       /*task_is_slow=*/true);
//
// Tasks run on arbitrary pool threads, in no particular order, possibly at
// the same time. A task that may run long says so (|task_is_slow|), so the
// system adds threads rather than queue the other tasks behind it. A task is
// released on its pool thread right after it ran.
#ifndef BASE_THREADING_WORKER_POOL_H_
#define BASE_THREADING_WORKER_POOL_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/win/windows_types.h"

namespace base {

class WorkerPool {
 public:
  WorkerPool() = delete;

  // Queues |task|. False when the system refuses it; the task is then
  // released before this returns.
  static bool PostTask(const Location& from_here, Closure task,
                       bool task_is_slow);

  // Runs |task| on the pool, then |reply| on the calling thread, which
  // needs a task runner; the ownership rules are those of
  // TaskRunner::PostTaskAndReply.
  static bool PostTaskAndReply(const Location& from_here, Closure task,
                               Closure reply, bool task_is_slow);

  // True on a pool thread while it runs a task posted here.
  static bool RunsTasksOnCurrentThread();

  // The signature of QueueUserWorkItem, which PostTask calls.
  using QueueUserWorkItemFunction = BOOL(WINAPI*)(LPTHREAD_START_ROUTINE,
                                                  PVOID, ULONG);
};

namespace internal {

// For tests: routes WorkerPool::PostTask's queueing through |function| while
// alive, so a test sees the flags or makes queueing fail. Scopes nest, each
// restoring the function before it.
class ScopedQueueUserWorkItemForTesting {
 public:
  explicit ScopedQueueUserWorkItemForTesting(
      WorkerPool::QueueUserWorkItemFunction function);
  ~ScopedQueueUserWorkItemForTesting();
  ScopedQueueUserWorkItemForTesting(const ScopedQueueUserWorkItemForTesting&) =
      delete;
  ScopedQueueUserWorkItemForTesting& operator=(
      const ScopedQueueUserWorkItemForTesting&) = delete;

 private:
  WorkerPool::QueueUserWorkItemFunction previous_;
};

}  // namespace internal

}  // namespace base

#endif  // BASE_THREADING_WORKER_POOL_H_
