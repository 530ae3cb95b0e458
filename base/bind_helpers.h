// Wrappers that say who owns a bound argument.
//
//   Unretained(p)  the callback holds a plain pointer; the caller guarantees
//                  that *p outlives every run. Required for a raw-pointer
//                  receiver, so the choice is visible where the bind is.
//   Owned(p)       the callback owns *p and deletes it with its bind state,
//                  on the thread that drops the last copy. The function
//                  receives the plain pointer.
//   Passed(std::move(v))
//                  a move-only value handed to the function by value on the
//                  first run. A callback holding one runs at most once; a
//                  second run stops the process.
//
//   base::Bind(&Writer::Flush, base::Unretained(this));
//   base::Bind(&Parse, base::Owned(new Buffer(data)));
//   base::Bind(&Store, base::Passed(std::move(result)));
#ifndef BASE_BIND_HELPERS_H_
#define BASE_BIND_HELPERS_H_

#include <memory>
#include <type_traits>
#include <utility>

#include "base/logging.h"

namespace base {
namespace internal {

template <typename T>
class UnretainedWrapper {
 public:
  explicit UnretainedWrapper(T* ptr) : ptr_(ptr) {}
  T* get() const { return ptr_; }

 private:
  T* ptr_;
};

template <typename T>
class OwnedWrapper {
 public:
  explicit OwnedWrapper(T* ptr) : ptr_(ptr) {}
  T* get() const { return ptr_.get(); }

 private:
  std::unique_ptr<T> ptr_;
};

template <typename T>
class PassedWrapper {
 public:
  explicit PassedWrapper(T&& value)
      : is_valid_(true), value_(std::move(value)) {}
  PassedWrapper(PassedWrapper&& other)
      : is_valid_(std::exchange(other.is_valid_, false)),
        value_(std::move(other.value_)) {}

  // Moves the value out; only once. Const because bind states are run
  // through const access; the value is this wrapper's own.
  T Take() const {
    CHECK(is_valid_) << "A callback with a Passed() argument ran twice";
    is_valid_ = false;
    return std::move(value_);
  }

 private:
  mutable bool is_valid_;
  mutable T value_;
};

}  // namespace internal

template <typename T>
internal::UnretainedWrapper<T> Unretained(T* ptr) {
  return internal::UnretainedWrapper<T>(ptr);
}

template <typename T>
internal::OwnedWrapper<T> Owned(T* ptr) {
  return internal::OwnedWrapper<T>(ptr);
}

template <typename T>
internal::OwnedWrapper<T> Owned(std::unique_ptr<T> ptr) {
  return internal::OwnedWrapper<T>(ptr.release());
}

// Takes rvalues only: an lvalue would be emptied behind the caller's back.
template <typename T,
          typename = std::enable_if_t<!std::is_lvalue_reference<T>::value>>
internal::PassedWrapper<std::decay_t<T>> Passed(T&& value) {
  return internal::PassedWrapper<std::decay_t<T>>(std::move(value));
}

}  // namespace base

#endif  // BASE_BIND_HELPERS_H_
