// The task runner of a message loop: posts go into the loop's incoming
// queue. It outlives the loop when someone keeps a reference; posts then
// fail and release their task on the posting thread.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_TASK_RUNNER_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_TASK_RUNNER_H_

#include "base/memory/scoped_refptr.h"
#include "base/message_loop/incoming_task_queue.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/win/windows_types.h"

namespace base {
namespace internal {

class MessageLoopTaskRunner : public SingleThreadTaskRunner {
 public:
  explicit MessageLoopTaskRunner(
      scoped_refptr<IncomingTaskQueue> incoming_queue);

  // Tasks run on the calling thread from now on; called once, when the loop
  // binds.
  void BindToCurrentThread();

  bool PostDelayedTask(const Location& from_here, Closure task,
                       TimeDelta delay) override;
  bool PostNonNestableDelayedTask(const Location& from_here, Closure task,
                                  TimeDelta delay) override;
  // False until the loop has bound to a thread.
  bool RunsTasksOnCurrentThread() const override;

 private:
  ~MessageLoopTaskRunner() override;

  const scoped_refptr<IncomingTaskQueue> incoming_queue_;
  mutable Lock valid_thread_id_lock_;
  DWORD valid_thread_id_ = 0;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_TASK_RUNNER_H_
