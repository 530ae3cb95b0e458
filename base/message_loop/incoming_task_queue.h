// The queue through which every thread posts into one message loop.
//
// Posters take the loop pointer lock shared, then the queue lock; the loop
// takes the whole queue over in one acquisition when its own work queue runs
// dry (ReloadWorkQueue). The pump is woken only when the queue goes from
// empty to non-empty and the loop is not already scheduled, and that wake-up
// happens outside the queue lock but inside the shared lock, so posts keep
// flowing while a pump is being woken and the loop cannot be destroyed
// meanwhile. Once the loop detaches (WillDestroyCurrentMessageLoop), posts
// release their task on the posting thread and return false.
//
// Shared by the loop and its task runners through counted references.
#ifndef BASE_MESSAGE_LOOP_INCOMING_TASK_QUEUE_H_
#define BASE_MESSAGE_LOOP_INCOMING_TASK_QUEUE_H_

#include <stdint.h>

#include <atomic>

#include "base/callback.h"
#include "base/location.h"
#include "base/message_loop/pending_task.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "base/win/windows_types.h"

namespace base {

class MessageLoop;

namespace internal {

class IncomingTaskQueue {
 public:
  explicit IncomingTaskQueue(MessageLoop* message_loop);
  IncomingTaskQueue(const IncomingTaskQueue&) = delete;
  IncomingTaskQueue& operator=(const IncomingTaskQueue&) = delete;

  // Queues |task|, due after |delay| when positive. False, with the task
  // released here, once the loop has detached. Any thread.
  bool AddToIncomingQueue(const Location& from_here, Closure task,
                          TimeDelta delay, bool nestable);

  // Moves every queued task into the empty |work_queue|, or marks the loop
  // unscheduled when nothing is queued. Returns the number of
  // high-resolution tasks queued since the last reload. Loop thread only.
  int ReloadWorkQueue(TaskQueue* work_queue);

  // Lets posts wake the loop from now on, waking it at once when tasks were
  // queued before it bound.
  void StartScheduling();

  // Detaches from the loop; posts fail from now on.
  void WillDestroyCurrentMessageLoop();

  // Tests start the numbering near the 32-bit wrap.
  void SetNextSequenceNumberForTesting(int sequence_num);

  void AddRef() const;
  void Release() const;

 private:
  ~IncomingTaskQueue();

  mutable std::atomic<intptr_t> ref_count_{0};
  int high_res_task_count_ = 0;
  // Guards everything below except |message_loop_|.
  Lock incoming_queue_lock_;
  // Shared by posters, exclusive once, when the loop detaches.
  SRWLOCK message_loop_lock_ = SRWLOCK_INIT;
  TaskQueue incoming_queue_;
  MessageLoop* message_loop_;
  // Counts in unsigned arithmetic, so the wrap is defined.
  uint32_t next_sequence_num_ = 0;
  bool message_loop_scheduled_ = false;
  bool is_ready_for_scheduling_ = false;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_MESSAGE_LOOP_INCOMING_TASK_QUEUE_H_
