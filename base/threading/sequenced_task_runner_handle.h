// The sequenced runner of the task running on the calling thread: on a
// worker of a sequenced worker pool, the runner of the sequence the worker
// is running; on a thread with a message loop, the loop's runner.
//
// The pool is not a dependency of this file: it registers, once, a getter
// that answers for its own worker threads.
#ifndef BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_
#define BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_

#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"

namespace base {

class SequencedTaskRunnerHandle {
 public:
  // The runner of the current sequence, or null on a thread that is neither
  // a pool worker nor has a ThreadTaskRunnerHandle.
  static scoped_refptr<SequencedTaskRunner> Get();

  // The pool's branch of Get: the runner of the sequence that the calling
  // worker runs, or null when the calling thread is not one of its workers.
  using PoolRunnerGetter = scoped_refptr<SequencedTaskRunner> (*)();
  // Registers |getter|; null removes it. Call before other threads use Get.
  static void SetPoolRunnerGetter(PoolRunnerGetter getter);

  SequencedTaskRunnerHandle() = delete;
};

}  // namespace base

#endif  // BASE_THREADING_SEQUENCED_TASK_RUNNER_HANDLE_H_
