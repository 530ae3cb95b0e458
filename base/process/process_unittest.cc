#include "base/process/process.h"

#include <stdint.h>

#include <string>

#include <gtest/gtest.h>

#include "base/process/kill.h"
#include "base/process/launch.h"
#include "base/process/process_handle.h"
#include "base/process/testdata/process_test_child_command.h"

namespace base {
namespace {

Process LaunchChild(const std::string& switches) {
  return LaunchProcess(ChildCommand(switches), LaunchOptions());
}

TEST(ProcessTest, CurrentOpenAndMove) {
  Process opened = Process::Open(::GetCurrentProcessId());
  ASSERT_TRUE(opened.IsValid());

  // Moving over a valid object closes its handle (the handle owner's tests
  // check that the last error survives).
  Process target = Process::Open(::GetCurrentProcessId());
  HANDLE replaced = target.Handle();
  target = std::move(opened);
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(replaced, &flags));
  EXPECT_FALSE(opened.IsValid());
  EXPECT_EQ(::GetCurrentProcessId(), target.Pid());

  target = Process::Current();
  EXPECT_TRUE(target.IsValid());
  EXPECT_EQ(::GetCurrentProcess(), target.Handle());
  EXPECT_EQ(::GetCurrentProcessId(), target.Pid());

  // Standing for this process moves too, and leaves the source invalid.
  Process moved(std::move(target));
  EXPECT_FALSE(target.IsValid());
  EXPECT_EQ(::GetCurrentProcess(), moved.Handle());
  opened = std::move(moved);
  EXPECT_FALSE(moved.IsValid());
  EXPECT_EQ(::GetCurrentProcess(), opened.Handle());
}

TEST(ProcessTest, WaitTimeoutIsClampedNotTruncated) {
  Process child = LaunchChild("--sleep=1000 --exit-code=5");
  ASSERT_TRUE(child.IsValid());
  int exit_code = -1;
  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(
      child.WaitForExitWithTimeout(TimeDelta::FromSeconds(-1), &exit_code));
  EXPECT_LT(::GetTickCount() - start, 500u);
  EXPECT_EQ(-1, exit_code);
  // 2^32 ms truncated to 32 bits would be a zero wait.
  EXPECT_TRUE(child.WaitForExitWithTimeout(
      TimeDelta::FromMilliseconds(INT64_C(1) << 32), &exit_code));
  EXPECT_EQ(5, exit_code);
}

TEST(TerminationStatusTest, ExitCodesClassify) {
  struct Case {
    const char* switches;
    int exit_code;
    TerminationStatus status;
  } cases[] = {
      {"--exit-code=0", 0, TERMINATION_STATUS_NORMAL_TERMINATION},
      {"--exit-code=1", 1, TERMINATION_STATUS_PROCESS_WAS_KILLED},
      {"--exit-code=0x40010004", 0x40010004,
       TERMINATION_STATUS_PROCESS_WAS_KILLED},
      {"--exit-code=0xC000013A", static_cast<int>(0xC000013A),
       TERMINATION_STATUS_PROCESS_WAS_KILLED},
      {"--exit-code=0xC0000354", static_cast<int>(0xC0000354),
       TERMINATION_STATUS_PROCESS_WAS_KILLED},
      {"--exit-code=7012", 7012, TERMINATION_STATUS_OOM},
      {"--exit-code=0xE0000008", static_cast<int>(0xE0000008),
       TERMINATION_STATUS_OOM},
      {"--exit-code=2", 2, TERMINATION_STATUS_PROCESS_CRASHED},
      {"--crash", static_cast<int>(0xC0000005),
       TERMINATION_STATUS_PROCESS_CRASHED},
      // STILL_ACTIVE as a real exit code: the handle is signalled.
      {"--exit-code=259", -1, TERMINATION_STATUS_ABNORMAL_TERMINATION},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.switches);
    Process child = LaunchChild(test.switches);
    ASSERT_TRUE(child.IsValid());
    ASSERT_TRUE(child.WaitForExit(nullptr));
    int exit_code = -1;
    EXPECT_EQ(test.status, GetTerminationStatus(child.Handle(), &exit_code));
    EXPECT_EQ(test.exit_code, exit_code);
  }

  Process running = LaunchChild("--sleep=10000");
  int exit_code = -1;
  EXPECT_EQ(TERMINATION_STATUS_STILL_RUNNING,
            GetTerminationStatus(running.Handle(), &exit_code));
  EXPECT_EQ(static_cast<int>(WAIT_TIMEOUT), exit_code);
  ::TerminateProcess(running.Handle(), 0);

  // An unreadable exit code counts as a normal end.
  EXPECT_EQ(TERMINATION_STATUS_NORMAL_TERMINATION,
            GetTerminationStatus(nullptr, &exit_code));
  EXPECT_EQ(0, exit_code);
}

// A child names this process; an orphan still names its ended parent; an
// ended process is no longer listed, even while its handle is open.
TEST(ParentProcessTest, ChildrenOrphansAndEndedProcesses) {
  Process child = LaunchChild("--sleep=10000");
  EXPECT_EQ(::GetCurrentProcessId(), GetParentProcessId(child.Handle()));
  ::TerminateProcess(child.Handle(), 0);

  std::string output;
  ASSERT_TRUE(GetAppOutput(ChildCommand("--spawn-orphan"), &output));
  unsigned long orphan_pid = 0;
  unsigned long parent_pid = 0;
  ASSERT_EQ(2, sscanf(output.c_str(), "orphan=%lu parent=%lu", &orphan_pid,
                      &parent_pid))
      << output;
  Process orphan = Process::Open(orphan_pid);
  ASSERT_TRUE(orphan.IsValid());
  EXPECT_EQ(parent_pid, GetParentProcessId(orphan.Handle()));
  EXPECT_NE(::GetCurrentProcessId(), parent_pid);
  // Opened processes may be ended, not only waited for.
  EXPECT_TRUE(::TerminateProcess(orphan.Handle(), 0));
  EXPECT_TRUE(
      orphan.WaitForExitWithTimeout(TimeDelta::FromSeconds(30), nullptr));

  ASSERT_TRUE(child.WaitForExit(nullptr));
  EXPECT_EQ(0u, GetParentProcessId(child.Handle()));
}

}  // namespace
}  // namespace base
