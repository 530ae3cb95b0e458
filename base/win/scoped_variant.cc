#include "base/win/scoped_variant.h"

#include "base/logging.h"

namespace base {
namespace win {

namespace {

void ClearKeepingLastError(VARIANT* value) {
  DWORD last_error = ::GetLastError();
  ::VariantClear(value);
  ::SetLastError(last_error);
}

}  // namespace

ScopedVariant::ScopedVariant() {
  ::VariantInit(&value_);
}

ScopedVariant::ScopedVariant(const wchar_t* text) {
  ::VariantInit(&value_);
  value_.vt = VT_BSTR;
  value_.bstrVal = ::SysAllocString(text);
  CHECK(value_.bstrVal || !text) << "SysAllocString out of memory";
}

ScopedVariant::~ScopedVariant() {
  ClearKeepingLastError(&value_);
}

ScopedVariant::ScopedVariant(ScopedVariant&& other) noexcept
    : value_(other.value_) {
  ::VariantInit(&other.value_);
}

ScopedVariant& ScopedVariant::operator=(ScopedVariant&& other) noexcept {
  if (this != &other) {
    ClearKeepingLastError(&value_);
    value_ = other.value_;
    ::VariantInit(&other.value_);
  }
  return *this;
}

VARIANT* ScopedVariant::Receive() {
  ClearKeepingLastError(&value_);
  return &value_;
}

}  // namespace win
}  // namespace base
