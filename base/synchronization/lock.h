// A non-recursive exclusive lock over a Windows slim reader/writer lock, and
// its scoped holder. A thread must not take a Lock it already holds.
//
//   Lock lock;
//   { AutoLock hold(lock); ++shared_count; }
#ifndef BASE_SYNCHRONIZATION_LOCK_H_
#define BASE_SYNCHRONIZATION_LOCK_H_

#include "base/win/windows_types.h"

namespace base {

class Lock {
 public:
  Lock() : srw_lock_(SRWLOCK_INIT) {}
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  // Waits for and takes the lock, marking the wait as a lock-acquire
  // activity (base/trace_event/activity_tracker.h).
  void Acquire();
  void Release() { ::ReleaseSRWLockExclusive(&srw_lock_); }
  // Takes the lock only when it is free; true when taken.
  bool Try() { return ::TryAcquireSRWLockExclusive(&srw_lock_) != 0; }

 private:
  SRWLOCK srw_lock_;
};

class AutoLock {
 public:
  explicit AutoLock(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~AutoLock() { lock_.Release(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  Lock& lock_;
};

// Releases a held lock for its scope and takes it back at the end.
class AutoUnlock {
 public:
  explicit AutoUnlock(Lock& lock) : lock_(lock) { lock_.Release(); }
  ~AutoUnlock() { lock_.Acquire(); }
  AutoUnlock(const AutoUnlock&) = delete;
  AutoUnlock& operator=(const AutoUnlock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_LOCK_H_
