#include "testing/child_process.h"

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "testing/scoped_test_folder.h"

namespace testing_support {

namespace {

constexpr wchar_t kUnixShell[] = L"Z:\\bin\\sh";

// Runs this executable again for the one case that |gtest_filter| selects,
// through sh: |setup| first, then wine with |environment| and |variable|=1
// set, then |cleanup|. Wine reads the time zone and the UI language from the
// Unix environment a process starts with, which only a Unix parent can set.
::testing::AssertionResult RunSelfThroughShell(const std::wstring& setup,
                                               const std::wstring& environment,
                                               const std::wstring& cleanup,
                                               const std::wstring& gtest_filter,
                                               const std::wstring& variable) {
  ScopedTestFolder folder;
  const base::FilePath result_path(folder.path() + L"\\result.xml");
  const std::wstring command =
      std::wstring(kUnixShell) + L" -c \"" + setup + environment + L" " +
      variable + L"=1 wine '" + SelfPath() + L"' '--gtest_filter=" +
      gtest_filter + L"' '--gtest_output=xml:" + result_path.value() +
      L"' >/dev/null 2>&1; " + cleanup + L"\"";
  std::string xml;
  if (!RunChildProcess(command).started)
    return ::testing::AssertionFailure() << "sh did not start";
  // sh returns at once: the child reports through its result file.
  for (int waited_ms = 0;
       waited_ms < 60000 && xml.find("</testsuites>") == std::string::npos;
       waited_ms += 100) {
    ::Sleep(100);
    base::ReadFileToString(result_path, &xml);
  }
  if (xml.find("</testsuites>") == std::string::npos ||
      xml.find("<testsuites tests=\"1\" failures=\"0\"") == std::string::npos ||
      xml.find("result=\"skipped\"") != std::string::npos) {
    return ::testing::AssertionFailure() << "the child's report: " << xml;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

bool HasUnixShell() {
  return ::GetFileAttributesW(kUnixShell) != INVALID_FILE_ATTRIBUTES;
}

::testing::AssertionResult RunSelfAsGermanUser(const std::wstring& gtest_filter,
                                               const std::wstring& variable) {
  return RunSelfThroughShell(
      L"locales=$(mktemp -d); "
      L"localedef -i de_DE -f UTF-8 $locales/de_DE.UTF-8 >/dev/null 2>&1; ",
      L"LOCPATH=$locales LANG=de_DE.UTF-8", L"rm -rf $locales", gtest_filter,
      variable);
}

::testing::AssertionResult RunSelfInTimeZone(const std::wstring& zone,
                                             const std::wstring& gtest_filter,
                                             const std::wstring& variable) {
  return RunSelfThroughShell(L"", L"TZ=" + zone, L"true", gtest_filter,
                             variable);
}

ChildResult RunChildProcess(const std::wstring& command_line,
                            const std::wstring& working_directory,
                            DWORD timeout_ms) {
  ChildResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!::CreatePipe(&read_end, &write_end, &inherit, 0)) return result;
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process = {};
  // CreateProcessW may write to the command line.
  std::wstring buffer = command_line;
  result.started = ::CreateProcessW(
      nullptr, &buffer[0], nullptr, nullptr, TRUE, 0, nullptr,
      working_directory.empty() ? nullptr : working_directory.c_str(), &startup,
      &process);
  ::CloseHandle(write_end);
  if (!result.started) {
    ::CloseHandle(read_end);
    return result;
  }
  char chunk[4096];
  DWORD read = 0;
  while (::ReadFile(read_end, chunk, sizeof(chunk), &read, nullptr) && read) {
    result.output.append(chunk, read);
  }
  ::CloseHandle(read_end);
  if (::WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.hProcess, 0xDEAD);
    ::WaitForSingleObject(process.hProcess, INFINITE);
  }
  ::GetExitCodeProcess(process.hProcess, &result.exit_code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return result;
}

std::wstring SelfPath() {
  wchar_t path[32768];
  DWORD length = ::GetModuleFileNameW(nullptr, path, 32768);
  return std::wstring(path, length);
}

std::wstring SelfFolder() {
  std::wstring path = SelfPath();
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace testing_support
