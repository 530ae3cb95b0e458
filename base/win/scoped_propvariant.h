// ScopedPropVariant: the single owner of one PROPVARIANT, released with
// PropVariantClear when it holds a value. Fill it through Receive():
//
//   ScopedPropVariant value;
//   if (FAILED(InitPropVariantFromString(L"Velto.App", value.Receive())))
//     return false;
//   store->SetValue(key, value.get());
//
// Move-only; one thread at a time.
#ifndef BASE_WIN_SCOPED_PROPVARIANT_H_
#define BASE_WIN_SCOPED_PROPVARIANT_H_

#include "base/win/windows_types.h"

#include <propidl.h>
#include <string.h>

#include "base/logging.h"

namespace base {
namespace win {

class ScopedPropVariant {
 public:
  ScopedPropVariant() { ::memset(&value_, 0, sizeof(value_)); }
  ~ScopedPropVariant() { Reset(); }

  ScopedPropVariant(ScopedPropVariant&& other) noexcept
      : value_(other.value_) {
    ::memset(&other.value_, 0, sizeof(other.value_));
  }
  ScopedPropVariant& operator=(ScopedPropVariant&& other) noexcept {
    if (this != &other) {
      Reset();
      value_ = other.value_;
      ::memset(&other.value_, 0, sizeof(other.value_));
    }
    return *this;
  }
  ScopedPropVariant(const ScopedPropVariant&) = delete;
  ScopedPropVariant& operator=(const ScopedPropVariant&) = delete;

  // The value to fill; the owner must be empty, so nothing leaks.
  PROPVARIANT* Receive() {
    DCHECK_EQ(value_.vt, VT_EMPTY);
    return &value_;
  }

  // Clears the value, if any.
  void Reset() {
    if (value_.vt != VT_EMPTY) {
      ::PropVariantClear(&value_);
      ::memset(&value_, 0, sizeof(value_));
    }
  }

  const PROPVARIANT& get() const { return value_; }

 private:
  PROPVARIANT value_;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_PROPVARIANT_H_
