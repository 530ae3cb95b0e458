#include "desktop/windows/installer/service/handle_inheritance_lock.h"

#include <stdint.h>

#include <atomic>

#include "base/at_exit.h"
#include "base/lazy_instance.h"

namespace installer {

namespace {

// 0 = not made, 1 = being made, else the lock.
std::atomic<uintptr_t> g_lock_state{base::kLazyInstanceStateNone};

void DeleteHandleInheritanceLock(void*) {
  uintptr_t state =
      g_lock_state.exchange(base::kLazyInstanceStateNone,
                            std::memory_order_acq_rel);
  if (state > base::kLazyInstanceStateCreating)
    delete reinterpret_cast<base::Lock*>(state);
}

}  // namespace

base::Lock& GetHandleInheritanceLock() {
  return *base::GetOrCreateLazyPointer<base::Lock>(&g_lock_state, [] {
    // Registered by the one thread that makes the lock, so it is deleted
    // once per lock made.
    base::AtExitManager::RegisterCallback(&DeleteHandleInheritanceLock,
                                          nullptr);
    return new base::Lock();
  });
}

}  // namespace installer
