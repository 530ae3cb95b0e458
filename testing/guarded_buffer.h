// Readable pages followed by one no-access page, for tests that must prove
// a reader never reads past the end of its input: Place() copies bytes so
// that the last one is the last readable byte, and any read beyond it
// faults at once.
//
//   testing_support::GuardedBuffer buffer;
//   ASSERT_TRUE(buffer.IsValid());
//   Parse(buffer.Place(text));
#ifndef TESTING_GUARDED_BUFFER_H_
#define TESTING_GUARDED_BUFFER_H_

#include <string.h>

#include <string>
#include <string_view>

#include "base/win/windows_types.h"

namespace testing_support {

class GuardedBuffer {
 public:
  explicit GuardedBuffer(size_t readable_pages = 1) {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    readable_size_ = readable_pages * info.dwPageSize;
    base_ = static_cast<char*>(
        ::VirtualAlloc(nullptr, readable_size_ + info.dwPageSize,
                       MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    // IsValid tells whether this worked.
    DWORD old_protection = 0;
    if (base_) {
      ::VirtualProtect(base_ + readable_size_, info.dwPageSize, PAGE_NOACCESS,
                       &old_protection);
    }
  }
  ~GuardedBuffer() {
    if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
  }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  // True when the buffer exists and its guard page really is inaccessible.
  bool IsValid() const {
    MEMORY_BASIC_INFORMATION guard = {};
    return base_ &&
           ::VirtualQuery(base_ + readable_size_, &guard, sizeof(guard)) &&
           guard.Protect == PAGE_NOACCESS;
  }
  size_t capacity() const { return readable_size_; }

  // |bytes| must fit in capacity().
  std::string_view Place(const std::string& bytes) {
    char* start = base_ + readable_size_ - bytes.size();
    memcpy(start, bytes.data(), bytes.size());
    return std::string_view(start, bytes.size());
  }

 private:
  char* base_ = nullptr;
  size_t readable_size_ = 0;
};

}  // namespace testing_support

#endif  // TESTING_GUARDED_BUFFER_H_
