#include "testing/child_process.h"

#include <vector>

namespace testing_support {

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
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  result.started = ::CreateProcessW(
      nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr,
      working_directory.empty() ? nullptr : working_directory.c_str(),
      &startup, &process);
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
