// A counted reference to an object with AddRef() and Release(): task
// runners and weak-reference flags. Taking a pointer adds a reference;
// destruction, reset and reassignment drop it.
//
//   scoped_refptr<SequencedTaskRunner> runner = ThreadTaskRunnerHandle::Get();
//   if (runner) runner->PostTask(FROM_HERE, task);
//
// One scoped_refptr is used by one thread at a time; separate copies of the
// same object may live on different threads when its count is atomic.
#ifndef BASE_MEMORY_SCOPED_REFPTR_H_
#define BASE_MEMORY_SCOPED_REFPTR_H_

#include <cstddef>
#include <utility>

template <class T>
class scoped_refptr {
 public:
  scoped_refptr() = default;
  scoped_refptr(std::nullptr_t) {}
  // Adds a reference to |ptr|, which may be null.
  scoped_refptr(T* ptr) : ptr_(ptr) {
    if (ptr_) ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr& other) : scoped_refptr(other.ptr_) {}
  template <typename U>
  scoped_refptr(const scoped_refptr<U>& other) : scoped_refptr(other.get()) {}
  scoped_refptr(scoped_refptr&& other) noexcept
      : ptr_(std::exchange(other.ptr_, nullptr)) {}
  template <typename U>
  scoped_refptr(scoped_refptr<U>&& other) noexcept
      : ptr_(std::exchange(other.ptr_, nullptr)) {}

  ~scoped_refptr() {
    if (ptr_) ptr_->Release();
  }

  // By value: covers copy and move, and assigning an object to itself.
  scoped_refptr& operator=(scoped_refptr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }

  void reset() { scoped_refptr().swap(*this); }
  void swap(scoped_refptr& other) noexcept { std::swap(ptr_, other.ptr_); }

  T* get() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

 private:
  template <typename U>
  friend class scoped_refptr;

  T* ptr_ = nullptr;
};

template <typename T, typename U>
bool operator==(const scoped_refptr<T>& a, const scoped_refptr<U>& b) {
  return a.get() == b.get();
}
template <typename T, typename U>
bool operator!=(const scoped_refptr<T>& a, const scoped_refptr<U>& b) {
  return !(a == b);
}
template <typename T>
bool operator==(const scoped_refptr<T>& a, std::nullptr_t) {
  return a.get() == nullptr;
}
template <typename T>
bool operator!=(const scoped_refptr<T>& a, std::nullptr_t) {
  return a.get() != nullptr;
}

#endif  // BASE_MEMORY_SCOPED_REFPTR_H_
