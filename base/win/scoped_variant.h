// ScopedVariant: the single owner of one VARIANT, released with VariantClear.
//
//   ScopedVariant command_line(L"setup.exe --install");
//   in_params->Put(L"CommandLine", 0,
//                  const_cast<VARIANT*>(&command_line.get()), 0);
//
// A default-constructed owner holds VT_EMPTY. A string owner holds VT_BSTR
// with its own copy of the text; a null string gives VT_BSTR with a null
// BSTR, which COM reads as the empty string. Clearing leaves the thread's
// last error as it was. Move-only (the source is left VT_EMPTY); one thread
// at a time.
#ifndef BASE_WIN_SCOPED_VARIANT_H_
#define BASE_WIN_SCOPED_VARIANT_H_

#include "base/win/windows_types.h"

#include <oleauto.h>

namespace base {
namespace win {

class ScopedVariant {
 public:
  ScopedVariant();
  // Failing to allocate the copy of |text| stops the process.
  explicit ScopedVariant(const wchar_t* text);
  ~ScopedVariant();

  ScopedVariant(ScopedVariant&& other) noexcept;
  ScopedVariant& operator=(ScopedVariant&& other) noexcept;
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARTYPE type() const { return value_.vt; }
  // Still owned by this object.
  const VARIANT& get() const { return value_; }
  // Clears the current value and returns where a COM call may store one
  // that this object then owns: |object->Get(name, 0, value.Receive(), ...)|.
  VARIANT* Receive();

 private:
  VARIANT value_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_VARIANT_H_
