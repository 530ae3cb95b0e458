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
#include <utility>
#include <vector>

#include "base/json/values.h"
#include "base/logging.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/parent_process.h"
#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/version_info.h"

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

  printf("racers_agree=%s\n", agree ? "yes" : "no");
  using installer::VersionInfo;
  auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
  const std::pair<const char*, std::string> kGetters[] = {
      {"company_name", ProductSettings::GetCompanyName()},
      {"crash_log_product_sufix", ProductSettings::GetCrashLogProductSuffix()},
      {"default_profile_path_template",
       ProductSettings::GetDefaultProfilePathTemplate()},
      {"domain", ProductSettings::GetDomain()},
      {"expected_signer", ProductSettings::GetExpectedSigner()},
      {"file_name_base", ProductSettings::GetFileNameBase()},
      {"major_delta", std::to_string(ProductSettings::GetMajorDelta())},
      {"product_name", ProductSettings::GetProductName()},
      {"schedule_autoupdate_task",
       flag(ProductSettings::ShouldScheduleAutoupdateTask())},
      {"scheduled_autoupdate_delay_min",
       std::to_string(ProductSettings::GetScheduledAutoupdateDelayMinutes())},
      {"shortcut_suffix", ProductSettings::GetShortcutSuffix()},
      {"urls.autoupdate", ProductSettings::GetUrl("autoupdate")},
      {"use_quarlium_major_for_minor",
       flag(ProductSettings::UseQuarliumMajorForMinor())},
      {"user_agent_name", ProductSettings::GetUserAgentName()},
      {"visible_product_name", ProductSettings::GetVisibleProductName()},
      {"white_labeled", flag(ProductSettings::IsWhiteLabeled())},
      {"VersionInfo::GetProductName", VersionInfo::GetProductName()},
      {"VersionInfo::GetUserAgentName", VersionInfo::GetUserAgentName()},
      {"VersionInfo::GetVisibleNameWithStream",
       VersionInfo::GetVisibleNameWithStream()},
      {"VersionInfo::GetFullVersion", VersionInfo::GetFullVersion()},
      {"VersionInfo::GetBuildNumber",
       std::to_string(VersionInfo::GetBuildNumber())},
      {"VersionInfo::GetBuildTimestamp", VersionInfo::GetBuildTimestamp()},
  };
  for (const auto& getter : kGetters)
    printf("%s=%s\n", getter.first, getter.second.c_str());
  fflush(stdout);
  return 0;
}

int PrintParent() {
  printf("parent=%s\n",
         installer::GetParentProcessImagePath().AsUTF8Unsafe().c_str());
  fflush(stdout);
  return 0;
}

// Starts this executable as "wait-parent <own id>", with inherited output,
// and returns at once.
int StartOrphan() {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" wait-parent " +
                         std::to_wstring(::GetCurrentProcessId());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0,
                        nullptr, nullptr, &startup, &process)) {
    return 2;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return 0;
}

int WaitForParentThenPrint(DWORD parent_id) {
  HANDLE parent = ::OpenProcess(SYNCHRONIZE, FALSE, parent_id);
  if (parent) {
    ::WaitForSingleObject(parent, 30000);
    ::CloseHandle(parent);
  }
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
  if (mode == "preload" && argc > 2) {
    if (!::LoadLibraryA(argv[2])) return 3;
    return PrintSettings();
  }
  if (mode == "parent") return PrintParent();
  if (mode == "orphan") return StartOrphan();
  if (mode == "wait-parent" && argc > 2)
    return WaitForParentThenPrint(strtoul(argv[2], nullptr, 10));
  fprintf(stderr, "unknown mode\n");
  return 2;
}
