#include "base/win/scoped_bstr.h"

#include "base/logging.h"

namespace base {
namespace win {

ScopedBstr::ScopedBstr(const wchar_t* text) : bstr_(::SysAllocString(text)) {
  CHECK(bstr_ || !text) << "SysAllocString out of memory";
}

ScopedBstr::~ScopedBstr() {
  ::SysFreeString(bstr_);
}

ScopedBstr& ScopedBstr::operator=(ScopedBstr&& other) noexcept {
  if (this != &other) {
    ::SysFreeString(bstr_);
    bstr_ = other.bstr_;
    other.bstr_ = nullptr;
  }
  return *this;
}

BSTR* ScopedBstr::Receive() {
  ::SysFreeString(bstr_);
  bstr_ = nullptr;
  return &bstr_;
}

}  // namespace win
}  // namespace base
