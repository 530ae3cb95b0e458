// The reference count of an object shared between threads.
//
//   class Shared {
//     void AddRef() { AtomicRefCountIncrement(&ref_count_); }
//     void Release() {
//       if (AtomicRefCountDecrement(&ref_count_)) delete this;
//     }
//     AtomicRefCount ref_count_{0};
//   };
//
// Both operations are lock-free and safe from any thread. The decrement that
// reaches zero also sees every write other threads made to the object before
// their own decrements, so the object can be destroyed safely.
#ifndef BASE_ATOMIC_REF_COUNT_H_
#define BASE_ATOMIC_REF_COUNT_H_

#include <stdint.h>

#include <atomic>

#include "base/immediate_crash.h"

namespace base {

using AtomicRefCount = std::atomic<uint64_t>;

inline void AtomicRefCountIncrement(AtomicRefCount* count) {
  count->fetch_add(1, std::memory_order_relaxed);
}

// Drops one reference; true when it was the last, so the object is to be
// deleted. Dropping a reference from a count of 0 stops the process: the
// object has been released more often than referenced and may be gone.
inline bool AtomicRefCountDecrement(AtomicRefCount* count) {
  uint64_t previous = count->fetch_sub(1, std::memory_order_acq_rel);
  if (previous == 0)
    ImmediateCrash();
  return previous == 1;
}

}  // namespace base

#endif  // BASE_ATOMIC_REF_COUNT_H_
