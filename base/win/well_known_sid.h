// The SIDs of well-known groups that the installer builds rather than
// reads from a token.
//
//   base::win::ScopedSid administrators = base::win::CreateAdministratorsSid();
//   BOOL is_member = FALSE;
//   if (administrators.IsValid() &&
//       ::CheckTokenMembership(token, administrators.Get(), &is_member)) ...
#ifndef BASE_WIN_WELL_KNOWN_SID_H_
#define BASE_WIN_WELL_KNOWN_SID_H_

#include "base/win/scoped_memory.h"

namespace base {
namespace win {

// BUILTIN\Administrators (S-1-5-32-544); empty when it cannot be allocated,
// with the last error of AllocateAndInitializeSid.
ScopedSid CreateAdministratorsSid();

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WELL_KNOWN_SID_H_
