#include "base/callback_internal.h"

#include <utility>

#include "base/memory/thread_safe_ref_count.h"

namespace base {
namespace internal {

namespace {
bool NeverCancelled(const BindStateBase*) { return false; }
}  // namespace

BindStateBase::BindStateBase(InvokeFuncStorage invoke, DestroyFunc destroy)
    : BindStateBase(invoke, destroy, &NeverCancelled) {}

BindStateBase::BindStateBase(InvokeFuncStorage invoke, DestroyFunc destroy,
                             IsCancelledFunc is_cancelled)
    : invoke_(invoke), ref_count_(0), destroy_(destroy),
      is_cancelled_(is_cancelled) {}

void BindStateBase::AddRef() const {
  ref_count_.fetch_add(1, std::memory_order_relaxed);
}

void BindStateBase::Release() const {
  if (DropThreadSafeReference(&ref_count_)) destroy_(this);
}

CallbackBase::CallbackBase(BindStateBase* bind_state)
    : bind_state_(bind_state) {
  if (bind_state_) bind_state_->AddRef();
}

CallbackBase::CallbackBase(const CallbackBase& other)
    : CallbackBase(other.bind_state_) {}

CallbackBase::CallbackBase(CallbackBase&& other) noexcept
    : bind_state_(std::exchange(other.bind_state_, nullptr)) {}

CallbackBase& CallbackBase::operator=(const CallbackBase& other) {
  // The new block gains its reference before the old one loses its own, so
  // assigning a callback to itself never frees the block.
  if (other.bind_state_) other.bind_state_->AddRef();
  BindStateBase* old = std::exchange(bind_state_, other.bind_state_);
  if (old) old->Release();
  return *this;
}

CallbackBase& CallbackBase::operator=(CallbackBase&& other) noexcept {
  BindStateBase* old =
      std::exchange(bind_state_, std::exchange(other.bind_state_, nullptr));
  if (old) old->Release();
  return *this;
}

CallbackBase::~CallbackBase() {
  if (bind_state_) bind_state_->Release();
}

void CallbackBase::Reset() {
  // Empty first: destroying the bound arguments may reach back into the
  // object that holds this callback.
  BindStateBase* old = std::exchange(bind_state_, nullptr);
  if (old) old->Release();
}

bool CallbackBase::IsCancelled() const {
  return !bind_state_ || bind_state_->is_cancelled_(bind_state_);
}

}  // namespace internal
}  // namespace base
