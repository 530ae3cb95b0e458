#include "base/lazy_instance.h"

#include "base/immediate_crash.h"
#include "base/win/windows_types.h"

namespace base {

uintptr_t WaitForLazyInstance(std::atomic<uintptr_t>* state) {
  uintptr_t value;
  while ((value = state->load(std::memory_order_acquire)) ==
         kLazyInstanceStateCreating) {
    ::Sleep(0);
  }
  return value;
}

namespace internal {

bool NeedsLazyInstance(std::atomic<uintptr_t>* state) {
  uintptr_t expected = kLazyInstanceStateNone;
  if (state->compare_exchange_strong(expected, kLazyInstanceStateCreating,
                                     std::memory_order_acq_rel,
                                     std::memory_order_acquire)) {
    return true;
  }
  if (expected == kLazyInstanceStateCreating) WaitForLazyInstance(state);
  return false;
}

void CompleteLazyInstance(std::atomic<uintptr_t>* state, void* instance) {
  // A null instance would put the word back to "none" and let a second
  // creator run: no caller may publish one.
  uintptr_t value = reinterpret_cast<uintptr_t>(instance);
  if (value <= kLazyInstanceStateCreating) ImmediateCrash();
  state->store(value, std::memory_order_release);
}

}  // namespace internal
}  // namespace base
