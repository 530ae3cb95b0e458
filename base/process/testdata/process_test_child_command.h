// Command lines for process_test_child.exe, which the build puts beside the
// test executables.
#ifndef BASE_PROCESS_TESTDATA_PROCESS_TEST_CHILD_COMMAND_H_
#define BASE_PROCESS_TESTDATA_PROCESS_TEST_CHILD_COMMAND_H_

#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "testing/child_process.h"

namespace base {

inline CommandLine ChildCommand(const std::string& switches = "") {
  CommandLine command(
      FilePath(testing_support::SelfFolder() + L"\\process_test_child.exe"));
  if (!switches.empty()) {
    std::wstring line = command.GetCommandLineString() + L" ";
    line.append(switches.begin(), switches.end());
    command.ParseFromString(line);
  }
  return command;
}

}  // namespace base

#endif  // BASE_PROCESS_TESTDATA_PROCESS_TEST_CHILD_COMMAND_H_
