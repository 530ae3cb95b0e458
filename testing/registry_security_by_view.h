// The named security calls (GetNamedSecurityInfoW, SetNamedSecurityInfoW)
// with the 32-bit registry view reached through a key handle, for tests on
// systems whose named calls answer that view with an empty success. Names
// are the access functions' full key names below "MACHINE\\" or
// "CURRENT_USER\\"; every other object type goes to the real calls.
#ifndef TESTING_REGISTRY_SECURITY_BY_VIEW_H_
#define TESTING_REGISTRY_SECURITY_BY_VIEW_H_

#include <aclapi.h>
#include <wchar.h>

#include <utility>

#include "base/win/registry.h"
#include "base/win/windows_types.h"

namespace testing_support {

// The key |name| opened in the 32-bit view; none when it cannot be.
inline base::win::RegKey OpenWow32KeyByName(const wchar_t* name,
                                            REGSAM access) {
  const std::pair<const wchar_t*, HKEY> kRoots[] = {
      {L"MACHINE\\", HKEY_LOCAL_MACHINE},
      {L"CURRENT_USER\\", HKEY_CURRENT_USER}};
  base::win::RegKey key;
  for (const auto& root : kRoots) {
    const size_t length = wcslen(root.first);
    if (_wcsnicmp(name, root.first, length) == 0)
      key.Open(root.second, name + length, access | KEY_WOW64_32KEY);
  }
  return key;
}

inline DWORD WINAPI GetSecurityByView(LPCWSTR name, SE_OBJECT_TYPE type,
                                      SECURITY_INFORMATION information,
                                      PSID* owner, PSID* group, PACL* dacl,
                                      PACL* sacl,
                                      PSECURITY_DESCRIPTOR* descriptor) {
  if (type != SE_REGISTRY_WOW64_32KEY) {
    return ::GetNamedSecurityInfoW(name, type, information, owner, group, dacl,
                                   sacl, descriptor);
  }
  base::win::RegKey key = OpenWow32KeyByName(name, READ_CONTROL);
  if (!key.Valid()) return ERROR_FILE_NOT_FOUND;
  return ::GetSecurityInfo(key.Handle(), SE_REGISTRY_KEY, information, owner,
                           group, dacl, sacl, descriptor);
}

inline DWORD WINAPI SetSecurityByView(LPWSTR name, SE_OBJECT_TYPE type,
                                      SECURITY_INFORMATION information,
                                      PSID owner, PSID group, PACL dacl,
                                      PACL sacl) {
  if (type != SE_REGISTRY_WOW64_32KEY) {
    return ::SetNamedSecurityInfoW(name, type, information, owner, group, dacl,
                                   sacl);
  }
  base::win::RegKey key = OpenWow32KeyByName(name, WRITE_DAC | WRITE_OWNER);
  if (!key.Valid()) return ERROR_FILE_NOT_FOUND;
  return ::SetSecurityInfo(key.Handle(), SE_REGISTRY_KEY, information, owner,
                           group, dacl, sacl);
}

}  // namespace testing_support

#endif  // TESTING_REGISTRY_SECURITY_BY_VIEW_H_
