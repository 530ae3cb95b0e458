// The type-erased parts of callbacks: the counted heap block that binds a
// function to its arguments, and the handle that refers to it. Use the typed
// Callback of base/callback.h and base::Bind instead of these.
#ifndef BASE_CALLBACK_INTERNAL_H_
#define BASE_CALLBACK_INTERNAL_H_

#include <stdint.h>

#include <atomic>

namespace base {
namespace internal {

// The heap block of one bound callback. The generated BindState types of
// base/bind_internal.h derive from it and append the functor and the bound
// arguments. The block is shared by every callback copy and freed, with its
// bound arguments, on the thread that drops the last copy.
class BindStateBase {
 public:
  // The typed invoke function, stored without its signature; the Callback of
  // the matching signature casts it back.
  using InvokeFuncStorage = void (*)();
  // Destroys the bound arguments and frees the block.
  using DestroyFunc = void (*)(const BindStateBase*);
  // True when running the callback would do nothing.
  using IsCancelledFunc = bool (*)(const BindStateBase*);

  BindStateBase(const BindStateBase&) = delete;
  BindStateBase& operator=(const BindStateBase&) = delete;

 protected:
  // A block that is never cancelled.
  BindStateBase(InvokeFuncStorage invoke, DestroyFunc destroy);
  BindStateBase(InvokeFuncStorage invoke, DestroyFunc destroy,
                IsCancelledFunc is_cancelled);
  ~BindStateBase() = default;

 private:
  friend class CallbackBase;

  void AddRef() const;
  // Runs the destroy function when this drops the last reference.
  void Release() const;

  InvokeFuncStorage invoke_;
  // A new block starts at 0; the first CallbackBase takes it to 1.
  mutable std::atomic<intptr_t> ref_count_;
  DestroyFunc destroy_;
  IsCancelledFunc is_cancelled_;
};

// A counted handle to a BindStateBase; null for an empty callback. Copies
// share the block; moves take it and leave the source empty.
class CallbackBase {
 public:
  CallbackBase(const CallbackBase& other);
  CallbackBase(CallbackBase&& other) noexcept;
  CallbackBase& operator=(const CallbackBase& other);
  CallbackBase& operator=(CallbackBase&& other) noexcept;

  bool is_null() const { return bind_state_ == nullptr; }

  // Drops this handle's reference; the callback is empty afterwards.
  void Reset();

  // True when running would do nothing (its weak receiver is gone). An empty
  // callback counts as cancelled.
  bool IsCancelled() const;

 protected:
  // Takes a reference to |bind_state|, which may be null.
  explicit CallbackBase(BindStateBase* bind_state);
  ~CallbackBase();

  BindStateBase::InvokeFuncStorage polymorphic_invoke() const {
    return bind_state_->invoke_;
  }

  BindStateBase* bind_state_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_CALLBACK_INTERNAL_H_
