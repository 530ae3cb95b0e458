// Starting child processes.
//
//   base::LaunchOptions options;
//   options.start_hidden = true;
//   base::Process child = base::LaunchProcess(command_line, options);
//   if (!child.IsValid()) return false;  // GetLastError() tells why.
//
//   std::string output;
//   if (base::GetAppOutput(command_line, &output)) ...
//
// All calls block their thread only as long as the options ask.
#ifndef BASE_PROCESS_LAUNCH_H_
#define BASE_PROCESS_LAUNCH_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/process/process.h"
#include "base/win/windows_types.h"

namespace base {

class CommandLine;

// How one child is started. Every field is off or empty by default.
struct LaunchOptions {
  LaunchOptions();
  ~LaunchOptions();

  // Wait without a time limit for the child to end before returning.
  bool wait = false;

  // The child's working directory; empty means the parent's.
  FilePath current_directory;

  // Show the child's first window hidden.
  bool start_hidden = false;

  // When set, the only handles the child inherits. Those not inheritable are
  // made so for the moment of the launch only, and a child that another
  // thread starts with inherit_handles in that moment may get them too. An
  // empty list means the child inherits nothing, whatever inherit_handles
  // says. The vector must outlive the LaunchProcess call.
  std::vector<HANDLE>* handles_to_inherit = nullptr;

  // Let the child inherit every inheritable handle; ignored when
  // handles_to_inherit is set.
  bool inherit_handles = false;

  // Launch as the user of this token, with that user's environment.
  HANDLE as_user = nullptr;

  // Give the child the empty desktop name "".
  bool empty_desktop_name = false;

  // Give the child the calling thread's desktop; ignored when
  // empty_desktop_name is set.
  bool current_desktop = false;

  // A job the child joins before its first instruction runs.
  HANDLE job_handle = nullptr;

  // Standard handles for the child; when any is set all three are passed,
  // null ones as null.
  HANDLE stdin_handle = nullptr;
  HANDLE stdout_handle = nullptr;
  HANDLE stderr_handle = nullptr;

  // Create the child outside the parent's job.
  bool force_breakaway_from_job = false;
};

// Starts |cmdline|. The result is invalid when the launch failed, with the
// failing call's error as the thread's last error. A child that cannot join
// options.job_handle, or cannot be resumed there, is ended again, so nothing
// is left running or suspended.
Process LaunchProcess(const CommandLine& cmdline,
                      const LaunchOptions& options);
Process LaunchProcess(const std::wstring& cmdline,
                      const LaunchOptions& options);

// Runs |cl| with its standard output on a pipe, appends everything it writes
// to |output| and waits for it to end. False when it could not be started or
// it ended abnormally or crashed; |output| then still holds what was written.
// A child killed by another process counts as success. The child inherits
// the pipe and this process's standard input and error, nothing else.
bool GetAppOutput(const CommandLine& cl, std::string* output);

namespace internal {

// The signature of ResumeThread.
using ResumeThreadFunction = DWORD(WINAPI*)(HANDLE thread);

// For tests only: LaunchProcess resumes a child in its job through
// |function| for the scope's life, since a real resume does not fail on
// demand. Scopes nest; they must not overlap across threads.
class ScopedResumeThreadForTesting {
 public:
  explicit ScopedResumeThreadForTesting(ResumeThreadFunction function);
  ~ScopedResumeThreadForTesting();
  ScopedResumeThreadForTesting(const ScopedResumeThreadForTesting&) = delete;
  ScopedResumeThreadForTesting& operator=(
      const ScopedResumeThreadForTesting&) = delete;

 private:
  ResumeThreadFunction previous_;
};

}  // namespace internal

}  // namespace base

#endif  // BASE_PROCESS_LAUNCH_H_
