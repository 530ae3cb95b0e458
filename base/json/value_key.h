// The key of a dictionary entry: UTF-8 bytes kept in place when short, else
// in a value block (value_arena.h). The JSON reader puts long keys in the
// arena of its parse, so a parsed dictionary takes no heap block per key,
// and a key freed later returns its block wherever it came from.
//
//   internal::ValueKey key("window.width");
//   std::string_view text = key.view();
#ifndef BASE_JSON_VALUE_KEY_H_
#define BASE_JSON_VALUE_KEY_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string_view>

#include "base/json/value_arena.h"
#include "base/logging.h"

namespace base {
namespace internal {

class ValueKey {
 public:
  ValueKey() = default;
  // A copy of |text|; a long one in a heap value block.
  explicit ValueKey(std::string_view text) { Assign(text, nullptr); }
  // A copy of |text|; a long one in a block of |arena|.
  ValueKey(std::string_view text, ValueArena* arena) { Assign(text, arena); }
  ValueKey(const ValueKey&) = delete;
  ValueKey& operator=(const ValueKey&) = delete;
  ValueKey(ValueKey&& other) noexcept : size_(other.size_) {
    memcpy(&storage_, &other.storage_, sizeof(storage_));
    other.size_ = 0;
  }
  ValueKey& operator=(ValueKey&& other) noexcept {
    if (this != &other) {
      Reset();
      memcpy(&storage_, &other.storage_, sizeof(storage_));
      size_ = other.size_;
      other.size_ = 0;
    }
    return *this;
  }
  ~ValueKey() { Reset(); }

  const char* data() const {
    return size_ <= kInlineSize ? storage_.bytes : storage_.block;
  }
  size_t size() const { return size_; }
  std::string_view view() const { return std::string_view(data(), size_); }

  // Empties the key and hands over its value block (null when the text was
  // in place), for a caller that frees many blocks at once.
  void* ReleaseBlock() {
    void* block = size_ > kInlineSize ? storage_.block : nullptr;
    size_ = 0;
    return block;
  }

 private:
  static constexpr size_t kInlineSize = 16;

  void Assign(std::string_view text, ValueArena* arena) {
    // Keys are parts of a text below 4 GB.
    CHECK_LT(text.size(), size_t{UINT32_MAX});
    size_ = static_cast<uint32_t>(text.size());
    char* target = storage_.bytes;
    if (text.size() > kInlineSize) {
      target = static_cast<char*>(arena ? arena->Allocate(text.size())
                                        : AllocateValueBlock(text.size()));
      storage_.block = target;
    }
    if (!text.empty())
      memcpy(target, text.data(), text.size());
  }

  void Reset() {
    if (size_ > kInlineSize)
      FreeValueBlock(storage_.block);
    size_ = 0;
  }

  union Storage {
    char bytes[kInlineSize];
    char* block;
  } storage_;
  uint32_t size_ = 0;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_JSON_VALUE_KEY_H_
