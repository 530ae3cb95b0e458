// A unique key HKCU\Software\VeltoTest\<unique> for one test, deleted with
// everything below it when the owner goes out of scope. With
// |redirect_predefined| the predefined roots HKCU, HKLM and HKCR of this
// process are redirected into subkeys of it for the owner's lifetime, so code
// that writes to the real roots writes into the sandbox instead.
//
//   RegistrySandbox sandbox;
//   RegKey key(HKEY_CURRENT_USER, sandbox.path().c_str(), KEY_ALL_ACCESS);
#ifndef TESTING_REGISTRY_SANDBOX_H_
#define TESTING_REGISTRY_SANDBOX_H_

#include <string>

#include "base/win/windows_types.h"

namespace testing_support {

class RegistrySandbox {
 public:
  explicit RegistrySandbox(bool redirect_predefined = false);
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // The sandbox key's path below HKEY_CURRENT_USER (the real one).
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  bool redirected_;
};

}  // namespace testing_support

#endif  // TESTING_REGISTRY_SANDBOX_H_
