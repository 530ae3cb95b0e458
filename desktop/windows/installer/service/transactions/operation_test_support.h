// Shared by the unit tests of the operations: the registry places they run
// in, and raw registry reads and writes.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_TEST_SUPPORT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_TEST_SUPPORT_H_

#include <sddl.h>

#include <string>
#include <vector>

#include "base/wide_ostream.h"
#include "base/win/registry.h"
#include "base/win/scoped_memory.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "testing/registry_sandbox.h"
#include "testing/registry_security_by_view.h"
#include "gtest/gtest.h"

namespace installer {
namespace test {

// Where a registry test runs: a root and a view.
struct RegistryPlace {
  const char* name;
  HKEY root;
  REGSAM view;
};

// The security calls of the access functions, with the 32-bit registry view
// reached through a handle (see testing/registry_security_by_view.h).
using testing_support::GetSecurityByView;
using testing_support::SetSecurityByView;

inline bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  base::win::RegKey key;
  return key.Open(root, path.c_str(), KEY_READ | view) == ERROR_SUCCESS;
}

inline void CreateKey(HKEY root, const std::wstring& path, REGSAM view) {
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(root, path.c_str(), KEY_ALL_ACCESS | view));
}

// Replaces the access list of a key with |sddl|, such as "D:(A;;KA;;;WD)".
inline void SetKeyDacl(HKEY root, const std::wstring& path, REGSAM view,
                       const wchar_t* sddl) {
  base::win::ScopedLocalMemory<void> descriptor;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      sddl, SDDL_REVISION_1, descriptor.Receive(), nullptr));
  base::win::RegKey key;
  LONG result = key.Open(root, path.c_str(), WRITE_DAC | view);
  if (result == ERROR_SUCCESS) {
    result = ::RegSetKeySecurity(key.Handle(), DACL_SECURITY_INFORMATION,
                                 descriptor.Get());
  }
  ASSERT_EQ(ERROR_SUCCESS, result);
}

// The current user's keys, the machine's keys and the machine's 32-bit view.
inline const RegistryPlace kRegistryPlaces[] = {
    {"CurrentUser", HKEY_CURRENT_USER, 0},
    {"Machine", HKEY_LOCAL_MACHINE, 0},
    {"Machine32", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
};

}  // namespace test
}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_TEST_SUPPORT_H_
