#include "base/process/launch.h"

#include <stdint.h>
#include <userenv.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/process/kill.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_process_information.h"
#include "base/win/startup_information.h"
#include "base/win/windows_version.h"

namespace base {

namespace {

// The attribute value is a byte count in 32 bits.
constexpr size_t kMaxHandlesToInherit = (1u << 29) - 1;

constexpr DWORD kTerminatedByLauncherExitCode = 1;
constexpr DWORD kTerminationWaitMs = 60000;

constexpr size_t kOutputBlockSize = 1024;

struct EnvironmentBlockDeleter {
  void operator()(void* block) const { ::DestroyEnvironmentBlock(block); }
};
typedef std::unique_ptr<void, EnvironmentBlockDeleter> ScopedEnvironmentBlock;

internal::ResumeThreadFunction g_resume_thread = &::ResumeThread;

// Makes the handles of a launch's list inheritable for as long as it lives,
// then gives each its earlier flag back: an inheritable handle is inherited
// by every child that any thread starts with inheritance meanwhile, not only
// by the child it was meant for.
class ScopedInheritableHandles {
 public:
  explicit ScopedInheritableHandles(const std::vector<HANDLE>& handles) {
    for (HANDLE handle : handles) {
      DWORD flags = 0;
      CHECK(::GetHandleInformation(handle, &flags));
      if (!(flags & HANDLE_FLAG_INHERIT)) {
        CHECK(::SetHandleInformation(handle, HANDLE_FLAG_INHERIT,
                                     HANDLE_FLAG_INHERIT));
        made_inheritable_.push_back(handle);
      }
    }
  }
  ~ScopedInheritableHandles() {
    // The launch reports its failures through the last error.
    const DWORD last_error = ::GetLastError();
    for (HANDLE handle : made_inheritable_)
      ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    ::SetLastError(last_error);
  }

  ScopedInheritableHandles(const ScopedInheritableHandles&) = delete;
  ScopedInheritableHandles& operator=(const ScopedInheritableHandles&) =
      delete;

 private:
  std::vector<HANDLE> made_inheritable_;
};

// The name of the calling thread's desktop. A desktop that cannot be named is
// a broken invariant: launching onto a guessed desktop would hide the child.
std::wstring GetCurrentDesktopName() {
  HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
  CHECK(desktop);
  DWORD size = 0;
  ::GetUserObjectInformationW(desktop, UOI_NAME, nullptr, 0, &size);
  CHECK(size);
  std::vector<wchar_t> name(size / sizeof(wchar_t) + 1);
  CHECK(::GetUserObjectInformationW(desktop, UOI_NAME, name.data(), size,
                                    &size));
  return std::wstring(name.data());
}

// The parent's standard handle |which| when the child can be handed it
// through a handle list: a real handle, not a console pseudo handle of the
// systems before Windows 8 (low bits 11), which no list may hold.
HANDLE InheritableStdHandle(DWORD which) {
  HANDLE handle = ::GetStdHandle(which);
  DWORD flags = 0;
  if (!handle || handle == INVALID_HANDLE_VALUE ||
      (reinterpret_cast<uintptr_t>(handle) & 3) == 3 ||
      !::GetHandleInformation(handle, &flags)) {
    return nullptr;
  }
  return handle;
}

// Everything up to and including CreateProcess. The handles of the list are
// inheritable only during this call; the attribute list and the desktop name
// go when it returns.
bool CreateChild(const std::wstring& cmdline, const LaunchOptions& options,
                 win::ScopedProcessInformation* process_info) {
  win::StartupInformation startup_info_wrapper;
  STARTUPINFOW* startup_info = startup_info_wrapper.startup_info();

  bool inherit_handles = options.inherit_handles;
  DWORD flags = 0;
  std::unique_ptr<ScopedInheritableHandles> inheritable;
  if (options.handles_to_inherit) {
    std::vector<HANDLE>& handles = *options.handles_to_inherit;
    if (handles.empty()) {
      inherit_handles = false;
    } else {
      if (handles.size() > kMaxHandlesToInherit) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        LOG(ERROR) << "Too many handles to inherit: " << handles.size();
        return false;
      }
      inheritable = std::make_unique<ScopedInheritableHandles>(handles);
      if (!startup_info_wrapper.has_extended_startup_info() ||
          startup_info_wrapper.has_attribute_list()) {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        LOG(ERROR) << "No extended startup information for a handle list";
        return false;
      }
      if (!startup_info_wrapper.InitializeProcThreadAttributeList(1) ||
          !startup_info_wrapper.UpdateProcThreadAttribute(
              PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
              handles.size() * sizeof(HANDLE))) {
        PLOG(ERROR) << "Failed to pass the handle list";
        return false;
      }
      inherit_handles = true;
      flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
  }

  std::wstring desktop_name;
  if (options.empty_desktop_name) {
    startup_info->lpDesktop = &desktop_name[0];  // "" as a writable string.
  } else if (options.current_desktop) {
    desktop_name = GetCurrentDesktopName();
    startup_info->lpDesktop = &desktop_name[0];
  }

  startup_info->dwFlags = STARTF_USESHOWWINDOW;
  startup_info->wShowWindow = options.start_hidden ? SW_HIDE : SW_SHOW;

  if (options.stdin_handle || options.stdout_handle || options.stderr_handle) {
    startup_info->dwFlags |= STARTF_USESTDHANDLES;
    startup_info->hStdInput = options.stdin_handle;
    startup_info->hStdOutput = options.stdout_handle;
    startup_info->hStdError = options.stderr_handle;
  }

  if (options.job_handle) {
    // Suspended, so that the child runs no instruction outside the job.
    flags |= CREATE_SUSPENDED;
    // Before Windows 8 a process belongs to at most one job.
    if (win::GetWindowsVersion() < win::VERSION_WIN8)
      flags |= CREATE_BREAKAWAY_FROM_JOB;
  }
  if (options.force_breakaway_from_job)
    flags |= CREATE_BREAKAWAY_FROM_JOB;

  // CreateProcessW may write into the command line.
  std::vector<wchar_t> writable_cmdline(cmdline.begin(), cmdline.end());
  writable_cmdline.push_back(L'\0');
  const wchar_t* current_directory =
      options.current_directory.empty()
          ? nullptr
          : options.current_directory.value().c_str();

  PROCESS_INFORMATION temp_process_info = {};
  if (options.as_user) {
    void* environment = nullptr;
    if (!::CreateEnvironmentBlock(&environment, options.as_user, FALSE)) {
      PLOG(ERROR) << "Failed to create the environment of the user";
      return false;
    }
    ScopedEnvironmentBlock environment_block(environment);
    if (!::CreateProcessAsUserW(options.as_user, nullptr,
                                writable_cmdline.data(), nullptr, nullptr,
                                inherit_handles,
                                flags | CREATE_UNICODE_ENVIRONMENT,
                                environment, current_directory, startup_info,
                                &temp_process_info)) {
      PLOG(ERROR) << "Failed to launch as user: " << cmdline;
      return false;
    }
  } else {
    if (!::CreateProcessW(nullptr, writable_cmdline.data(), nullptr, nullptr,
                          inherit_handles, flags, nullptr, current_directory,
                          startup_info, &temp_process_info)) {
      PLOG(ERROR) << "Failed to launch " << cmdline;
      return false;
    }
  }
  process_info->Set(temp_process_info);
  return true;
}

// Ends a child that has not run yet, so that no suspended process is left
// behind, keeping the error that failed the launch.
void EndSuspendedChild(const win::ScopedProcessInformation& process_info) {
  const DWORD error = ::GetLastError();
  if (::TerminateProcess(process_info.process_handle(),
                         kTerminatedByLauncherExitCode)) {
    ::WaitForSingleObject(process_info.process_handle(), kTerminationWaitMs);
  }
  ::SetLastError(error);
}

}  // namespace

LaunchOptions::LaunchOptions() = default;
LaunchOptions::~LaunchOptions() = default;

Process LaunchProcess(const CommandLine& cmdline,
                      const LaunchOptions& options) {
  return LaunchProcess(cmdline.GetCommandLineString(), options);
}

Process LaunchProcess(const std::wstring& cmdline,
                      const LaunchOptions& options) {
  win::ScopedProcessInformation process_info;
  if (!CreateChild(cmdline, options, &process_info))
    return Process();

  if (options.job_handle) {
    if (!::AssignProcessToJobObject(options.job_handle,
                                    process_info.process_handle())) {
      PLOG(ERROR) << "Failed to put the child into its job: " << cmdline;
      EndSuspendedChild(process_info);
      return Process();
    }
    if (g_resume_thread(process_info.thread_handle()) ==
        static_cast<DWORD>(-1)) {
      PLOG(ERROR) << "Failed to resume the child in its job: " << cmdline;
      EndSuspendedChild(process_info);
      return Process();
    }
  }

  if (options.wait)
    ::WaitForSingleObject(process_info.process_handle(), INFINITE);

  return Process(process_info.TakeProcessHandle());
}

bool GetAppOutput(const CommandLine& cl, std::string* output) {
  // Neither end is inheritable: the launch below hands the write end to this
  // child alone, through its handle list.
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, nullptr, 0)) {
    PLOG(ERROR) << "Failed to create a pipe for the output of a child";
    return false;
  }
  win::ScopedHandle out_read(read_end);
  win::ScopedHandle out_write(write_end);

  LaunchOptions options;
  options.stdout_handle = out_write.Get();
  options.stdin_handle = InheritableStdHandle(STD_INPUT_HANDLE);
  options.stderr_handle = InheritableStdHandle(STD_ERROR_HANDLE);
  std::vector<HANDLE> handles = {out_write.Get()};
  for (HANDLE handle : {options.stdin_handle, options.stderr_handle}) {
    // A list that names a handle twice is refused.
    if (handle && std::find(handles.begin(), handles.end(), handle) ==
                      handles.end()) {
      handles.push_back(handle);
    }
  }
  options.handles_to_inherit = &handles;
  Process child = LaunchProcess(cl, options);
  if (!child.IsValid())
    return false;

  // Without our copy of the write end, reads end when the child's closes.
  out_write.Close();

  char buffer[kOutputBlockSize];
  for (;;) {
    DWORD bytes_read = 0;
    if (!::ReadFile(out_read.Get(), buffer, sizeof(buffer), &bytes_read,
                    nullptr) ||
        bytes_read == 0) {
      break;
    }
    output->append(buffer, bytes_read);
  }

  ::WaitForSingleObject(child.Handle(), INFINITE);
  TerminationStatus status = GetTerminationStatus(child.Handle(), nullptr);
  return status != TERMINATION_STATUS_ABNORMAL_TERMINATION &&
         status != TERMINATION_STATUS_PROCESS_CRASHED;
}

namespace internal {

ScopedResumeThreadForTesting::ScopedResumeThreadForTesting(
    ResumeThreadFunction function)
    : previous_(g_resume_thread) {
  g_resume_thread = function;
}

ScopedResumeThreadForTesting::~ScopedResumeThreadForTesting() {
  g_resume_thread = previous_;
}

}  // namespace internal

}  // namespace base
