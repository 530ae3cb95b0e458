#include "desktop/windows/installer/service/parent_process.h"

#include <gtest/gtest.h>

#include <string>

#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "testing/child_process.h"

namespace installer {
namespace {

using testing_support::RunChildProcess;
using testing_support::SelfFolder;

std::wstring ProbeCommand(const std::wstring& mode) {
  return L"\"" + SelfFolder() + L"\\product_settings_probe.exe\" " + mode;
}

// The probe sees this process; started by a probe that exits at once, it
// waits for that, then sees none.
TEST(ParentProcessTest, ChildSeesItsRunningParentOnly) {
  auto result = RunChildProcess(ProbeCommand(L"parent"));
  ASSERT_EQ(0u, result.exit_code) << result.output;
  std::wstring expected = L"parent=" + testing_support::SelfPath() + L"\n";
  EXPECT_EQ(0,
            _wcsicmp(expected.c_str(), base::UTF8ToWide(result.output).c_str()))
      << result.output;
  result = RunChildProcess(ProbeCommand(L"orphan"));
  EXPECT_EQ("parent=\n", result.output);
}

// A probe that waits for this process to end, ended by its owner first.
struct WaitingProbe {
  ~WaitingProbe() { End(); }
  void End() const {
    ::TerminateProcess(process.Handle(), 0);
    process.WaitForExit(nullptr);
  }

  const base::Process process = base::LaunchProcess(
      ProbeCommand(L"wait-parent " + std::to_wstring(::GetCurrentProcessId())),
      base::LaunchOptions());
};

// A process id is reused once its process is gone: only a running process
// created before the one asking counts as its parent.
TEST(ParentProcessTest, OnlyARunningEarlierProcessCounts) {
  // Creation times are recorded at clock resolution: space them out.
  ::Sleep(50);
  WaitingProbe earlier;
  ::Sleep(50);
  WaitingProbe later;
  ASSERT_TRUE(earlier.process.IsValid() && later.process.IsValid());

  EXPECT_EQ(L"", internal::GetImagePathOfEarlierProcess(
                     later.process.Pid(), earlier.process.Handle())
                     .value());
  base::FilePath path = internal::GetImagePathOfEarlierProcess(
      earlier.process.Pid(), later.process.Handle());
  std::wstring probe = SelfFolder() + L"\\product_settings_probe.exe";
  EXPECT_EQ(0, _wcsicmp(probe.c_str(), path.value().c_str())) << path.value();

  // Ended, though still held open here: its id may soon be another's.
  earlier.End();
  EXPECT_EQ(L"", internal::GetImagePathOfEarlierProcess(earlier.process.Pid(),
                                                        later.process.Handle())
                     .value());
}

}  // namespace
}  // namespace installer
