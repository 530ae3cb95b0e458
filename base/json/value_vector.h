// The element storage of DictionaryValue and ListValue: a growable array
// like std::vector, whose buffer is a value block (value_arena.h). The JSON
// reader hands a container a buffer cut from its arena at the final size;
// growth later takes the heap. Either way the buffer is released by
// FreeValueBlock, so a container never needs to know where it came from.
//
// Elements must be nothrow-movable (std::unique_ptr, std::pair of a string
// and a std::unique_ptr).
#ifndef BASE_JSON_VALUE_VECTOR_H_
#define BASE_JSON_VALUE_VECTOR_H_

#include <stddef.h>
#include <stdint.h>

#include <new>
#include <utility>

#include "base/json/value_arena.h"
#include "base/logging.h"

namespace base {
namespace internal {

template <typename T>
class ValueVector {
 public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  ValueVector() = default;
  ValueVector(const ValueVector&) = delete;
  ValueVector& operator=(const ValueVector&) = delete;
  ~ValueVector() {
    clear();
    FreeValueBlock(data_);
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](size_t index) { return data_[index]; }
  const T& operator[](size_t index) const { return data_[index]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }

  void reserve(size_t capacity) {
    if (capacity > capacity_)
      Reallocate(capacity);
  }

  void push_back(T&& element) {
    if (size_ == capacity_)
      Reallocate(NextCapacity());
    ::new (data_ + size_) T(std::move(element));
    ++size_;
  }

  template <typename... Args>
  void emplace_back(Args&&... args) {
    if (size_ == capacity_)
      Reallocate(NextCapacity());
    ::new (data_ + size_) T(std::forward<Args>(args)...);
    ++size_;
  }

  // Inserts before |position|; returns the new element.
  T* insert(const T* position, T&& element) {
    size_t index = static_cast<size_t>(position - data_);
    if (index == size_) {
      push_back(std::move(element));
      return data_ + index;
    }
    if (size_ == capacity_)
      Reallocate(NextCapacity());
    ::new (data_ + size_) T(std::move(data_[size_ - 1]));
    for (size_t i = size_ - 1; i > index; --i)
      data_[i] = std::move(data_[i - 1]);
    data_[index] = std::move(element);
    ++size_;
    return data_ + index;
  }

  // Removes the element at |position|; later ones move down.
  void erase(const T* position) {
    size_t index = static_cast<size_t>(position - data_);
    for (size_t i = index + 1; i < size_; ++i)
      data_[i - 1] = std::move(data_[i]);
    --size_;
    data_[size_].~T();
  }

  void clear() {
    // Taken out first: an element's destructor must not see itself.
    size_t count = size_;
    size_ = 0;
    for (size_t i = 0; i < count; ++i)
      data_[i].~T();
  }

  void swap(ValueVector& other) {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  // Empties the vector and hands over its buffer (a value block or null),
  // for the caller to free.
  void* ReleaseBuffer() {
    clear();
    void* buffer = data_;
    data_ = nullptr;
    capacity_ = 0;
    return buffer;
  }

  // Gives an empty vector |buffer| (a value block with room for |capacity|
  // elements) to fill without growing.
  void AdoptBuffer(void* buffer, size_t capacity) {
    DCHECK(!data_);
    CHECK_LE(capacity, size_t{UINT32_MAX});  // The counts are 32-bit.
    data_ = static_cast<T*>(buffer);
    capacity_ = static_cast<uint32_t>(capacity);
  }

 private:
  size_t NextCapacity() const {
    return capacity_ < 4 ? 4 : size_t{capacity_} * 2;
  }

  void Reallocate(size_t capacity) {
    CHECK_LT(capacity, size_t{0x10000000});
    T* data = static_cast<T*>(AllocateValueBlock(capacity * sizeof(T)));
    for (size_t i = 0; i < size_; ++i) {
      ::new (data + i) T(std::move(data_[i]));
      data_[i].~T();
    }
    FreeValueBlock(data_);
    data_ = data;
    capacity_ = static_cast<uint32_t>(capacity);
  }

  T* data_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_JSON_VALUE_VECTOR_H_
