// Weak pointers: references to an object that read as null once the object
// is gone, so a task aimed at it can be dropped instead of crashing.
//
// The object embeds a WeakPtrFactory, declared as its last member so that it
// is destroyed, and the pointers invalidated, before any other member:
//
//   class Controller {
//    public:
//     void StartLater() {
//       runner_->PostTask(FROM_HERE, base::Bind(&Controller::Start,
//                                               factory_.GetWeakPtr()));
//     }
//    private:
//     ...
//     base::WeakPtrFactory<Controller> factory_{this};
//   };
//
// A callback bound to a method through a WeakPtr does nothing when run after
// the object died, and reports itself cancelled (base/bind.h).
//
// Threads: weak pointers may be copied and dropped on any thread (the shared
// flag is counted atomically), but they are invalidated and dereferenced
// only on the object's own thread, where its weak-bound tasks run. The valid
// bit is a plain byte read without a barrier.
#ifndef BASE_MEMORY_WEAK_PTR_H_
#define BASE_MEMORY_WEAK_PTR_H_

#include <stdint.h>

#include <atomic>
#include <cstddef>

#include "base/logging.h"
#include "base/memory/scoped_refptr.h"

namespace base {

template <typename T>
class WeakPtr;

namespace internal {

// A shared, counted handle to a validity flag.
class WeakReference {
 public:
  // The validity flag shared by the owner and its references. Created valid;
  // invalidation is one-way; freed with its last reference.
  class Flag {
   public:
    Flag() = default;
    Flag(const Flag&) = delete;
    Flag& operator=(const Flag&) = delete;

    void AddRef() const;
    void Release() const;
    // True when the caller holds the only reference.
    bool HasOneRef() const;

    void Invalidate() { is_valid_ = false; }
    bool IsValid() const { return is_valid_; }

   private:
    ~Flag() = default;

    mutable std::atomic<intptr_t> ref_count_{0};
    bool is_valid_ = true;
  };

  WeakReference();
  explicit WeakReference(const Flag* flag);
  ~WeakReference();

  // True when a flag is held and it is still valid.
  bool IsValid() const;

 private:
  scoped_refptr<const Flag> flag_;
};

// The object's side: owns the current flag and invalidates it.
class WeakReferenceOwner {
 public:
  WeakReferenceOwner();
  // Invalidates every reference handed out.
  ~WeakReferenceOwner();
  WeakReferenceOwner(const WeakReferenceOwner&) = delete;
  WeakReferenceOwner& operator=(const WeakReferenceOwner&) = delete;

  // A reference to the current flag. A fresh valid flag is made first when
  // there is none or when no reference to the current one is left.
  WeakReference GetRef() const;

  // Every reference handed out so far reads as invalid from now on; the next
  // GetRef starts a new flag.
  void Invalidate();

 private:
  mutable scoped_refptr<WeakReference::Flag> flag_;
};

}  // namespace internal

// A pointer that reads as null once its object's factory is gone. Converts
// from a WeakPtr of a derived class.
template <typename T>
class WeakPtr {
 public:
  WeakPtr() = default;
  WeakPtr(std::nullptr_t) {}
  template <typename U>
  WeakPtr(const WeakPtr<U>& other) : ref_(other.ref_), ptr_(other.ptr_) {}

  // The object, or null when it is gone.
  T* get() const { return ref_.IsValid() ? ptr_ : nullptr; }
  T& operator*() const {
    CHECK(get()) << "Dereferencing a weak pointer to a destroyed object";
    return *get();
  }
  T* operator->() const {
    CHECK(get()) << "Dereferencing a weak pointer to a destroyed object";
    return get();
  }
  explicit operator bool() const { return get() != nullptr; }

  void reset() { *this = WeakPtr(); }

 private:
  template <typename U>
  friend class WeakPtr;
  template <typename U>
  friend class WeakPtrFactory;

  WeakPtr(const internal::WeakReference& ref, T* ptr) : ref_(ref), ptr_(ptr) {}

  internal::WeakReference ref_;
  T* ptr_ = nullptr;
};

// Hands out weak pointers to the object that embeds it, all invalidated when
// the factory is destroyed.
template <class T>
class WeakPtrFactory {
 public:
  explicit WeakPtrFactory(T* ptr) : ptr_(ptr) {}
  // The pointer is cleared first; the owner member then invalidates the flag.
  ~WeakPtrFactory() { ptr_ = nullptr; }
  WeakPtrFactory(const WeakPtrFactory&) = delete;
  WeakPtrFactory& operator=(const WeakPtrFactory&) = delete;

  WeakPtr<T> GetWeakPtr() { return WeakPtr<T>(owner_.GetRef(), ptr_); }

  // Every weak pointer handed out so far reads null from now on; later ones
  // are valid again.
  void InvalidateWeakPtrs() { owner_.Invalidate(); }

 private:
  internal::WeakReferenceOwner owner_;
  T* ptr_;
};

}  // namespace base

#endif  // BASE_MEMORY_WEAK_PTR_H_
