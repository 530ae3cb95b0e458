// The one process-wide lock held around every launch of a child process that
// inherits handles.
//
// A handle made inheritable is inherited by every child created while it
// stays inheritable, not only by the child meant to have it. Holding this
// lock from making the handle inheritable until it is closed or made
// private again keeps other launches out of that window. LaunchProcess makes
// the handles of options.handles_to_inherit inheritable for the launch only,
// so holding the lock around the launch is enough:
//
//   {
//     base::AutoLock hold(installer::GetHandleInheritanceLock());
//     std::vector<HANDLE> handles = {pipe};
//     options.handles_to_inherit = &handles;
//     base::Process child = base::LaunchProcess(command, options);
//   }
//
// Do nothing else while holding it. Any thread may ask for the lock; it is
// made on first use and deleted by the at-exit manager, after which the
// next request makes a new one.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_HANDLE_INHERITANCE_LOCK_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_HANDLE_INHERITANCE_LOCK_H_

#include "base/synchronization/lock.h"

namespace installer {

base::Lock& GetHandleInheritanceLock();

// The same lock, for callers that name it so.
inline base::Lock& HandleInheritanceLock() {
  return GetHandleInheritanceLock();
}

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_HANDLE_INHERITANCE_LOCK_H_
