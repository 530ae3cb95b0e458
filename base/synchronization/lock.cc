#include "base/synchronization/lock.h"

#include "base/trace_event/activity_tracker.h"

namespace base {

// Not inlined into callers, so the return address names the code that waits.
void Lock::Acquire() {
  trace_event::ScopedLockAcquireActivity activity(__builtin_return_address(0),
                                                  this);
  ::AcquireSRWLockExclusive(&srw_lock_);
}

}  // namespace base
