// How a process ended, read from its exit code.
//
//   int exit_code = 0;
//   if (base::GetTerminationStatus(child.Handle(), &exit_code) ==
//       base::TERMINATION_STATUS_PROCESS_CRASHED) ...
#ifndef BASE_PROCESS_KILL_H_
#define BASE_PROCESS_KILL_H_

#include "base/process/process.h"

namespace base {

// The values are stored in reports; 5 is not used.
enum TerminationStatus : int {
  TERMINATION_STATUS_NORMAL_TERMINATION = 0,
  TERMINATION_STATUS_ABNORMAL_TERMINATION = 1,  // Non-zero exit status.
  TERMINATION_STATUS_PROCESS_WAS_KILLED = 2,    // Ended by someone else.
  TERMINATION_STATUS_PROCESS_CRASHED = 3,       // An exception code.
  TERMINATION_STATUS_STILL_RUNNING = 4,
  TERMINATION_STATUS_OOM = 6,                   // Out of memory.
};

// The status of |handle|'s process; |exit_code| (may be null) gets its exit
// code, or WAIT_TIMEOUT while it runs. An exit code that cannot be read
// counts as a normal end with code 0.
TerminationStatus GetTerminationStatus(ProcessHandle handle, int* exit_code);

}  // namespace base

#endif  // BASE_PROCESS_KILL_H_
