// ScopedBstr: the single owner of one BSTR, freed with SysFreeString.
//
//   ScopedBstr name(L"Win32_Process");
//   services->GetObject(name.Get(), 0, nullptr, &process_class, nullptr);
//
// A null string gives a null BSTR, which COM reads as the empty string.
// Freeing leaves the thread's last error as it was. Move-only; one thread at
// a time.
#ifndef BASE_WIN_SCOPED_BSTR_H_
#define BASE_WIN_SCOPED_BSTR_H_

#include "base/win/windows_types.h"

#include <oleauto.h>

namespace base {
namespace win {

class ScopedBstr {
 public:
  ScopedBstr() : bstr_(nullptr) {}
  // Owns a copy of |text|. Failing to allocate the copy stops the process,
  // so a BSTR that should hold text is never silently empty.
  explicit ScopedBstr(const wchar_t* text);
  ~ScopedBstr();

  ScopedBstr(ScopedBstr&& other) noexcept : bstr_(other.bstr_) {
    other.bstr_ = nullptr;
  }
  ScopedBstr& operator=(ScopedBstr&& other) noexcept;
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;

  // Still owned by this object.
  BSTR Get() const { return bstr_; }
  // Frees the current string and returns where a COM call may store one
  // that this object then owns: |object->get_Name(name.Receive())|.
  BSTR* Receive();

 private:
  BSTR bstr_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_BSTR_H_
