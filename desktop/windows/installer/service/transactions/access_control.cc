#include "desktop/windows/installer/service/transactions/access_control.h"

#include <stdint.h>

#include <vector>

#include "base/win/well_known_sid.h"

namespace installer {

namespace {

const SecurityInfoFunctions kRealSecurityInfoFunctions = {
    &::GetNamedSecurityInfoW,
    &::SetNamedSecurityInfoW,
};

const SecurityInfoFunctions* g_security_info_functions =
    &kRealSecurityInfoFunctions;

using base::win::ScopedLocalMemory;
using base::win::ScopedSid;

// Explicit entries handed out by GetExplicitEntriesFromAclW: one block.
using ScopedExplicitEntries = ScopedLocalMemory<EXPLICIT_ACCESS_W>;

// Answers false with |error| as the thread's last error, for the calls that
// return their error instead of setting it. Nothing here logs: the caller
// does, with the object it was working on.
bool FailWith(DWORD error) {
  ::SetLastError(error);
  return false;
}

bool GetGenericMapping(SE_OBJECT_TYPE object_type, GENERIC_MAPPING* mapping) {
  switch (object_type) {
    case SE_FILE_OBJECT:
      *mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                  FILE_ALL_ACCESS};
      return true;
    case SE_REGISTRY_KEY:
    case SE_REGISTRY_WOW64_32KEY:
      *mapping = {KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
      return true;
    default:
      return false;
  }
}

// Reads the descriptor parts |information| asks for. A call that reports
// success without handing out a descriptor is a failure too: nothing could
// be checked or restored from it.
DWORD ReadSecurityInfo(const std::wstring& object_name,
                       SE_OBJECT_TYPE object_type,
                       SECURITY_INFORMATION information, PACL* dacl,
                       ScopedLocalMemory<void>* descriptor) {
  DWORD result = g_security_info_functions->get_named_security_info(
      object_name.c_str(), object_type, information, nullptr, nullptr, dacl,
      nullptr, descriptor->Receive());
  if (result == ERROR_SUCCESS && !descriptor->IsValid())
    return ERROR_INVALID_SECURITY_DESCR;
  return result;
}

// Whether |descriptor|'s list is protected from inheritance, in the form
// that a DACL write takes. Without it a write would make a protected list
// inherit its parent's entries from then on.
SECURITY_INFORMATION DaclProtection(PSECURITY_DESCRIPTOR descriptor) {
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (descriptor &&
      ::GetSecurityDescriptorControl(descriptor, &control, &revision) &&
      (control & SE_DACL_PROTECTED)) {
    return PROTECTED_DACL_SECURITY_INFORMATION;
  }
  return UNPROTECTED_DACL_SECURITY_INFORMATION;
}

DWORD WriteDacl(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                PACL dacl, PSECURITY_DESCRIPTOR protection_source) {
  return g_security_info_functions->set_named_security_info(
      const_cast<wchar_t*>(object_name.c_str()), object_type,
      DACL_SECURITY_INFORMATION | DaclProtection(protection_source), nullptr,
      nullptr, dacl, nullptr);
}

// The SID of the process token's user, copied out of the token.
bool GetProcessUserSid(std::vector<uint8_t>* sid) {
  HANDLE raw_token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw_token))
    return false;
  base::win::ScopedHandle token(raw_token);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size < sizeof(TOKEN_USER))
    return false;
  std::vector<uint8_t> buffer(size);
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size,
                             &size)) {
    return false;
  }
  PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  if (!::IsValidSid(user))
    return FailWith(ERROR_INVALID_SID);
  DWORD length = ::GetLengthSid(user);
  sid->resize(length);
  return ::CopySid(length, sid->data(), user) != FALSE;
}

// Removes |access_mask| from every explicit deny entry given by SID that
// applies to the calling process, so the new allow entry is not overruled.
void ClearMatchingDenies(EXPLICIT_ACCESS_W* entries, ULONG count,
                         ACCESS_MASK access_mask) {
  for (ULONG i = 0; i < count; ++i) {
    EXPLICIT_ACCESS_W& entry = entries[i];
    if (entry.grfAccessMode != DENY_ACCESS ||
        entry.Trustee.TrusteeForm != TRUSTEE_IS_SID) {
      continue;
    }
    BOOL is_member = FALSE;
    if (::CheckTokenMembership(nullptr, entry.Trustee.ptstrName, &is_member) &&
        is_member) {
      entry.grfAccessPermissions &= ~access_mask;
    }
  }
}

}  // namespace

SavedAcl::SavedAcl() = default;

SavedAcl::~SavedAcl() = default;

bool HasAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
               ACCESS_MASK access_mask) {
  GENERIC_MAPPING mapping;
  if (!GetGenericMapping(object_type, &mapping))
    return FailWith(ERROR_INVALID_PARAMETER);

  HANDLE raw_token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_QUERY, &raw_token)) {
    return false;
  }
  base::win::ScopedHandle process_token(raw_token);
  raw_token = nullptr;
  if (!::DuplicateToken(process_token.Get(), SecurityIdentification,
                        &raw_token)) {
    return false;
  }
  base::win::ScopedHandle token(raw_token);

  ScopedLocalMemory<void> descriptor;
  const DWORD result = ReadSecurityInfo(
      object_name, object_type,
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
          DACL_SECURITY_INFORMATION,
      nullptr, &descriptor);
  if (result != ERROR_SUCCESS)
    return FailWith(result);

  // AccessCheck refuses generic rights; callers may pass them.
  ACCESS_MASK desired = access_mask;
  ::MapGenericMask(&desired, &mapping);
  // Room for one privilege, the most a check without system-security
  // access can use.
  alignas(PRIVILEGE_SET) uint8_t privileges[sizeof(PRIVILEGE_SET)] = {};
  DWORD privileges_size = sizeof(privileges);
  DWORD granted = 0;
  BOOL status = FALSE;
  if (!::AccessCheck(descriptor.Get(), token.Get(), desired, &mapping,
                     reinterpret_cast<PRIVILEGE_SET*>(privileges),
                     &privileges_size, &granted, &status)) {
    return false;
  }
  return status != FALSE;
}

bool GrantAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                 ACCESS_MASK access_mask, bool permanent,
                 std::unique_ptr<SavedAcl>* saved) {
  saved->reset();

  // The token's user SID, not the logon name: a bare name may resolve to a
  // domain account and a local account alike.
  std::vector<uint8_t> user_sid;
  if (!GetProcessUserSid(&user_sid))
    return false;

  PACL old_dacl = nullptr;
  ScopedLocalMemory<void> descriptor;
  DWORD result = ReadSecurityInfo(object_name, object_type,
                                  DACL_SECURITY_INFORMATION, &old_dacl,
                                  &descriptor);
  if (result == ERROR_ACCESS_DENIED && TakeOwnership(object_name, object_type))
    result = ReadSecurityInfo(object_name, object_type,
                              DACL_SECURITY_INFORMATION, &old_dacl,
                              &descriptor);
  if (result != ERROR_SUCCESS)
    return FailWith(result);

  ULONG entry_count = 0;
  ScopedExplicitEntries entries;
  if (old_dacl) {
    result = ::GetExplicitEntriesFromAclW(old_dacl, &entry_count,
                                          entries.Receive());
    if (result != ERROR_SUCCESS)
      return FailWith(result);
  }
  ClearMatchingDenies(entries.Get(), entry_count, access_mask);

  EXPLICIT_ACCESS_W grant = {};
  grant.grfAccessPermissions = access_mask;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  ::BuildTrusteeWithSidW(&grant.Trustee, user_sid.data());
  grant.Trustee.TrusteeType = TRUSTEE_IS_USER;

  ScopedLocalMemory<ACL> grant_acl;
  result = ::SetEntriesInAclW(1, &grant, nullptr, grant_acl.Receive());
  if (result != ERROR_SUCCESS)
    return FailWith(result);
  // Inherited entries stay out: the system adds them again from the parent
  // when the list is written.
  ScopedLocalMemory<ACL> new_acl;
  result = ::SetEntriesInAclW(entry_count, entries.Get(), grant_acl.Get(),
                              new_acl.Receive());
  if (result != ERROR_SUCCESS)
    return FailWith(result);

  result = WriteDacl(object_name, object_type, new_acl.Get(), descriptor.Get());
  if (result == ERROR_ACCESS_DENIED && TakeOwnership(object_name, object_type))
    result =
        WriteDacl(object_name, object_type, new_acl.Get(), descriptor.Get());
  if (result != ERROR_SUCCESS)
    return FailWith(result);

  if (!permanent) {
    auto record = std::make_unique<SavedAcl>();
    record->object_name = object_name;
    record->object_type = object_type;
    record->old_dacl = old_dacl;
    record->security_descriptor = std::move(descriptor);
    *saved = std::move(record);
  }
  return true;
}

bool GrantAuthenticatedUsersReadAccess(const std::wstring& file_name) {
  PACL old_dacl = nullptr;
  ScopedLocalMemory<void> descriptor;
  DWORD result = ReadSecurityInfo(file_name, SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION, &old_dacl,
                                  &descriptor);
  if (result != ERROR_SUCCESS)
    return FailWith(result);
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  ScopedSid authenticated_users;
  if (!::AllocateAndInitializeSid(&nt_authority, 1,
                                  SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0,
                                  0, 0, 0, authenticated_users.Receive())) {
    return false;
  }

  EXPLICIT_ACCESS_W entry = {};
  entry.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
  entry.grfAccessMode = GRANT_ACCESS;
  entry.grfInheritance = NO_INHERITANCE;
  entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  entry.Trustee.ptstrName = static_cast<LPWSTR>(authenticated_users.Get());
  ScopedLocalMemory<ACL> new_dacl;
  result = ::SetEntriesInAclW(1, &entry, old_dacl, new_dacl.Receive());
  if (result != ERROR_SUCCESS)
    return FailWith(result);
  result = WriteDacl(file_name, SE_FILE_OBJECT, new_dacl.Get(),
                     descriptor.Get());
  return result == ERROR_SUCCESS || FailWith(result);
}

bool RestoreAccess(std::unique_ptr<SavedAcl>* saved) {
  if (!*saved)
    return FailWith(ERROR_INVALID_PARAMETER);
  const SavedAcl& record = **saved;
  DWORD result = WriteDacl(record.object_name, record.object_type,
                           record.old_dacl, record.security_descriptor.Get());
  saved->reset();
  return result == ERROR_SUCCESS || FailWith(result);
}

bool TakeOwnership(const std::wstring& object_name,
                   SE_OBJECT_TYPE object_type) {
  HANDLE raw_token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES,
                          &raw_token) ||
      !SetTokenPrivilege(SE_TAKE_OWNERSHIP_NAME, true,
                         base::win::ScopedHandle(raw_token))) {
    return false;
  }

  DWORD result = ERROR_SUCCESS;
  ScopedSid administrators = base::win::CreateAdministratorsSid();
  if (administrators.IsValid()) {
    result = g_security_info_functions->set_named_security_info(
        const_cast<wchar_t*>(object_name.c_str()), object_type,
        OWNER_SECURITY_INFORMATION, administrators.Get(), nullptr, nullptr,
        nullptr);
  } else {
    result = ::GetLastError();
  }

  // Read before: giving the privilege back sets the last error again.
  raw_token = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES,
                         &raw_token)) {
    SetTokenPrivilege(SE_TAKE_OWNERSHIP_NAME, false,
                      base::win::ScopedHandle(raw_token));
  }
  return result == ERROR_SUCCESS || FailWith(result);
}

bool SetTokenPrivilege(const wchar_t* privilege_name, bool enable,
                       base::win::ScopedHandle token) {
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  if (!::LookupPrivilegeValueW(nullptr, privilege_name,
                               &privileges.Privileges[0].Luid)) {
    return false;
  }
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  // Succeeds even when the token lacks the privilege; only the last error
  // tells.
  if (!::AdjustTokenPrivileges(token.Get(), FALSE, &privileges,
                               sizeof(privileges), nullptr, nullptr)) {
    return false;
  }
  // ERROR_NOT_ALL_ASSIGNED stays the last error, which tells why.
  return ::GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

internal::ScopedSecurityInfoFunctionsForTesting::ScopedSecurityInfoFunctionsForTesting(
    const SecurityInfoFunctions& functions)
    : functions_(functions), previous_(g_security_info_functions) {
  g_security_info_functions = &functions_;
}

internal::ScopedSecurityInfoFunctionsForTesting::
    ~ScopedSecurityInfoFunctionsForTesting() {
  g_security_info_functions = previous_;
}

}  // namespace installer
