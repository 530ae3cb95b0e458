#include "base/win/scoped_bstr.h"

#include "base/logging.h"

namespace base {
namespace win {

namespace {

void FreeKeepingLastError(BSTR bstr) {
  DWORD last_error = ::GetLastError();
  ::SysFreeString(bstr);
  ::SetLastError(last_error);
}

}  // namespace

ScopedBstr::ScopedBstr(const wchar_t* text) : bstr_(::SysAllocString(text)) {
  CHECK(bstr_ || !text) << "SysAllocString out of memory";
}

ScopedBstr::~ScopedBstr() {
  FreeKeepingLastError(bstr_);
}

ScopedBstr& ScopedBstr::operator=(ScopedBstr&& other) noexcept {
  if (this != &other) {
    FreeKeepingLastError(bstr_);
    bstr_ = other.bstr_;
    other.bstr_ = nullptr;
  }
  return *this;
}

BSTR* ScopedBstr::Receive() {
  FreeKeepingLastError(bstr_);
  bstr_ = nullptr;
  return &bstr_;
}

}  // namespace win
}  // namespace base
