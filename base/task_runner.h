// Where tasks are posted: the interface of message loops and worker pools.
//
//   scoped_refptr<TaskRunner> runner = ...;
//   runner->PostTask(FROM_HERE, base::Bind(&Compress, path));
//   runner->PostTaskAndReply(FROM_HERE, base::Bind(&Load, Unretained(data)),
//                            base::Bind(&Owner::OnLoaded, weak_this));
//
// Task ownership: a posted closure belongs to the runner from the call on.
// A runner that refuses a task (its loop is gone) returns false and the
// refused closure is released before the post returns, on the posting
// thread. Tasks still queued when a runner shuts down are destroyed without
// running.
//
// Runners are counted references shared between threads (scoped_refptr);
// the last release calls OnDestruct, which deletes the runner unless an
// implementation hands the deletion to its own thread.
#ifndef BASE_TASK_RUNNER_H_
#define BASE_TASK_RUNNER_H_

#include <stdint.h>

#include <atomic>

#include "base/callback.h"
#include "base/location.h"
#include "base/time/time.h"

namespace base {

class TaskRunner {
 public:
  TaskRunner(const TaskRunner&) = delete;
  TaskRunner& operator=(const TaskRunner&) = delete;

  // Queues |task| to run after |delay| at the earliest. True when accepted.
  virtual bool PostDelayedTask(const Location& from_here, Closure task,
                               TimeDelta delay) = 0;

  // True when tasks posted here may run on the calling thread.
  virtual bool RunsTasksOnCurrentThread() const = 0;

  // PostDelayedTask without delay.
  bool PostTask(const Location& from_here, Closure task);

  // Runs |task| here, then |reply| on the calling thread, whose runner is
  // found through SequencedTaskRunnerHandle. The task is released on the
  // calling thread before the reply runs; the reply is released there after
  // it ran. False when the calling thread has no runner or this runner
  // refuses the task: both are then released at once, on the calling thread,
  // and neither runs. When the calling thread's runner has gone by the time
  // the task is done, the reply never runs and both are released on this
  // runner's thread.
  bool PostTaskAndReply(const Location& from_here, Closure task, Closure reply);

  void AddRef() const;
  void Release() const;
  // True when the caller holds the only reference.
  bool HasOneRef() const;

 protected:
  TaskRunner();
  virtual ~TaskRunner();

  // Called on the thread that drops the last reference; deletes this.
  virtual void OnDestruct() const;

 private:
  mutable std::atomic<intptr_t> ref_count_;
};

}  // namespace base

#endif  // BASE_TASK_RUNNER_H_
