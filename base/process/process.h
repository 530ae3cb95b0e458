// An owned handle to a process: the current one, or a child or other process
// this program opened or launched.
//
//   base::Process child = base::LaunchProcess(command_line, options);
//   int exit_code = 0;
//   if (child.IsValid() && child.WaitForExit(&exit_code)) ...
//
// Movable, not copyable; the handle is closed when the object dies. An object
// is used by one thread at a time.
#ifndef BASE_PROCESS_PROCESS_H_
#define BASE_PROCESS_PROCESS_H_

#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

typedef HANDLE ProcessHandle;
typedef DWORD ProcessId;

class Process {
 public:
  // An invalid process.
  Process();
  // Takes ownership of |handle|. The current-process pseudo handle is refused
  // (the process stops): use Current() for that.
  explicit Process(ProcessHandle handle);
  Process(Process&& other);
  // Closes the owned handle first, keeping the thread's last error; |other|
  // is left invalid.
  Process& operator=(Process&& other);
  ~Process();

  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The calling process; it owns no handle.
  static Process Current();

  // Opens |pid| for waiting, querying and terminating. Invalid when that is
  // refused or no such process exists.
  static Process Open(ProcessId pid);

  bool IsValid() const;
  // The pseudo handle for the current process, else the owned handle.
  ProcessHandle Handle() const;
  ProcessId Pid() const;

  // Waits without a time limit. |exit_code| (may be null) is written only
  // when true is returned.
  bool WaitForExit(int* exit_code) const;

  // Waits up to |timeout|: a negative one polls, one longer than about 49.7
  // days, or TimeDelta::Max(), waits without a limit. False when the process
  // is still running at the end or its exit code cannot be read; |exit_code|
  // is then left alone.
  bool WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) const;

 private:
  bool is_current_process_ = false;
  win::ScopedHandle process_;
};

}  // namespace base

#endif  // BASE_PROCESS_PROCESS_H_
