// Process-wide objects made on first use, safely from any thread.
//
// The protocol rests on one pointer-sized state word: 0 while nothing exists,
// 1 while some thread builds the object, and the object's address once it is
// built. The first thread to move the word from 0 to 1 builds the object and
// publishes its address; threads that find 1 yield with Sleep(0) until the
// address appears. Objects made this way are never destroyed.
//
//   LazyInstance<ThreadIdNameManager> g_name_manager =
//       LAZY_INSTANCE_INITIALIZER;
//   g_name_manager.Get().SetName(id, name);
//
// For an object that needs constructor arguments, keep a state word of your
// own and call GetOrCreateLazyPointer:
//
//   std::atomic<uintptr_t> g_lock_state{0};
//   Lock* lock = GetOrCreateLazyPointer<Lock>(&g_lock_state,
//                                             [] { return new Lock(); });
#ifndef BASE_LAZY_INSTANCE_H_
#define BASE_LAZY_INSTANCE_H_

#include <stdint.h>

#include <atomic>
#include <new>

namespace base {

// State word values below the first valid address.
constexpr uintptr_t kLazyInstanceStateNone = 0;
constexpr uintptr_t kLazyInstanceStateCreating = 1;

// While |state| is kLazyInstanceStateCreating, yields the processor with
// Sleep(0); returns the word once it has changed.
uintptr_t WaitForLazyInstance(std::atomic<uintptr_t>* state);

namespace internal {

// True when the caller moved |state| from 0 to 1 and must now build the
// instance and call CompleteLazyInstance. False when another thread built it
// (having waited for it to finish); the word then holds the instance.
bool NeedsLazyInstance(std::atomic<uintptr_t>* state);

// Publishes |instance| (not null) as the result of the creation.
void CompleteLazyInstance(std::atomic<uintptr_t>* state, void* instance);

}  // namespace internal

// The instance published in |state|, made with |creator| (a callable that
// returns a new T*) by the first caller.
template <typename T, typename Creator>
T* GetOrCreateLazyPointer(std::atomic<uintptr_t>* state, Creator creator) {
  uintptr_t value = state->load(std::memory_order_acquire);
  if (value <= kLazyInstanceStateCreating) {
    if (internal::NeedsLazyInstance(state)) {
      T* instance = creator();
      internal::CompleteLazyInstance(state, instance);
      return instance;
    }
    value = state->load(std::memory_order_acquire);
  }
  return reinterpret_cast<T*>(value);
}

// A T built in static storage on first use and never destroyed. Declare it
// at namespace scope with LAZY_INSTANCE_INITIALIZER: the constructor is
// constexpr, so the object is ready before any code runs. T needs a default
// constructor (a private one is fine when T befriends LazyInstance<T>).
template <typename T>
class LazyInstance {
 public:
  constexpr LazyInstance() : state_(kLazyInstanceStateNone), storage_{} {}
  LazyInstance(const LazyInstance&) = delete;
  LazyInstance& operator=(const LazyInstance&) = delete;

  T& Get() { return *Pointer(); }
  T* operator->() { return Pointer(); }

  T* Pointer() {
    return GetOrCreateLazyPointer<T>(&state_,
                                     [this] { return new (storage_) T(); });
  }

  // True once the instance exists (it may still be under construction when
  // this returns false).
  bool IsCreated() const {
    return state_.load(std::memory_order_acquire) > kLazyInstanceStateCreating;
  }

 private:
  std::atomic<uintptr_t> state_;
  alignas(T) unsigned char storage_[sizeof(T)];
};

#define LAZY_INSTANCE_INITIALIZER \
  {}

}  // namespace base

#endif  // BASE_LAZY_INSTANCE_H_
