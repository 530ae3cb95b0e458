// The task runner of the calling thread. A message loop creates the handle
// when it binds to its thread and destroys it with itself; code running on
// that thread finds its runner here:
//
//   scoped_refptr<SingleThreadTaskRunner> runner =
//       ThreadTaskRunnerHandle::Get();
//
// A thread has at most one handle; creating a second stops the process.
#ifndef BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_

#include "base/memory/scoped_refptr.h"
#include "base/single_thread_task_runner.h"

namespace base {

class ThreadTaskRunnerHandle {
 public:
  // A new reference to the calling thread's runner; null on a thread
  // without a handle.
  static scoped_refptr<SingleThreadTaskRunner> Get();
  static bool IsSet();

  // Makes |task_runner| the calling thread's runner until destroyed; must be
  // destroyed on the same thread.
  explicit ThreadTaskRunnerHandle(
      scoped_refptr<SingleThreadTaskRunner> task_runner);
  ~ThreadTaskRunnerHandle();
  ThreadTaskRunnerHandle(const ThreadTaskRunnerHandle&) = delete;
  ThreadTaskRunnerHandle& operator=(const ThreadTaskRunnerHandle&) = delete;

 private:
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_TASK_RUNNER_HANDLE_H_
