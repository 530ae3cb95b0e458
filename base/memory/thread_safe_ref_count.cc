#include "base/memory/thread_safe_ref_count.h"

#include "base/immediate_crash.h"

namespace base {
namespace internal {

bool DropThreadSafeReference(std::atomic<intptr_t>* count) {
  intptr_t previous = count->fetch_sub(1, std::memory_order_acq_rel);
  if (previous <= 0) {
    // Released more often than referenced: the object may be gone already.
    volatile intptr_t bad_count = previous;  // kept for the crash dump
    (void)bad_count;
    ImmediateCrash();
  }
  return previous == 1;
}

}  // namespace internal
}  // namespace base
