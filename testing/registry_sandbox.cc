#include "testing/registry_sandbox.h"

#include <atomic>
#include <cstdlib>
#include <utility>

#include "base/win/registry.h"

namespace testing_support {

namespace {

// Creates HKCU\|path| and opens it with every right; stops the process when
// it cannot, as no test could run without its sandbox.
base::win::RegKey CreateKey(const std::wstring& path) {
  base::win::RegKey key;
  if (key.Create(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS) !=
      ERROR_SUCCESS) {
    std::abort();
  }
  return key;
}

}  // namespace

RegistrySandbox::RegistrySandbox(bool redirect_predefined)
    : redirected_(redirect_predefined) {
  static std::atomic<int> counter{0};
  path_ = L"Software\\VeltoTest\\" + std::to_wstring(::GetCurrentProcessId()) +
          L"_" + std::to_wstring(::GetTickCount64()) + L"_" +
          std::to_wstring(counter++);
  CreateKey(path_);
  if (!redirected_) return;
  // HKCU last: the other two are created through the real HKCU.
  for (const auto& root : {std::make_pair(HKEY_LOCAL_MACHINE, L"\\HKLM"),
                           std::make_pair(HKEY_CLASSES_ROOT, L"\\HKCR"),
                           std::make_pair(HKEY_CURRENT_USER, L"\\HKCU")}) {
    if (::RegOverridePredefKey(root.first,
                               CreateKey(path_ + root.second).Handle()) !=
        ERROR_SUCCESS) {
      std::abort();
    }
  }
}

RegistrySandbox::~RegistrySandbox() {
  if (redirected_) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT})
      ::RegOverridePredefKey(root, nullptr);
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

}  // namespace testing_support
