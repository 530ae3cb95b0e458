#include "base/win/well_known_sid.h"

namespace base {
namespace win {

ScopedSid CreateAdministratorsSid() {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  ScopedSid sid;
  if (!::AllocateAndInitializeSid(&nt_authority, 2,
                                  SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  sid.Receive())) {
    return ScopedSid();
  }
  return sid;
}

}  // namespace win
}  // namespace base
