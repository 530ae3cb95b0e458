#include "desktop/windows/installer/service/parent_process.h"

#include "base/logging.h"
#include "base/process/process.h"
#include "base/process/process_handle.h"

namespace installer {

namespace {

bool GetCreationTime(HANDLE process, ULARGE_INTEGER* time) {
  FILETIME creation, exit, kernel, user;
  if (!::GetProcessTimes(process, &creation, &exit, &kernel, &user))
    return false;
  time->LowPart = creation.dwLowDateTime;
  time->HighPart = creation.dwHighDateTime;
  return true;
}

}  // namespace

base::FilePath GetParentProcessImagePath() {
  base::ProcessId parent_id =
      base::GetParentProcessId(base::Process::Current().Handle());
  if (parent_id == 0) return base::FilePath();
  return internal::GetImagePathOfEarlierProcess(parent_id,
                                                ::GetCurrentProcess());
}

namespace internal {

base::FilePath GetImagePathOfEarlierProcess(DWORD candidate_id,
                                            HANDLE later_process) {
  base::Process candidate = base::Process::Open(candidate_id);
  if (!candidate.IsValid()) return base::FilePath();
  // A process that has exited but is still held open by someone is no
  // longer the parent; its id may already belong to another process.
  if (::WaitForSingleObject(candidate.Handle(), 0) != WAIT_TIMEOUT)
    return base::FilePath();
  ULARGE_INTEGER candidate_created, later_created;
  if (!GetCreationTime(candidate.Handle(), &candidate_created) ||
      !GetCreationTime(later_process, &later_created)) {
    PLOG(ERROR) << "Cannot compare the start times of process "
                << candidate_id << " and the process after it";
    return base::FilePath();
  }
  if (candidate_created.QuadPart > later_created.QuadPart)
    return base::FilePath();
  wchar_t path[MAX_PATH];
  DWORD length = MAX_PATH;
  if (!::QueryFullProcessImageNameW(candidate.Handle(), 0, path, &length)) {
    PLOG(ERROR) << "Cannot read the image path of process " << candidate_id;
    return base::FilePath();
  }
  return base::FilePath(base::StringPiece16(path, length));
}

}  // namespace internal

}  // namespace installer
