// A stand-in for the installer's host executable. Built twice: with the
// standard settings resource, and without any (it then takes its settings
// from a "_vlautolib.pyd" beside it). Modes, by the first argument:
//
//   (none)   prints what every settings getter answers, one "name=value"
//            per line, after racing eight threads to load them
//            ("racers_agree=yes");
//   preload <path>
//            loads the module <path> first, then prints like (none);
//   parent   prints "parent=<GetParentProcessImagePath()>";
//   orphan   starts "wait-parent <own id>" sharing its output and exits;
//   wait-parent <id>
//            waits for process <id> to end, then prints like "parent".
//
// A settings failure ends it through LOG(FATAL), with the message on
// standard error.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <thread>
#include <vector>

#include "base/json/values.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/time/time.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/parent_process.h"
#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/testdata/product_settings_report.h"

namespace {

using installer::ProductSettings;

LONG WINAPI TerminateOnUnhandledException(EXCEPTION_POINTERS* info) {
  ::TerminateProcess(::GetCurrentProcess(),
                     info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

int PrintSettings() {
  constexpr int kRacers = 8;
  std::vector<const base::DictionaryValue*> seen(kRacers, nullptr);
  std::vector<std::thread> racers;
  for (int i = 0; i < kRacers; ++i)
    racers.emplace_back(
        [&seen, i] { seen[i] = ProductSettings::GetDictionary(); });
  for (std::thread& racer : racers) racer.join();
  bool agree = true;
  for (const base::DictionaryValue* settings : seen)
    agree = agree && settings == ProductSettings::GetDictionary();

  printf("racers_agree=%s\n%s", agree ? "yes" : "no",
         installer::ReportProductSettings().c_str());
  return 0;
}

int PrintParent() {
  printf("parent=%s\n",
         installer::GetParentProcessImagePath().AsUTF8Unsafe().c_str());
  return 0;
}

// Starts this executable as "wait-parent <own id>", with inherited output,
// and returns at once.
int StartOrphan() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  base::LaunchOptions options;
  options.inherit_handles = true;
  const base::Process child =
      base::LaunchProcess(L"\"" + std::wstring(self) + L"\" wait-parent " +
                              std::to_wstring(::GetCurrentProcessId()),
                          options);
  return child.IsValid() ? 0 : 2;
}

int WaitForParentThenPrint(DWORD parent_id) {
  base::Process::Open(parent_id).WaitForExitWithTimeout(
      base::TimeDelta::FromSeconds(30), nullptr);
  return PrintParent();
}

}  // namespace

int main(int argc, char** argv) {
  ::SetUnhandledExceptionFilter(&TerminateOnUnhandledException);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // Lines end in "\n" alone, as the tests compare them.
  _setmode(_fileno(stdout), _O_BINARY);
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_NONE;
  logging::InitLogging(settings);

  std::string mode = argc > 1 ? argv[1] : "";
  if (mode.empty()) return PrintSettings();
  if (mode == "preload" && argc > 2)
    return ::LoadLibraryA(argv[2]) ? PrintSettings() : 3;
  if (mode == "parent") return PrintParent();
  if (mode == "orphan") return StartOrphan();
  if (mode == "wait-parent" && argc > 2)
    return WaitForParentThenPrint(strtoul(argv[2], nullptr, 10));
  fprintf(stderr, "unknown mode\n");
  return 2;
}
