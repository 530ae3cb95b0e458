#include "base/memory/weak_ptr.h"

#include "base/memory/thread_safe_ref_count.h"

namespace base {
namespace internal {

void WeakReference::Flag::AddRef() const {
  ref_count_.fetch_add(1, std::memory_order_relaxed);
}

void WeakReference::Flag::Release() const {
  if (DropThreadSafeReference(&ref_count_)) delete this;
}

bool WeakReference::Flag::HasOneRef() const {
  return ref_count_.load(std::memory_order_acquire) == 1;
}

WeakReference::WeakReference() = default;

WeakReference::WeakReference(const Flag* flag) : flag_(flag) {}

WeakReference::~WeakReference() = default;

bool WeakReference::IsValid() const { return flag_ && flag_->IsValid(); }

WeakReferenceOwner::WeakReferenceOwner() = default;

WeakReferenceOwner::~WeakReferenceOwner() { Invalidate(); }

WeakReference WeakReferenceOwner::GetRef() const {
  if (!flag_ || flag_->HasOneRef()) flag_ = new WeakReference::Flag();
  return WeakReference(flag_.get());
}

void WeakReferenceOwner::Invalidate() {
  if (flag_) {
    flag_->Invalidate();
    flag_ = nullptr;
  }
}

}  // namespace internal
}  // namespace base
