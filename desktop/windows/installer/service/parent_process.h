// The image of the process that started this one, for crash reports:
//
//   base::FilePath parent = GetParentProcessImagePath();
//   if (!parent.empty()) annotations["parent"] = parent.AsUTF8Unsafe();
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PARENT_PROCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PARENT_PROCESS_H_

#include "base/files/file_path.h"
#include "base/win/windows_types.h"

namespace installer {

// The full Win32 image path of the parent process; empty when it has exited
// or cannot be opened. A process id is reused once its process is gone, so
// a process created after this one is never taken for the parent.
base::FilePath GetParentProcessImagePath();

namespace internal {

// The image path of the running process |candidate_id| when it was created
// before |later_process|; otherwise empty.
base::FilePath GetImagePathOfEarlierProcess(DWORD candidate_id,
                                            HANDLE later_process);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PARENT_PROCESS_H_
