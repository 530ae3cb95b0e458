#include "testing/registry_sandbox.h"

#include <atomic>
#include <cstdlib>

namespace testing_support {

namespace {

void RedirectRoot(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS ||
      ::RegOverridePredefKey(root, key) != ERROR_SUCCESS) {
    std::abort();
  }
  ::RegCloseKey(key);
}

}  // namespace

RegistrySandbox::RegistrySandbox(bool redirect_predefined)
    : redirected_(redirect_predefined) {
  static std::atomic<int> counter{0};
  path_ = L"Software\\VeltoTest\\" + std::to_wstring(::GetCurrentProcessId()) +
          L"_" + std::to_wstring(::GetTickCount64()) + L"_" +
          std::to_wstring(counter++);
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    std::abort();
  }
  ::RegCloseKey(key);
  if (redirected_) {
    // HKCU last: the other two are created through the real HKCU.
    RedirectRoot(HKEY_LOCAL_MACHINE, path_ + L"\\HKLM");
    RedirectRoot(HKEY_CLASSES_ROOT, path_ + L"\\HKCR");
    RedirectRoot(HKEY_CURRENT_USER, path_ + L"\\HKCU");
  }
}

RegistrySandbox::~RegistrySandbox() {
  if (redirected_) {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }
  ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

}  // namespace testing_support
