#include "base/synchronization/lock.h"

namespace base {

void Lock::Acquire() { ::AcquireSRWLockExclusive(&srw_lock_); }

}  // namespace base
