#include "desktop/windows/installer/service/parent_process.h"

#include <gtest/gtest.h>

#include <string>

#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "testing/child_process.h"

namespace installer {
namespace {

using testing_support::ChildResult;
using testing_support::RunChildProcess;
using testing_support::SelfFolder;
using testing_support::SelfPath;

std::wstring ProbeCommand(const std::wstring& mode) {
  return L"\"" + SelfFolder() + L"\\product_settings_probe.exe\" " + mode;
}

TEST(ParentProcessTest, ChildSeesItsRunningParent) {
  ChildResult result = RunChildProcess(ProbeCommand(L"parent"));
  ASSERT_EQ(0u, result.exit_code) << result.output;
  std::wstring expected = L"parent=" + SelfPath() + L"\n";
  EXPECT_EQ(0,
            _wcsicmp(expected.c_str(), base::UTF8ToWide(result.output).c_str()))
      << result.output;
}

TEST(ParentProcessTest, ChildOfExitedParentSeesNone) {
  // The probe starts a child and exits; the child waits for that, then
  // reports.
  ChildResult result = RunChildProcess(ProbeCommand(L"orphan"));
  ASSERT_EQ(0u, result.exit_code) << result.output;
  EXPECT_EQ("parent=\n", result.output);
}

// A process that started suspended, ended when the owner goes.
class SuspendedProbe {
 public:
  SuspendedProbe() {
    std::wstring command = ProbeCommand(L"parent");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    EXPECT_TRUE(::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE,
                                 CREATE_SUSPENDED, nullptr, nullptr, &startup,
                                 &info));
    process_.Set(info.hProcess);
    thread_.Set(info.hThread);
    id_ = info.dwProcessId;
  }
  ~SuspendedProbe() { End(); }

  void End() {
    ::TerminateProcess(process_.Get(), 0);
    ::WaitForSingleObject(process_.Get(), INFINITE);
  }
  HANDLE process() const { return process_.Get(); }
  DWORD id() const { return id_; }

 private:
  base::win::ScopedHandle process_;
  base::win::ScopedHandle thread_;
  DWORD id_ = 0;
};

// A process id is reused once its process is gone: only a running process
// created before the one asking counts as its parent.
TEST(ParentProcessTest, OnlyARunningEarlierProcessCounts) {
  // Creation times are recorded at clock resolution: space them out.
  ::Sleep(50);
  SuspendedProbe earlier;
  ::Sleep(50);
  SuspendedProbe later;
  ASSERT_TRUE(earlier.process() && later.process());

  EXPECT_EQ(L"", internal::GetImagePathOfEarlierProcess(later.id(),
                                                        ::GetCurrentProcess())
                     .value());
  EXPECT_EQ(
      L"", internal::GetImagePathOfEarlierProcess(later.id(), earlier.process())
               .value());
  base::FilePath path =
      internal::GetImagePathOfEarlierProcess(earlier.id(), later.process());
  std::wstring probe = SelfFolder() + L"\\product_settings_probe.exe";
  EXPECT_EQ(0, _wcsicmp(probe.c_str(), path.value().c_str())) << path.value();

  // Ended, though still held open here: its id may soon be another's.
  earlier.End();
  EXPECT_EQ(
      L"", internal::GetImagePathOfEarlierProcess(earlier.id(), later.process())
               .value());
}

}  // namespace
}  // namespace installer
