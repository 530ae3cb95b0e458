// The one process-wide lock held around every launch of a child process that
// inherits handles.
//
// A handle made inheritable is inherited by every child created while it
// stays inheritable, not only by the child meant to have it. Holding this
// lock from making the handle inheritable until it is closed or made
// private again keeps other launches out of that window:
//
//   {
//     base::AutoLock hold(installer::GetHandleInheritanceLock());
//     ::SetHandleInformation(pipe, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
//     base::Process child = base::LaunchProcess(command, options);
//     ::SetHandleInformation(pipe, HANDLE_FLAG_INHERIT, 0);
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
