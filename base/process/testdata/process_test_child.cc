// A child for the process tests. Switches act in this order:
//   --print=TEXT             writes TEXT to standard output
//   --report-startup         writes "flags=<hex> show=<n> desktop=<name>\n"
//                            from its startup information ("desktop=(null)"
//                            when none was given)
//   --report-env=NAME,...    writes "NAME=<value>\n" per variable, or
//                            "NAME unset\n"
//   --signal-handles=H,H...  calls SetEvent on each inherited handle value
//                            (decimal), so the parent sees which it inherited
//   --sleep=MS               sleeps MS milliseconds
//   --spawn-orphan           starts a copy with --orphan and exits 0; the copy
//                            shares this one's standard output
//   --orphan=H               (internal) waits until the process whose handle
//                            value H it inherited has exited, writes
//                            "orphan=<own id> parent=<GetParentProcessId>\n",
//                            closes standard output and sleeps 60 s, to be
//                            ended by the test
//   --crash                  ends with an access violation (0xC0000005)
//   --exit-code=N            exit code (decimal or 0x hex); default 0
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/process/launch.h"
#include "base/process/process_handle.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_types.h"

namespace {

// Read through a volatile so the compiler cannot drop the faulting store.
int* volatile g_null_pointer = nullptr;

LONG WINAPI TerminateOnUnhandledException(EXCEPTION_POINTERS* info) {
  ::TerminateProcess(::GetCurrentProcess(),
                     info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

void Print(const std::string& text) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(),
              static_cast<DWORD>(text.size()), &written, nullptr);
}

// The comma-separated values of switch |name|; none when it is absent.
std::vector<std::string> ListSwitch(const base::CommandLine& command_line,
                                    const char* name) {
  return base::SplitString(command_line.GetSwitchValueASCII(name), ",",
                           base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
}

HANDLE HandleFromText(const std::string& text) {
  return reinterpret_cast<HANDLE>(
      static_cast<uintptr_t>(strtoull(text.c_str(), nullptr, 0)));
}

int SpawnOrphan(const base::CommandLine& self) {
  HANDLE self_handle = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(),
                         ::GetCurrentProcess(), &self_handle, SYNCHRONIZE, TRUE,
                         0)) {
    return 2;
  }
  base::CommandLine orphan(self.GetProgram());
  orphan.AppendSwitchASCII(
      "orphan", std::to_string(reinterpret_cast<uintptr_t>(self_handle)));
  base::LaunchOptions options;
  options.stdout_handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
  std::vector<HANDLE> handles = {self_handle, options.stdout_handle};
  options.handles_to_inherit = &handles;
  return base::LaunchProcess(orphan, options).IsValid() ? 0 : 3;
}

void RunAsOrphan(HANDLE parent) {
  ::WaitForSingleObject(parent, INFINITE);
  Print("orphan=" + std::to_string(::GetCurrentProcessId()) + " parent=" +
        std::to_string(base::GetParentProcessId(::GetCurrentProcess())) + "\n");
  // The test reads until every writer is gone; this one stays alive.
  ::CloseHandle(::GetStdHandle(STD_OUTPUT_HANDLE));
  ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
  ::Sleep(60000);
}

}  // namespace

int main() {
  ::SetUnhandledExceptionFilter(&TerminateOnUnhandledException);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  base::CommandLine::Init();
  const base::CommandLine& command_line =
      *base::CommandLine::ForCurrentProcess();

  if (command_line.HasSwitch("print"))
    Print(command_line.GetSwitchValueASCII("print"));
  if (command_line.HasSwitch("report-startup")) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    ::GetStartupInfoW(&startup);
    char line[64];
    snprintf(line, sizeof(line), "flags=%lx show=%u desktop=", startup.dwFlags,
             startup.wShowWindow);
    Print(line +
          (startup.lpDesktop ? base::WideToUTF8(startup.lpDesktop)
                             : std::string("(null)")) +
          "\n");
  }
  for (const std::string& name : ListSwitch(command_line, "report-env")) {
    const char* value = getenv(name.c_str());
    Print(name + (value ? "=" + std::string(value) : " unset") + "\n");
  }
  for (const std::string& text : ListSwitch(command_line, "signal-handles"))
    ::SetEvent(HandleFromText(text));
  if (command_line.HasSwitch("sleep"))
    ::Sleep(atoi(command_line.GetSwitchValueASCII("sleep").c_str()));
  if (command_line.HasSwitch("spawn-orphan")) return SpawnOrphan(command_line);
  if (command_line.HasSwitch("orphan")) {
    RunAsOrphan(HandleFromText(command_line.GetSwitchValueASCII("orphan")));
    return 0;
  }
  if (command_line.HasSwitch("crash")) *g_null_pointer = 1;
  return static_cast<int>(strtoul(
      command_line.GetSwitchValueASCII("exit-code").c_str(), nullptr, 0));
}
