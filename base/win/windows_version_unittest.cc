#include "base/win/windows_version.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/child_process.h"

namespace base {
namespace win {
namespace {

TEST(WindowsVersionTest, Classification) {
  struct Case {
    int32_t major;
    int32_t minor;
    int32_t build;
    WindowsVersion expected;
  } const kCases[] = {
      {5, 0, 2195, VERSION_PRE_XP},      {5, 1, 2600, VERSION_XP},
      {5, 2, 3790, VERSION_SERVER_2003}, {6, 0, 6002, VERSION_VISTA},
      {6, 1, 7601, VERSION_WIN7},        {6, 2, 9200, VERSION_WIN8},
      {6, 3, 9600, VERSION_WIN8_1},      {10, 0, 10585, VERSION_WIN10},
      {10, 0, 10586, VERSION_WIN10_TH2}, {7, 0, 0, VERSION_WIN_LAST},
      {0, 0, 0, VERSION_PRE_XP},         {6, 4, 9800, VERSION_WIN8_1},
      {5, 3, 0, VERSION_SERVER_2003},    {11, 0, 0, VERSION_WIN_LAST},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(c.expected,
              WindowsVersionInfo::VersionFromNumbers(c.major, c.minor, c.build))
        << c.major << "." << c.minor << "." << c.build;
  }
}

// This executable has no per-name version in the test prefix, so it sees the
// prefix's default: Windows 7 SP1. The probes are one program under two
// names; testing/wine_prefix.reg gives each name its own Windows version.
TEST(WindowsVersionTest, RecordReadsTheConfiguredRelease) {
  const WindowsVersionInfo* info = WindowsVersionInfo::GetInstance();
  EXPECT_EQ(VERSION_WIN7, GetWindowsVersion());
  EXPECT_EQ(
      (std::vector<int>{1, 0}),
      (std::vector<int>{info->service_pack_major, info->service_pack_minor}));
  EXPECT_GE(info->processor_count, 1);

  struct Case {
    const wchar_t* executable;
    const char* expected_version;
  } const kCases[] = {
      {L"windows_version_probe_win81",
       "version=6 major=6 minor=3 build=9600 sp=0.0 architecture=1\n"},
      {L"windows_version_probe_win10", "version=8 major=10 minor=0 build="},
  };
  for (const Case& c : kCases) {
    testing_support::ChildResult result =
        testing_support::RunChildProcess(L"\"" + testing_support::SelfFolder() +
                                         L"\\" + c.executable + L".exe\"");
    ASSERT_TRUE(result.started);
    EXPECT_EQ(0u, result.exit_code);
    std::string output = result.output;
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    EXPECT_EQ(0u, output.find(c.expected_version)) << output;
    EXPECT_NE(std::string::npos, output.find("racers_agree=yes\n")) << output;
  }
}

TEST(WindowsVersionTest, TestingOverrideReplacesAndRestores) {
  const WindowsVersionInfo* real = WindowsVersionInfo::GetInstance();
  WindowsVersionInfo win10 = *real;
  win10.version = VERSION_WIN10_TH2;
  {
    internal::ScopedWindowsVersionForTesting outer(win10);
    WindowsVersionInfo xp = win10;
    xp.version = VERSION_XP;
    {
      internal::ScopedWindowsVersionForTesting inner(xp);
      EXPECT_EQ(VERSION_XP, GetWindowsVersion());
    }
    EXPECT_EQ(VERSION_WIN10_TH2, GetWindowsVersion());
  }
  EXPECT_EQ(real, WindowsVersionInfo::GetInstance());
}

}  // namespace
}  // namespace win
}  // namespace base
