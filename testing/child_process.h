// Runs child processes for tests: another test executable, a helper program,
// or a host tool through Wine's Z: drive.
//
//   ChildResult result = RunChildProcess(L"\"" + SelfPath() + L"\" --help");
//   EXPECT_EQ(0u, result.exit_code);
#ifndef TESTING_CHILD_PROCESS_H_
#define TESTING_CHILD_PROCESS_H_

#include <string>

#include "base/win/windows_types.h"

namespace testing_support {

struct ChildResult {
  bool started = false;
  DWORD exit_code = 0;
  std::string output;  // Standard output and standard error, interleaved.
};

// Starts |command_line|, collects its output and waits up to |timeout_ms|
// (killing it after). |working_directory| may be empty.
ChildResult RunChildProcess(const std::wstring& command_line,
                            const std::wstring& working_directory = L"",
                            DWORD timeout_ms = 60000);

// Full path of the running executable.
std::wstring SelfPath();

// Folder of the running executable, without a trailing backslash.
std::wstring SelfFolder();

}  // namespace testing_support

#endif  // TESTING_CHILD_PROCESS_H_
