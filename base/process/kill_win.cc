#include "base/process/kill.h"

#include "base/logging.h"

namespace base {

namespace {

// Exit codes that mean someone else ended the process.
constexpr DWORD kKilledByOtherProcess = 1;
constexpr DWORD kDebuggerTerminatedProcess = 0x40010004;  // DBG_TERMINATE_PROCESS
constexpr DWORD kControlCExit = 0xC000013A;        // Console interrupt, logoff.
constexpr DWORD kDebuggerInactive = 0xC0000354;    // STATUS_DEBUGGER_INACTIVE

// Exit codes that mean the process ran out of memory.
constexpr DWORD kJobMemoryLimitExceeded = 7012;
constexpr DWORD kOutOfMemoryException = 0xE0000008;

}  // namespace

TerminationStatus GetTerminationStatus(ProcessHandle handle, int* exit_code) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(handle, &code)) {
    PLOG(ERROR) << "Failed to read the exit code of a process";
    if (exit_code)
      *exit_code = 0;
    return TERMINATION_STATUS_NORMAL_TERMINATION;
  }
  if (code == STILL_ACTIVE) {
    // A process may also have exited with 259; its handle is then signalled.
    DWORD wait_result = ::WaitForSingleObject(handle, 0);
    if (wait_result == WAIT_TIMEOUT) {
      if (exit_code)
        *exit_code = WAIT_TIMEOUT;
      return TERMINATION_STATUS_STILL_RUNNING;
    }
    return TERMINATION_STATUS_ABNORMAL_TERMINATION;
  }

  if (exit_code)
    *exit_code = static_cast<int>(code);
  switch (code) {
    case 0:
      return TERMINATION_STATUS_NORMAL_TERMINATION;
    case kKilledByOtherProcess:
    case kDebuggerTerminatedProcess:
    case kControlCExit:
    case kDebuggerInactive:
      return TERMINATION_STATUS_PROCESS_WAS_KILLED;
    case kJobMemoryLimitExceeded:
    case kOutOfMemoryException:
      return TERMINATION_STATUS_OOM;
    default:
      return TERMINATION_STATUS_PROCESS_CRASHED;
  }
}

}  // namespace base
