// Single owners of kernel handles.
//
// A ScopedHandle owns one kernel handle and closes it when it is replaced,
// closed or destroyed. Every take and release is reported to the process-wide
// handle verifier (handle_verifier.h), so a handle closed twice or by the
// wrong owner stops the process where it happens.
//
//   base::win::ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE,
//                                                nullptr));
//   if (!event.IsValid()) return false;
//   ::SetEvent(event.Get());
//
// Null and INVALID_HANDLE_VALUE both mean "no handle": an owner set to either
// owns nothing. Setting, closing and taking leave the thread's last error as
// it was, so a failed CreateFileW can be handed straight to an owner and its
// error read afterwards. Owners are move-only; one owner is used by one
// thread at a time.
//
// GenericScopedHandle combines a Traits class (the handle type, how it is
// closed, what counts as valid) with a Verifier class (how takes and releases
// are reported). Handles that are not closed with CloseHandle, such as find
// handles, use their own traits with DummyVerifierTraits.
#ifndef BASE_WIN_SCOPED_HANDLE_H_
#define BASE_WIN_SCOPED_HANDLE_H_

#include "base/win/handle_verifier.h"
#include "base/win/windows_types.h"

namespace base {
namespace win {

namespace internal {

// Never inlined, so its return address lies inside the function that calls
// it: that function's own program counter.
__attribute__((noinline)) const void* GetProgramCounter();

}  // namespace internal

template <class Traits, class Verifier>
class GenericScopedHandle {
 public:
  using Handle = typename Traits::Handle;

  GenericScopedHandle() : handle_(Traits::NullHandle()) {}

  // Takes ownership of |handle|; a null or invalid one leaves this empty.
  explicit GenericScopedHandle(Handle handle) : handle_(Traits::NullHandle()) {
    Set(handle);
  }

  GenericScopedHandle(GenericScopedHandle&& other)
      : handle_(Traits::NullHandle()) {
    Set(other.Take());
  }

  GenericScopedHandle& operator=(GenericScopedHandle&& other) {
    if (this != &other)
      Set(other.Take());
    return *this;
  }

  GenericScopedHandle(const GenericScopedHandle&) = delete;
  GenericScopedHandle& operator=(const GenericScopedHandle&) = delete;

  ~GenericScopedHandle() { Close(); }

  bool IsValid() const { return Traits::IsHandleValid(handle_); }

  // Closes the current handle, if any, and takes ownership of |handle|.
  // Setting the handle already owned does nothing.
  __attribute__((noinline)) void Set(Handle handle) {
    if (handle_ == handle)
      return;
    DWORD last_error = ::GetLastError();
    Close();
    if (Traits::IsHandleValid(handle)) {
      handle_ = handle;
      Verifier::StartTracking(handle, this, __builtin_return_address(0),
                              internal::GetProgramCounter());
    }
    ::SetLastError(last_error);
  }

  Handle Get() const { return handle_; }

  // Gives up ownership without closing; the caller now owns the handle.
  __attribute__((noinline)) Handle Take() {
    Handle handle = handle_;
    handle_ = Traits::NullHandle();
    if (Traits::IsHandleValid(handle)) {
      DWORD last_error = ::GetLastError();
      Verifier::StopTracking(handle, this, __builtin_return_address(0),
                             internal::GetProgramCounter());
      ::SetLastError(last_error);
    }
    return handle;
  }

  // Closes the owned handle, if any.
  __attribute__((noinline)) void Close() {
    if (!Traits::IsHandleValid(handle_))
      return;
    DWORD last_error = ::GetLastError();
    Verifier::StopTracking(handle_, this, __builtin_return_address(0),
                           internal::GetProgramCounter());
    Traits::CloseHandle(handle_);
    handle_ = Traits::NullHandle();
    ::SetLastError(last_error);
  }

 private:
  Handle handle_;
};

// Kernel handles closed through the handle verifier.
class HandleTraits {
 public:
  using Handle = HANDLE;

  static bool CloseHandle(HANDLE handle) {
    return VerifierCloseHandle(handle);
  }
  static bool IsHandleValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }
  static HANDLE NullHandle() { return nullptr; }

  HandleTraits() = delete;
};

// Reports takes and releases to the process-wide handle verifier.
class VerifierTraits {
 public:
  using Handle = HANDLE;

  static void StartTracking(HANDLE handle, const void* owner, const void* pc1,
                            const void* pc2) {
    StartHandleTracking(handle, owner, pc1, pc2);
  }
  static void StopTracking(HANDLE handle, const void* owner, const void* pc1,
                           const void* pc2) {
    StopHandleTracking(handle, owner, pc1, pc2);
  }

  VerifierTraits() = delete;
};

// Reports nothing: for handles the verifier does not know about.
class DummyVerifierTraits {
 public:
  template <typename Handle>
  static void StartTracking(Handle, const void*, const void*, const void*) {}
  template <typename Handle>
  static void StopTracking(Handle, const void*, const void*, const void*) {}

  DummyVerifierTraits() = delete;
};

using ScopedHandle = GenericScopedHandle<HandleTraits, VerifierTraits>;

}  // namespace win

using win::ScopedHandle;

}  // namespace base

#endif  // BASE_WIN_SCOPED_HANDLE_H_
