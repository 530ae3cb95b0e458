// Single owners of memory that a Windows call allocates for its caller, one
// per way of freeing it:
//
//   ScopedLocalMemory<T>   LocalFree: security descriptors, ACLs and SDDL
//                          text, CommandLineToArgvW, CryptDecodeObjectEx.
//   ScopedCoTaskMemory<T>  CoTaskMemFree: strings and arrays that COM and
//                          the shell hand out (SHGetKnownFolderPath).
//   ScopedSid              FreeSid: SIDs from AllocateAndInitializeSid.
//
//   base::win::ScopedLocalMemory<void> descriptor;
//   if (::GetNamedSecurityInfoW(name, SE_FILE_OBJECT,
//                               DACL_SECURITY_INFORMATION, nullptr, nullptr,
//                               &dacl, nullptr,
//                               descriptor.Receive()) != ERROR_SUCCESS) {
//     return false;
//   }
//   ::AccessCheck(descriptor.Get(), ...);
//
// Freeing leaves the thread's last error as it was, so a call's output can
// be handed to an owner before its error is read. Owners are move-only and
// give the pointer out only through Get(); one owner is used by one thread
// at a time. The header needs none of the base library's sources, so the
// test-support code uses it as well.
#ifndef BASE_WIN_SCOPED_MEMORY_H_
#define BASE_WIN_SCOPED_MEMORY_H_

#include <utility>

#include "base/win/windows_types.h"

#include <objbase.h>

namespace base {
namespace win {

// Owns one block of T (or an array of T) freed with Traits::Free.
template <typename T, typename Traits>
class GenericScopedMemory {
 public:
  GenericScopedMemory() = default;
  // Takes ownership of |memory|, which may be null.
  explicit GenericScopedMemory(T* memory) : memory_(memory) {}

  GenericScopedMemory(GenericScopedMemory&& other) noexcept
      : memory_(other.Take()) {}
  GenericScopedMemory& operator=(GenericScopedMemory&& other) noexcept {
    if (this != &other)
      Set(other.Take());
    return *this;
  }
  GenericScopedMemory(const GenericScopedMemory&) = delete;
  GenericScopedMemory& operator=(const GenericScopedMemory&) = delete;

  ~GenericScopedMemory() { Free(); }

  bool IsValid() const { return memory_ != nullptr; }
  // Still owned by this object.
  T* Get() const { return memory_; }

  // Frees the current block and returns where a call may store one that
  // this object then owns: |::SetEntriesInAclW(..., acl.Receive())|.
  T** Receive() {
    Free();
    return &memory_;
  }

  // Frees the current block, if any, and takes ownership of |memory|.
  // Setting the block already owned does nothing.
  void Set(T* memory) {
    if (memory == memory_)
      return;
    Free();
    memory_ = memory;
  }

  // Gives up ownership without freeing; the caller now owns the block.
  T* Take() { return std::exchange(memory_, nullptr); }

  // Frees the owned block, if any.
  void Free() {
    if (!memory_)
      return;
    DWORD last_error = ::GetLastError();
    Traits::Free(memory_);
    memory_ = nullptr;
    ::SetLastError(last_error);
  }

 private:
  T* memory_ = nullptr;
};

struct LocalMemoryTraits {
  static void Free(void* memory) { ::LocalFree(memory); }
};

struct CoTaskMemoryTraits {
  static void Free(void* memory) { ::CoTaskMemFree(memory); }
};

struct SidTraits {
  static void Free(void* sid) { ::FreeSid(sid); }
};

template <typename T>
using ScopedLocalMemory = GenericScopedMemory<T, LocalMemoryTraits>;

template <typename T>
using ScopedCoTaskMemory = GenericScopedMemory<T, CoTaskMemoryTraits>;

// A PSID is a void*.
using ScopedSid = GenericScopedMemory<void, SidTraits>;

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_MEMORY_H_
