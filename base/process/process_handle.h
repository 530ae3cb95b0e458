// Facts about a process that only its handle is needed for.
//
//   base::ProcessId parent =
//       base::GetParentProcessId(base::Process::Current().Handle());
#ifndef BASE_PROCESS_PROCESS_HANDLE_H_
#define BASE_PROCESS_PROCESS_HANDLE_H_

#include "base/process/process.h"

namespace base {

// The id of the process that created |process|, as the system's process list
// records it; 0 when |process| is no longer listed (it has ended) or the list
// cannot be read. The parent itself may have ended and its id been reused.
// Leaves the thread's last error as the list lookup left it.
ProcessId GetParentProcessId(ProcessHandle process);

}  // namespace base

#endif  // BASE_PROCESS_PROCESS_HANDLE_H_
