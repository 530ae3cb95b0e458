#include "desktop/windows/installer/service/transactions/access_control.h"

#include <utility>
#include <vector>

#include "base/win/scoped_memory.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "testing/scoped_test_folder.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// KEY_SET_VALUE and DELETE denied to Everyone, which the test process
// belongs to, and to Guests, which it does not; then everything allowed.
constexpr wchar_t kDenyWriteDacl[] =
    L"D:(D;;0x10002;;;WD)(D;;0x10002;;;BG)(A;;KA;;;WD)";
// The same, protected from inheriting the parent's entries.
constexpr wchar_t kProtectedDenyWriteDacl[] =
    L"D:P(D;;0x10002;;;WD)(D;;0x10002;;;BG)(A;;KA;;;WD)";

using Sid = std::vector<uint8_t>;

Sid WellKnownSid(WELL_KNOWN_SID_TYPE type) {
  Sid sid(SECURITY_MAX_SID_SIZE);
  DWORD size = SECURITY_MAX_SID_SIZE;
  EXPECT_TRUE(::CreateWellKnownSid(type, nullptr, sid.data(), &size));
  return sid;
}

Sid ProcessUserSid() {
  HANDLE token = nullptr;
  EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
  base::win::ScopedHandle owned(token);
  uint8_t buffer[256];
  DWORD size = 0;
  EXPECT_TRUE(
      ::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size));
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  const uint8_t* bytes = static_cast<const uint8_t*>(sid);
  return Sid(bytes, bytes + ::GetLengthSid(sid));
}

const SecurityInfoFunctions kRealCalls = {&::GetNamedSecurityInfoW,
                                          &::SetNamedSecurityInfoW};
// The calls the helpers below read and write descriptors with: the same ones
// the code under test is given.
const SecurityInfoFunctions* g_calls = &kRealCalls;

// Sets the object's DACL from SDDL text such as "D:(A;;FA;;;WD)".
void SetDaclFromSddl(const std::wstring& name, SE_OBJECT_TYPE type,
                     const wchar_t* sddl) {
  base::win::ScopedLocalMemory<void> descriptor;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      sddl, SDDL_REVISION_1, descriptor.Receive(), nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ::GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted);
  const SECURITY_INFORMATION protection =
      std::wstring(sddl).compare(0, 3, L"D:P") == 0
          ? PROTECTED_DACL_SECURITY_INFORMATION
          : UNPROTECTED_DACL_SECURITY_INFORMATION;
  ASSERT_EQ(
      static_cast<DWORD>(ERROR_SUCCESS),
      g_calls->set_named_security_info(const_cast<wchar_t*>(name.c_str()), type,
                                       DACL_SECURITY_INFORMATION | protection,
                                       nullptr, nullptr, dacl, nullptr))
      << name;
}

std::wstring GetSddl(const std::wstring& name, SE_OBJECT_TYPE type,
                     SECURITY_INFORMATION information) {
  base::win::ScopedLocalMemory<void> descriptor;
  base::win::ScopedLocalMemory<wchar_t> text;
  if (g_calls->get_named_security_info(name.c_str(), type, information, nullptr,
                                       nullptr, nullptr, nullptr,
                                       descriptor.Receive()) != ERROR_SUCCESS ||
      !::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor.Get(), SDDL_REVISION_1, information, text.Receive(),
          nullptr)) {
    return L"<unreadable>";
  }
  return text.Get();
}

// The mask and flags of an access entry; {0, -1} when there is none.
using Ace = std::pair<ACCESS_MASK, int>;

// The explicit entry of |ace_type| for |sid| in |dacl|.
Ace FindAce(PACL dacl, BYTE ace_type, PSID sid) {
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    ::GetAce(dacl, i, reinterpret_cast<void**>(&header));
    // Allowed and denied entries share one layout.
    auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    if (header->AceType == ace_type && !(header->AceFlags & INHERITED_ACE) &&
        ::EqualSid(&ace->SidStart, sid)) {
      return {ace->Mask, header->AceFlags};
    }
  }
  return {0, -1};
}

// The same in the object's DACL; none when it cannot be read.
Ace FindAce(const std::wstring& name, SE_OBJECT_TYPE type, BYTE ace_type,
            PSID sid) {
  PACL dacl = nullptr;
  base::win::ScopedLocalMemory<void> descriptor;
  g_calls->get_named_security_info(name.c_str(), type,
                                   DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   &dacl, nullptr, descriptor.Receive());
  return FindAce(dacl, ace_type, sid);
}

DWORD WINAPI GetEmptySuccess(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION,
                             PSID*, PSID*, PACL* dacl, PACL*,
                             PSECURITY_DESCRIPTOR* descriptor) {
  if (dacl) *dacl = nullptr;
  *descriptor = nullptr;
  return ERROR_SUCCESS;
}

// Runs the grant cycle on a key, reached through |calls|, whose DACL is
// |deny_write_dacl|.
void CheckGrantAndRestore(const SecurityInfoFunctions& calls,
                          const std::wstring& name, SE_OBJECT_TYPE type,
                          const wchar_t* deny_write_dacl) {
  internal::ScopedSecurityInfoFunctionsForTesting seam(calls);
  g_calls = &calls;
  Sid everyone = WellKnownSid(WinWorldSid);
  Sid guests = WellKnownSid(WinBuiltinGuestsSid);
  Sid user = ProcessUserSid();
  auto find = [&](BYTE ace_type, Sid& sid) {
    return FindAce(name, type, ace_type, sid.data());
  };

  SetDaclFromSddl(name, type, deny_write_dacl);
  const std::wstring original = GetSddl(name, type, DACL_SECURITY_INFORMATION);
  const Ace deny_write(KEY_SET_VALUE | DELETE, 0);
  EXPECT_EQ(deny_write, find(ACCESS_DENIED_ACE_TYPE, guests)) << original;
  EXPECT_FALSE(HasAccess(name, type, KEY_SET_VALUE)) << original;

  std::unique_ptr<SavedAcl> saved;
  EXPECT_TRUE(GrantAccess(name, type, KEY_SET_VALUE, false, &saved));
  EXPECT_TRUE(HasAccess(name, type, KEY_SET_VALUE))
      << GetSddl(name, type, DACL_SECURITY_INFORMATION);
  // Everyone's deny keeps DELETE only; Guests' stays whole.
  EXPECT_EQ(Ace(DELETE, 0), find(ACCESS_DENIED_ACE_TYPE, everyone));
  EXPECT_EQ(deny_write, find(ACCESS_DENIED_ACE_TYPE, guests));
  EXPECT_EQ(Ace(KEY_ALL_ACCESS, 0), find(ACCESS_ALLOWED_ACE_TYPE, everyone));
  EXPECT_EQ(Ace(KEY_SET_VALUE, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
            find(ACCESS_ALLOWED_ACE_TYPE, user));

  // Restoring empties the record: a second restore has nothing to write.
  EXPECT_TRUE(RestoreAccess(&saved));
  EXPECT_EQ(original, GetSddl(name, type, DACL_SECURITY_INFORMATION));
  EXPECT_FALSE(RestoreAccess(&saved));

  // A permanent grant saves nothing and stays.
  EXPECT_TRUE(GrantAccess(name, type, KEY_SET_VALUE, true, &saved));
  EXPECT_FALSE(saved);
  EXPECT_TRUE(HasAccess(name, type, KEY_SET_VALUE));

  // Leaves the key deletable for the sandbox's clean-up.
  SetDaclFromSddl(name, type, L"D:(A;;KA;;;WD)");
  g_calls = &kRealCalls;
}

// Shown on keys: Wine derives a file's list from its mode bits and cannot
// keep a deny entry on a file. The 32-bit view is reached through the seam.
TEST(AccessControlTest, GrantLiftsDenyForOwnGroupsAndRestoreIsExact) {
  testing_support::RegistrySandbox sandbox;
  const std::wstring key = L"CURRENT_USER\\" + sandbox.path();
  for (const wchar_t* dacl : {kDenyWriteDacl, kProtectedDenyWriteDacl}) {
    SCOPED_TRACE(dacl);
    CheckGrantAndRestore(kRealCalls, key, SE_REGISTRY_KEY, dacl);
  }
  CheckGrantAndRestore({&test::GetSecurityByView, &test::SetSecurityByView},
                       key, SE_REGISTRY_WOW64_32KEY, kDenyWriteDacl);

  // A read that succeeds without a descriptor can be neither checked nor
  // restored.
  internal::ScopedSecurityInfoFunctionsForTesting seam(
      {&GetEmptySuccess, &testing_support::SetSecurityByView});
  std::unique_ptr<SavedAcl> saved = std::make_unique<SavedAcl>();
  EXPECT_FALSE(
      GrantAccess(key, SE_REGISTRY_WOW64_32KEY, KEY_SET_VALUE, false, &saved));
  EXPECT_FALSE(saved);
  EXPECT_FALSE(HasAccess(key, SE_REGISTRY_WOW64_32KEY, KEY_READ));
}

// The list last written through the seam: Wine derives a file's list from
// its mode bits and would drop any entry written to it.
std::vector<uint8_t> g_written_dacl;
SECURITY_INFORMATION g_written_information = 0;

DWORD WINAPI RecordWrittenDacl(LPWSTR, SE_OBJECT_TYPE,
                               SECURITY_INFORMATION information, PSID, PSID,
                               PACL dacl, PACL) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(dacl);
  g_written_dacl.assign(bytes, bytes + dacl->AclSize);
  g_written_information = information;
  return ERROR_SUCCESS;
}

TEST(AccessControlTest, FileGrantsAndFailures) {
  testing_support::ScopedTestFolder folder;
  const std::wstring file = folder.path() + L"\\task.job";
  ASSERT_TRUE(testing_support::WriteFileForTest(file, "job"));
  // The grant cycle and the failed reads of GrantAccess and HasAccess are
  // the keys' above: nothing in them depends on the kind of object.
  EXPECT_FALSE(
      GrantAuthenticatedUsersReadAccess(folder.path() + L"\\missing.txt"));
  // Generic rights are mapped; kinds without a mapping are refused.
  EXPECT_TRUE(HasAccess(file, SE_FILE_OBJECT, GENERIC_READ));
  EXPECT_FALSE(HasAccess(file, SE_KERNEL_OBJECT, GENERIC_READ));

  // The read grant for authenticated users is watched where it is written.
  PACL dacl = nullptr;
  base::win::ScopedLocalMemory<void> descriptor;
  ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
            ::GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &dacl, nullptr, descriptor.Receive()));
  const DWORD entries = dacl ? dacl->AceCount : 0;
  internal::ScopedSecurityInfoFunctionsForTesting seam(
      {&::GetNamedSecurityInfoW, &RecordWrittenDacl});
  ASSERT_TRUE(GrantAuthenticatedUsersReadAccess(file));
  Sid authenticated_users = WellKnownSid(WinAuthenticatedUserSid);
  PACL written = reinterpret_cast<PACL>(g_written_dacl.data());
  // Nothing below inherits it, and the list keeps its other entries.
  EXPECT_EQ(
      Ace(GENERIC_READ | GENERIC_EXECUTE, 0),
      FindAce(written, ACCESS_ALLOWED_ACE_TYPE, authenticated_users.data()));
  EXPECT_EQ(entries + 1, written->AceCount);
}

// Whether the process token has |privilege_name| enabled.
bool PrivilegeEnabled(const wchar_t* privilege_name) {
  HANDLE raw_token = nullptr;
  EXPECT_TRUE(
      ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw_token));
  base::win::ScopedHandle token(raw_token);
  LUID luid = {};
  EXPECT_TRUE(::LookupPrivilegeValueW(nullptr, privilege_name, &luid));
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenPrivileges, nullptr, 0, &size);
  std::vector<uint8_t> buffer(size);
  if (!::GetTokenInformation(token.Get(), TokenPrivileges, buffer.data(), size,
                             &size)) {
    ADD_FAILURE() << "no privileges: " << ::GetLastError();
    return false;
  }
  const auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == luid.LowPart &&
        entry.Luid.HighPart == luid.HighPart) {
      return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  return false;
}

// A list protected from inheritance, as Windows reads it back (Wine drops
// the protection when the list is written).
DWORD WINAPI GetProtectedDacl(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION,
                              PSID*, PSID*, PACL* dacl, PACL*,
                              PSECURITY_DESCRIPTOR* descriptor) {
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:P(A;;KA;;;BA)", SDDL_REVISION_1, descriptor, nullptr)) {
    return ::GetLastError();
  }
  BOOL present = FALSE, defaulted = FALSE;
  if (dacl)
    ::GetSecurityDescriptorDacl(*descriptor, &present, dacl, &defaulted);
  return ERROR_SUCCESS;
}

// A protected list stays protected through a grant and its restoration:
// unprotected, it would take on its parent's entries from then on.
TEST(AccessControlTest, ProtectedListStaysProtected) {
  internal::ScopedSecurityInfoFunctionsForTesting seam(
      {&GetProtectedDacl, &RecordWrittenDacl});
  const std::wstring key = L"CURRENT_USER\\Software\\VeltoProtected";
  std::unique_ptr<SavedAcl> saved;
  g_written_information = 0;
  ASSERT_TRUE(GrantAccess(key, SE_REGISTRY_KEY, KEY_SET_VALUE, false, &saved));
  const SECURITY_INFORMATION kProtectedDacl =
      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  EXPECT_EQ(kProtectedDacl, g_written_information);
  g_written_information = 0;
  ASSERT_TRUE(RestoreAccess(&saved));
  EXPECT_EQ(kProtectedDacl, g_written_information);
}

TEST(AccessControlTest, TakeOwnershipAndPrivileges) {
  testing_support::RegistrySandbox sandbox;
  const std::wstring key = L"CURRENT_USER\\" + sandbox.path();
  ASSERT_TRUE(TakeOwnership(key, SE_REGISTRY_KEY));
  EXPECT_EQ(L"O:BA", GetSddl(key, SE_REGISTRY_KEY, OWNER_SECURITY_INFORMATION));
  // The privilege is held for the write alone.
  EXPECT_FALSE(PrivilegeEnabled(SE_TAKE_OWNERSHIP_NAME));
  EXPECT_FALSE(TakeOwnership(key + L"\\missing", SE_REGISTRY_KEY));

  // Taking ownership above enabled a privilege: the failures are left.
  auto open_token = [](DWORD access) {
    HANDLE token = nullptr;
    EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), access, &token));
    return base::win::ScopedHandle(token);
  };
  EXPECT_FALSE(SetTokenPrivilege(L"SeNoSuchPrivilege", true,
                                 open_token(TOKEN_ADJUST_PRIVILEGES)));
  EXPECT_FALSE(
      SetTokenPrivilege(SE_BACKUP_NAME, true, open_token(TOKEN_QUERY)));
  // A token without the privilege: the call succeeds, but assigns nothing.
  LUID_AND_ATTRIBUTES take_ownership = {};
  ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, SE_TAKE_OWNERSHIP_NAME,
                                      &take_ownership.Luid));
  HANDLE restricted = nullptr;
  ASSERT_TRUE(::CreateRestrictedToken(
      open_token(TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES).Get(),
      0, 0, nullptr, 1, &take_ownership, 0, nullptr, &restricted));
  EXPECT_FALSE(SetTokenPrivilege(SE_TAKE_OWNERSHIP_NAME, true,
                                 base::win::ScopedHandle(restricted)));
}

}  // namespace
}  // namespace installer
