// Scoped activity records around blocking waits, for hang diagnosis.
//
// Every lock acquisition and every blocking wait of the base foundation opens
// one of these scopes just before it blocks and closes it as soon as the wait
// returns:
//
//   {
//     trace_event::ScopedEventWaitActivity activity(
//         __builtin_return_address(0), this);
//     ::WaitForSingleObject(handle, INFINITE);
//   }
//
// A record would be pushed only onto a thread's tracker under a process-wide
// activity tracker; this program never creates one, so the scopes record
// nothing and cost a few stores. They stay at the call sites so the waits are
// marked in one recognisable way.
#ifndef BASE_TRACE_EVENT_ACTIVITY_TRACKER_H_
#define BASE_TRACE_EVENT_ACTIVITY_TRACKER_H_

#include <stdint.h>

namespace base {

struct PendingTask;
class Process;

namespace trace_event {

// Record types a tracker would use for each kind of wait.
enum ActivityType : uint8_t {
  kActivityTaskRun = 0x10,
  kActivityLockAcquire = 0x20,
  kActivityEventWait = 0x30,
  kActivityThreadJoin = 0x41,
  kActivityProcessWait = 0x51,
};

// The common end of every activity scope: pops the record the scope pushed,
// if it pushed one. Without a process-wide tracker none is ever pushed.
class ScopedActivity {
 public:
  ScopedActivity(const ScopedActivity&) = delete;
  ScopedActivity& operator=(const ScopedActivity&) = delete;
  ~ScopedActivity() {}

 protected:
  ScopedActivity() : tracker_(nullptr), activity_id_(0) {}

 private:
  // The thread's tracker and the pushed record; both stay empty because no
  // process-wide tracker exists.
  void* tracker_;
  uint32_t activity_id_;
};

// Before a lock is acquired: |program_counter| is the caller's return
// address, |lock| the lock's address.
class ScopedLockAcquireActivity : public ScopedActivity {
 public:
  ScopedLockAcquireActivity(const void* program_counter, const void* lock) {}
};

// Before a wait on an event.
class ScopedEventWaitActivity : public ScopedActivity {
 public:
  ScopedEventWaitActivity(const void* program_counter, const void* event) {}
};

// Before a thread is joined; |thread_handle| is the joined thread's handle.
class ScopedThreadJoinActivity : public ScopedActivity {
 public:
  explicit ScopedThreadJoinActivity(const void* thread_handle) {}
};

// Before a wait for a process to end.
class ScopedProcessWaitActivity : public ScopedActivity {
 public:
  explicit ScopedProcessWaitActivity(const Process& process) {}
};

// Before a posted task runs. Unlike the other scopes this one would create
// the thread's tracker on first use, still only under a process-wide tracker.
class ScopedTaskRunActivity : public ScopedActivity {
 public:
  explicit ScopedTaskRunActivity(const PendingTask& task) {}
};

// The process-wide tracker of activity records. This program never creates
// one, so there is no record whose data could be released.
class ActivityTracker {
 public:
  // Frees the data attached to the record |activity_id|; without a tracker
  // there is nothing to free.
  static void ReleaseActivityData(uint32_t activity_id) {}
};

// The persistent memory that activity records would live in. None exists
// here, so no block can change its type.
class PersistentMemoryAllocator {
 public:
  typedef uint32_t Reference;

  // Changes the type word of the block |reference| from |from_type_id| to
  // |to_type_id| (zeroing it first when |clear|); false when the block does
  // not hold |from_type_id|, which is always the case without persistent
  // memory.
  bool ChangeType(Reference reference, uint32_t to_type_id,
                  uint32_t from_type_id, bool clear) {
    return false;
  }
};

}  // namespace trace_event
}  // namespace base

#endif  // BASE_TRACE_EVENT_ACTIVITY_TRACKER_H_
