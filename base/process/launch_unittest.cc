#include "base/process/launch.h"

#include <stdlib.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/process/testdata/process_test_child_command.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "base/win/startup_information.h"
#include "base/win/windows_version.h"

namespace base {
namespace {

std::string HandleValue(HANDLE handle) {
  return std::to_string(reinterpret_cast<uintptr_t>(handle));
}

// Launches |switches| with standard output on a pipe, waits, and returns
// what the child wrote.
std::string LaunchAndRead(const std::string& switches, LaunchOptions options) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  EXPECT_TRUE(::CreatePipe(&read_end, &write_end, &inherit, 0));
  ScopedHandle out_read(read_end);
  ScopedHandle out_write(write_end);
  options.stdout_handle = out_write.Get();
  options.inherit_handles = true;
  options.wait = true;
  EXPECT_TRUE(LaunchProcess(ChildCommand(switches), options).IsValid());
  out_write.Close();
  std::string output;
  char buffer[256];
  DWORD read = 0;
  while (::ReadFile(out_read.Get(), buffer, sizeof(buffer), &read, nullptr) &&
         read) {
    output.append(buffer, read);
  }
  return output;
}

// Children of this process still listed by the system.
int CountLiveChildren() {
  ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (entry.th32ParentProcessID == ::GetCurrentProcessId() &&
        _wcsicmp(entry.szExeFile, L"process_test_child.exe") == 0) {
      ++count;
    }
  }
  return count;
}

bool IsInheritable(HANDLE handle) {
  DWORD flags = 0;
  EXPECT_TRUE(::GetHandleInformation(handle, &flags));
  return (flags & HANDLE_FLAG_INHERIT) != 0;
}

// |first| is private and |second| inheritable; a list changes neither flag
// beyond the launch.
TEST(LaunchProcessTest, HandleListLimitsInheritance) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  ScopedHandle first(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ScopedHandle second(::CreateEventW(&inherit, TRUE, FALSE, nullptr));
  const std::string signal = "--signal-handles=" + HandleValue(first.Get()) +
                             "," + HandleValue(second.Get());
  struct Case {
    const char* name;
    bool use_list;
    std::vector<HANDLE> list;
    bool first_signalled;
    bool second_signalled;
  } cases[] = {
      {"no list", false, {}, false, true},
      {"empty list", true, {}, false, false},
      {"private handle", true, {first.Get()}, true, false},
      {"both", true, {first.Get(), second.Get()}, true, true},
  };
  for (Case& test : cases) {
    SCOPED_TRACE(test.name);
    ::ResetEvent(first.Get());
    ::ResetEvent(second.Get());
    LaunchOptions options;
    options.inherit_handles = true;
    options.wait = true;
    if (test.use_list) options.handles_to_inherit = &test.list;
    ASSERT_TRUE(LaunchProcess(ChildCommand(signal), options).IsValid());
    EXPECT_EQ(test.first_signalled,
              ::WaitForSingleObject(first.Get(), 0) == WAIT_OBJECT_0);
    EXPECT_EQ(test.second_signalled,
              ::WaitForSingleObject(second.Get(), 0) == WAIT_OBJECT_0);
    EXPECT_FALSE(IsInheritable(first.Get()));
    EXPECT_TRUE(IsInheritable(second.Get()));
  }
}

// A missing folder or program, or a handle list without extended startup
// information (as before Vista), gives an invalid process with the error.
TEST(LaunchProcessTest, FailuresGiveInvalidProcessWithError) {
  LaunchOptions options;
  options.current_directory = FilePath(L"C:\\no such folder\\for velto");
  EXPECT_FALSE(LaunchProcess(ChildCommand(), options).IsValid());
  EXPECT_NE(0u, ::GetLastError());
  EXPECT_FALSE(
      LaunchProcess(std::wstring(L"C:\\no such program.exe"), LaunchOptions())
          .IsValid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());

  // An attribute list is made once per startup record.
  win::StartupInformation twice;
  ASSERT_TRUE(twice.InitializeProcThreadAttributeList(1));
  EXPECT_FALSE(twice.InitializeProcThreadAttributeList(1));

  win::WindowsVersionInfo xp = *win::WindowsVersionInfo::GetInstance();
  xp.version = win::VERSION_XP;
  win::internal::ScopedWindowsVersionForTesting scoped_version(xp);
  win::StartupInformation startup;
  EXPECT_EQ(sizeof(STARTUPINFOW), startup.startup_info()->cb);
  EXPECT_FALSE(startup.InitializeProcThreadAttributeList(1));
  ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<HANDLE> handles = {event.Get()};
  LaunchOptions with_list;
  with_list.handles_to_inherit = &handles;
  EXPECT_FALSE(LaunchProcess(ChildCommand(), with_list).IsValid());
}

TEST(LaunchProcessTest, StartupInformationCarriesWindowAndDesktop) {
  wchar_t desktop[256] = {};
  ASSERT_TRUE(::GetUserObjectInformationW(
      ::GetThreadDesktop(::GetCurrentThreadId()), UOI_NAME, desktop,
      sizeof(desktop) - sizeof(wchar_t), nullptr));
  const std::string current_desktop = WideToUTF8(desktop);

  struct Case {
    bool start_hidden;
    bool empty_desktop_name;
    bool current_desktop;
    std::string expected;
  } cases[] = {
      // Standard handles are set by LaunchAndRead: 0x100 joins the flags.
      // Without a desktop name the child's own report varies by system.
      {true, false, false, "flags=101 show=0 "},
      {false, true, true, "flags=101 show=5 desktop=\n"},
      {false, false, true,
       "flags=101 show=5 desktop=" + current_desktop + "\n"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.expected);
    LaunchOptions options;
    options.start_hidden = test.start_hidden;
    options.empty_desktop_name = test.empty_desktop_name;
    options.current_desktop = test.current_desktop;
    std::string output = LaunchAndRead("--report-startup", options);
    EXPECT_EQ(test.expected, output.substr(0, test.expected.size()));
  }
}

// What the child's main thread was suspended by when the launch resumed it.
DWORD g_suspend_count_at_resume = 0;

TEST(LaunchProcessTest, JobGetsChildOrNoChildIsLeft) {
  ScopedHandle job(::CreateJobObjectW(nullptr, nullptr));
  ASSERT_TRUE(job.IsValid());
  LaunchOptions options;
  options.job_handle = job.Get();
  Process child;
  {
    // The child runs no instruction before it is in the job.
    internal::ScopedResumeThreadForTesting recording([](HANDLE thread) {
      g_suspend_count_at_resume = ::ResumeThread(thread);
      return g_suspend_count_at_resume;
    });
    child = LaunchProcess(ChildCommand("--sleep=10000"), options);
  }
  ASSERT_TRUE(child.IsValid());
  EXPECT_EQ(1u, g_suspend_count_at_resume);
  BOOL in_job = FALSE;
  EXPECT_TRUE(::IsProcessInJob(child.Handle(), job.Get(), &in_job));
  EXPECT_TRUE(in_job);
  // Resumed: it runs to its end once the job is closed.
  ::TerminateJobObject(job.Get(), 7);
  int exit_code = 0;
  EXPECT_TRUE(child.WaitForExit(&exit_code));
  EXPECT_EQ(7, exit_code);

  // A handle without the right to assign refuses every child.
  HANDLE query_only = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), job.Get(),
                                ::GetCurrentProcess(), &query_only,
                                JOB_OBJECT_QUERY, FALSE, 0));
  ScopedHandle refusing_job(query_only);
  options.job_handle = refusing_job.Get();
  EXPECT_FALSE(LaunchProcess(ChildCommand("--sleep=10000"), options).IsValid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
  EXPECT_EQ(0, CountLiveChildren());

  // A child that joins but cannot be resumed would stay suspended for ever.
  internal::ScopedResumeThreadForTesting failing_resume([](HANDLE) -> DWORD {
    ::SetLastError(ERROR_NOT_ENOUGH_QUOTA);
    return static_cast<DWORD>(-1);
  });
  options.job_handle = job.Get();
  EXPECT_FALSE(LaunchProcess(ChildCommand("--sleep=10000"), options).IsValid());
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA), ::GetLastError());
  EXPECT_EQ(0, CountLiveChildren());
}

// This process's own token stands for the user: the child gets the user's
// environment block, not the parent's.
TEST(LaunchProcessTest, AsUserGetsTheUsersEnvironment) {
  HANDLE token = nullptr;
  ASSERT_TRUE(::OpenProcessToken(
      ::GetCurrentProcess(),
      TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY, &token));
  ScopedHandle scoped_token(token);
  const std::string profile = getenv("USERPROFILE");
  ASSERT_FALSE(profile.empty());
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VELTO_PARENT_ONLY", L"1"));
  LaunchOptions options;
  options.as_user = token;
  const std::string output =
      LaunchAndRead("--report-env=VELTO_PARENT_ONLY,USERPROFILE", options);
  ::SetEnvironmentVariableW(L"VELTO_PARENT_ONLY", nullptr);
  EXPECT_EQ("VELTO_PARENT_ONLY unset\nUSERPROFILE=" + profile + "\n", output);
}

TEST(GetAppOutputTest, ResultFollowsTerminationStatus) {
  // Longer than one read block, so the blocks must join up.
  const std::string long_text(3000, 'x');
  struct Case {
    std::string switches;
    bool result;
    std::string printed;
  } cases[] = {
      {"--print=out --exit-code=1", true, "out"},   // Killed is success.
      {"--print=out --exit-code=2", false, "out"},  // Crashed.
      {"--print=out --exit-code=0xE0000008", true, "out"},  // Out of memory.
      {"--print=out --exit-code=259", false, "out"},        // Abnormal.
      {"--print=" + long_text, true, long_text},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.switches.substr(0, 40));
    std::string output = "kept:";
    EXPECT_EQ(test.result, GetAppOutput(ChildCommand(test.switches), &output));
    EXPECT_EQ("kept:" + test.printed, output);
  }

  std::string output;
  EXPECT_FALSE(
      GetAppOutput(CommandLine(FilePath(L"C:\\no such program.exe")), &output));
  EXPECT_EQ("", output);

  // The child gets the pipe alone, not every inheritable handle.
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  ScopedHandle event(::CreateEventW(&inherit, TRUE, FALSE, nullptr));
  EXPECT_TRUE(GetAppOutput(
      ChildCommand("--print=out --signal-handles=" + HandleValue(event.Get())),
      &output));
  EXPECT_EQ("out", output);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT),
            ::WaitForSingleObject(event.Get(), 0));

  // A parent without standard input or error (a windowed program) hands the
  // child the pipe alone; one handle serving as both is listed once (a list
  // that names a handle twice is refused).
  ScopedHandle null_device(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(null_device.IsValid());
  const HANDLE std_input = ::GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE std_error = ::GetStdHandle(STD_ERROR_HANDLE);
  for (HANDLE standard : {HANDLE{nullptr}, null_device.Get()}) {
    ::SetStdHandle(STD_INPUT_HANDLE, standard);
    ::SetStdHandle(STD_ERROR_HANDLE, standard);
    output.clear();
    const bool ran = GetAppOutput(ChildCommand("--print=out"), &output);
    ::SetStdHandle(STD_INPUT_HANDLE, std_input);
    ::SetStdHandle(STD_ERROR_HANDLE, std_error);
    EXPECT_TRUE(ran) << standard;
    EXPECT_EQ("out", output);
  }
}

}  // namespace
}  // namespace base
