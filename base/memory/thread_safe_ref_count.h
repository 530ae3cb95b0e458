// The release of a reference count shared between threads.
//
// An object counted this way keeps an atomic count of its references; the
// thread that drops the last one calls the object's destruction hook, which
// usually deletes it (a task runner may instead hand the deletion to its own
// thread).
//
//   void MyRunner::Release() const {
//     ReleaseThreadSafeRefCount(this, &ref_count_);  // calls OnDestruct()
//   }
#ifndef BASE_MEMORY_THREAD_SAFE_REF_COUNT_H_
#define BASE_MEMORY_THREAD_SAFE_REF_COUNT_H_

#include <stdint.h>

#include <atomic>

namespace base {

namespace internal {

// Drops one reference from |count| with a full barrier; true when it was the
// last one. Stops the process when no reference was left to drop.
bool DropThreadSafeReference(std::atomic<intptr_t>* count);

}  // namespace internal

// Drops one reference of |object|, whose count is |count|; when that was the
// last one, calls object->OnDestruct() exactly once. |object| must not be
// touched by the caller afterwards.
template <typename T>
void ReleaseThreadSafeRefCount(T* object, std::atomic<intptr_t>* count) {
  if (internal::DropThreadSafeReference(count)) object->OnDestruct();
}

}  // namespace base

#endif  // BASE_MEMORY_THREAD_SAFE_REF_COUNT_H_
