// Runs child processes for tests: another test executable, a helper program,
// or a host tool through Wine's Z: drive.
//
//   ChildResult result = RunChildProcess(L"\"" + SelfPath() + L"\" --help");
//   EXPECT_EQ(0u, result.exit_code);
#ifndef TESTING_CHILD_PROCESS_H_
#define TESTING_CHILD_PROCESS_H_

#include <string>

#include "base/win/windows_types.h"
#include "gtest/gtest.h"

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

// Whether Wine's view of the host's /bin/sh exists: the host tools that the
// helpers below run are reached through it.
bool HasUnixShell();

// Runs this test executable again, under the German locale (compiled into a
// temporary folder, since the host may have none) with |variable| set to 1,
// for the one case that |gtest_filter| selects. Wine takes the UI language
// from LANG when a process starts, so this is how a test sees a German user.
// Succeeds when that case ran and passed within a minute; the failure
// carries the child's gtest report.
//
//   EXPECT_TRUE(RunSelfAsGermanUser(L"GermanChildTest.*", L"MY_CHILD"));
::testing::AssertionResult RunSelfAsGermanUser(const std::wstring& gtest_filter,
                                               const std::wstring& variable);

// The same in the time zone |zone| (a name of the host's zone database, such
// as "America/New_York"): a test machine's zone is often UTC, where local
// time and UTC cannot be told apart.
::testing::AssertionResult RunSelfInTimeZone(const std::wstring& zone,
                                             const std::wstring& gtest_filter,
                                             const std::wstring& variable);

// Full path of the running executable.
std::wstring SelfPath();

// Folder of the running executable, without a trailing backslash.
std::wstring SelfFolder();

}  // namespace testing_support

#endif  // TESTING_CHILD_PROCESS_H_
