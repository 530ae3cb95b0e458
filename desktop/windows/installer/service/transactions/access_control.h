// Access checks and temporary access grants on files and registry keys, for
// installer operations that must change objects the user may not write yet.
//
// Objects are named as the named-security calls of Windows name them: a file
// path, or a registry path below "CURRENT_USER", "MACHINE", "CLASSES_ROOT" or
// "USERS". A grant adds an inheritable allow entry for the process token's
// user and may hand back the list it replaced, so that the change can be
// undone later:
//
//   std::unique_ptr<SavedAcl> saved;
//   if (!HasAccess(name, SE_REGISTRY_KEY, KEY_SET_VALUE) &&
//       !GrantAccess(name, SE_REGISTRY_KEY, KEY_SET_VALUE,
//                    /*permanent=*/false, &saved)) {
//     return false;
//   }
//   ... write ...
//   if (saved) RestoreAccess(&saved);
//
// Nothing here logs. A failure answers false and leaves its reason as the
// thread's last error, for the caller to log with the object it concerns
// (read it right after the call). These functions keep no state, but
// TakeOwnership enables and then disables a privilege of the process token,
// so two threads granting at once could disable it for each other: grant
// from one thread.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_ACCESS_CONTROL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_ACCESS_CONTROL_H_

#include <memory>
#include <string>

#include "base/win/scoped_handle.h"
#include "base/win/scoped_memory.h"
#include "base/win/windows_types.h"

#include <aclapi.h>

namespace installer {

// The list a temporary grant replaced. Destroying the record frees the
// descriptor; it does not write anything back (RestoreAccess does).
struct SavedAcl {
  SavedAcl();
  ~SavedAcl();
  SavedAcl(const SavedAcl&) = delete;
  SavedAcl& operator=(const SavedAcl&) = delete;

  std::wstring object_name;
  SE_OBJECT_TYPE object_type = SE_UNKNOWN_OBJECT_TYPE;
  // Points into |security_descriptor|; null when the object had no list.
  PACL old_dacl = nullptr;
  base::win::ScopedLocalMemory<void> security_descriptor;
};

// Whether the process token is granted every right of |access_mask| on the
// object. Generic rights are mapped by the object's kind. Only
// SE_FILE_OBJECT, SE_REGISTRY_KEY and SE_REGISTRY_WOW64_32KEY are known;
// other kinds answer false.
bool HasAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
               ACCESS_MASK access_mask);

// Adds an allow entry for |access_mask|, inherited by sub-containers and
// objects, for the user of the process token (named by SID). Explicit deny
// entries for groups the process belongs to lose those rights. Takes
// ownership of the object (see TakeOwnership) when reading or writing its
// list is denied. Unless |permanent|, |*saved| receives the replaced list on
// success; it is emptied first in every case.
bool GrantAccess(const std::wstring& object_name, SE_OBJECT_TYPE object_type,
                 ACCESS_MASK access_mask, bool permanent,
                 std::unique_ptr<SavedAcl>* saved);

// Adds to the list of the file |file_name| an entry, not inherited, that
// lets Authenticated Users (S-1-5-11) read and execute it, such as a
// scheduled task's file that runs as SYSTEM but every user should see.
bool GrantAuthenticatedUsersReadAccess(const std::wstring& file_name);

// Writes the saved list back, frees the record and empties |*saved|.
// False when there is nothing to restore or the write fails.
bool RestoreAccess(std::unique_ptr<SavedAcl>* saved);

// Makes BUILTIN\Administrators the owner of the object, holding
// "SeTakeOwnershipPrivilege" for the write. The new owner stays even when
// a later step fails.
bool TakeOwnership(const std::wstring& object_name,
                   SE_OBJECT_TYPE object_type);

// Enables or disables the privilege |privilege_name| (such as
// SE_TAKE_OWNERSHIP_NAME) in |token|, which needs TOKEN_ADJUST_PRIVILEGES
// and is closed on return. False also when the token lacks the privilege.
bool SetTokenPrivilege(const wchar_t* privilege_name, bool enable,
                       base::win::ScopedHandle token);

// The calls that read and write an object's descriptor by name.
struct SecurityInfoFunctions {
  decltype(&::GetNamedSecurityInfoW) get_named_security_info;
  decltype(&::SetNamedSecurityInfoW) set_named_security_info;
};

namespace internal {

// For tests only: routes the named descriptor reads and writes above through
// |functions| for the scope's life (some systems answer the 32-bit registry
// view with an empty success). Scopes nest; they must not overlap across
// threads.
class ScopedSecurityInfoFunctionsForTesting {
 public:
  explicit ScopedSecurityInfoFunctionsForTesting(
      const SecurityInfoFunctions& functions);
  ~ScopedSecurityInfoFunctionsForTesting();
  ScopedSecurityInfoFunctionsForTesting(
      const ScopedSecurityInfoFunctionsForTesting&) = delete;
  ScopedSecurityInfoFunctionsForTesting& operator=(
      const ScopedSecurityInfoFunctionsForTesting&) = delete;

 private:
  SecurityInfoFunctions functions_;
  const SecurityInfoFunctions* previous_;
};

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_ACCESS_CONTROL_H_
