#include "base/logging.h"

#include <stdio.h>

#include <iomanip>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/files/file_test_util.h"
#include "base/win/windows_types.h"
#include "testing/child_process.h"
#include "testing/run_together.h"
#include "testing/scoped_test_folder.h"

namespace logging {
namespace {

using testing_support::ScopedTestFolder;

// Lines taken by CapturingHandler, and where their messages start.
std::vector<std::string> lines_;
std::vector<size_t> starts_;

bool CapturingHandler(int, const char*, int, size_t message_start,
                      const std::string& str) {
  lines_.push_back(str);
  starts_.push_back(message_start);
  return true;
}

bool DecliningHandler(int, const char*, int, size_t, const std::string&) {
  return false;
}

std::string ReadFileText(const std::wstring& path) {
  return base::test::ReadForTest(base::FilePath(path));
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class LoggingTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetLoggingForTesting();
    lines_.clear();
    starts_.clear();
  }
  void TearDown() override { ResetLoggingForTesting(); }

  // Logs to |path| only, appending.
  bool LogToFile(const std::wstring& path) {
    LoggingSettings settings;
    settings.log_file = path.c_str();
    return InitLogging(settings);
  }
};

// By default the prefix holds the time, severity, file and line; all items
// add the process, thread and tick count; with none, the severity remains.
// Logging keeps the thread's last error.
TEST_F(LoggingTest, LinePrefixCarriesTheItemsAsked) {
  SetLogMessageHandler(&CapturingHandler);
  LOG(INFO) << "text";
  ASSERT_EQ(1u, lines_.size());
  EXPECT_TRUE(std::regex_match(
      lines_[0], std::regex(R"(^\[\d{4}/\d{6}\.\d{3}:INFO:)"
                            R"(logging_unittest\.cc\(\d+\)\] text\n$)")))
      << lines_[0];
  EXPECT_EQ("text\n", lines_[0].substr(starts_[0]));
  // The stream inherits no formatting from the fixed-width prefix.
  LOG(INFO) << std::setw(3) << 7;
  EXPECT_EQ("  7\n", lines_[1].substr(starts_[1]));

  SetLogItems(true, true, true, true);
  LOG(WARNING) << "all items";
  std::smatch match;
  ASSERT_TRUE(std::regex_match(
      lines_[2], match,
      std::regex(R"(^\[(\d+):(\d+):\d{4}/\d{6}\.\d{3}:\d+:WARNING:)"
                 R"(logging_unittest\.cc\(\d+\)\] all items\n$)")))
      << lines_[2];
  EXPECT_EQ(std::to_string(::GetCurrentProcessId()), match[1].str());
  EXPECT_EQ(std::to_string(::GetCurrentThreadId()), match[2].str());

  SetLogItems(false, false, false, false);
  const struct {
    int severity;
    const char* prefix;
  } kCases[] = {
      {LOG_INFO, "[INFO:"}, {LOG_WARNING, "[WARNING:"}, {LOG_ERROR, "[ERROR:"},
      {4, "[UNKNOWN:"},     {-1, "[VERBOSE1:"},         {-12, "[VERBOSE12:"},
  };
  for (const auto& test : kCases) {
    lines_.clear();
    LogMessage(__FILE__, __LINE__, test.severity).stream() << "x";
    ASSERT_EQ(1u, lines_.size());
    EXPECT_EQ(0u, lines_[0].find(test.prefix)) << lines_[0];
  }

  // PLOG appends the system's text for the error, which survives logging.
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  PLOG(ERROR) << "open";
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
  ASSERT_EQ(2u, lines_.size());
  const std::string message = lines_.back().substr(starts_.back());
  EXPECT_EQ(0u, message.find("open: ")) << message;
  EXPECT_TRUE(Contains(message, " (0x2)\n")) << message;
}

TEST_F(LoggingTest, MinimumAndVerboseLevels) {
  SetMinLogLevel(5);
  EXPECT_FALSE(ShouldCreateLogMessage(LOG_ERROR));
  EXPECT_TRUE(ShouldCreateLogMessage(LOG_FATAL));

  SetMinLogLevel(LOG_WARNING);
  EXPECT_FALSE(ShouldCreateLogMessage(LOG_INFO));
  EXPECT_TRUE(ShouldCreateLogMessage(LOG_WARNING));

  // Without a filter the verbose level follows the minimum level. VLOG
  // shows lines up to it, as MacrosBindNoElse sees, and no further.
  SetMinLogLevel(LOG_ERROR);
  EXPECT_EQ(-1, GetVlogLevel(__FILE__));
  SetMinLogLevel(-2);
  EXPECT_EQ(2, GetVlogLevel(__FILE__));
  SetMinLogLevel(-1);
  SetLogMessageHandler(&CapturingHandler);
  VLOG(2) << "hidden";
  EXPECT_TRUE(lines_.empty());

  // With no destination only errors are made, for standard error, unless a
  // handler may want the line.
  ResetLoggingForTesting();
  LoggingSettings settings;
  settings.logging_dest = LOG_NONE;
  EXPECT_TRUE(InitLogging(settings));
  EXPECT_FALSE(ShouldCreateLogMessage(LOG_INFO));
  EXPECT_FALSE(ShouldCreateLogMessage(LOG_WARNING));
  EXPECT_TRUE(ShouldCreateLogMessage(LOG_ERROR));
  SetLogMessageHandler(&DecliningHandler);
  EXPECT_TRUE(ShouldCreateLogMessage(LOG_INFO));
}

// A handler that takes a line keeps it from every other destination; one
// that declines leaves it to them. Only errors go to standard error too.
TEST_F(LoggingTest, HandlerTakesOrDeclinesLines) {
  ScopedTestFolder folder;
  const std::wstring log_path = folder.path() + L"\\handled.log";
  ASSERT_TRUE(LogToFile(log_path));
  testing::internal::CaptureStderr();
  SetLogMessageHandler(&CapturingHandler);
  LOG(ERROR) << "diverted error";
  SetLogMessageHandler(&DecliningHandler);
  LOG(ERROR) << "passed on";
  LOG(WARNING) << "file only";
  const std::string output = testing::internal::GetCapturedStderr();
  const std::string file_text = ReadFileText(log_path);

  ASSERT_EQ(1u, lines_.size());
  EXPECT_TRUE(Contains(lines_[0], "diverted error"));
  // Each destination holds exactly its lines.
  EXPECT_TRUE(std::regex_match(output, std::regex(R"([^\n]*\] passed on\n)")))
      << output;
  EXPECT_TRUE(std::regex_match(
      file_text, std::regex(R"([^\n]*\] passed on\n[^\n]*\] file only\n)")))
      << file_text;
}

// The debug-log destination copies every line, not only errors, to standard
// error; with the file bit off, the file opened before gets nothing.
TEST_F(LoggingTest, DebugLogDestinationAlsoWritesStandardError) {
  ScopedTestFolder folder;
  const std::wstring log_path = folder.path() + L"\\earlier.log";
  ASSERT_TRUE(LogToFile(log_path));
  LoggingSettings settings;
  settings.logging_dest = LOG_TO_SYSTEM_DEBUG_LOG;
  ASSERT_TRUE(InitLogging(settings));
  testing::internal::CaptureStderr();
  LOG(INFO) << "debug info";
  const std::string output = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(std::regex_match(output, std::regex(R"([^\n]*\] debug info\n)")))
      << output;
  EXPECT_EQ("", ReadFileText(log_path));
}

// A named file is appended to; one in a folder that does not exist is
// replaced by "debug.log" in the current folder. With none named, the file
// is "debug.log" beside the executable, and asking to delete the old one
// deletes that file.
TEST_F(LoggingTest, LogFileIsAppendedFallsBackOrIsReplaced) {
  ScopedTestFolder folder;
  const std::wstring log_path = folder.path() + L"\\app.log";
  ASSERT_TRUE(testing_support::WriteFileForTest(log_path, "old line\n"));
  ASSERT_TRUE(LogToFile(log_path));
  LOG(INFO) << "first";
  LOG(WARNING) << "second";
  const std::string text = ReadFileText(log_path);
  EXPECT_TRUE(std::regex_match(
      text, std::regex(R"(old line\n[^\n]*\] first\n[^\n]*\] second\n)")))
      << text;
  // Reopening the existing file sets the last error; the caller's survives.
  CloseLogFileForTesting();
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  LOG(INFO) << "reopened";
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());

  const std::wstring missing = folder.path() + L"\\missing\\installer.log";
  {
    testing_support::ScopedCurrentDirectoryForTest current(folder.path());
    ASSERT_TRUE(current.changed());
    EXPECT_TRUE(LogToFile(missing));
    LOG(INFO) << "fell back";
    CloseLogFileForTesting();
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(missing.c_str()));
  EXPECT_TRUE(
      Contains(ReadFileText(folder.path() + L"\\debug.log"), "fell back"));

  const std::wstring default_path =
      testing_support::SelfFolder() + L"\\debug.log";
  ASSERT_TRUE(testing_support::WriteFileForTest(default_path, "stale line\n"));
  LoggingSettings settings;
  settings.delete_old = DELETE_OLD_LOG_FILE;
  ASSERT_TRUE(InitLogging(settings));
  const std::string marker = "pid " + std::to_string(::GetCurrentProcessId());
  LOG(INFO) << marker;
  const std::string fresh = ReadFileText(default_path);
  EXPECT_TRUE(Contains(fresh, marker));
  EXPECT_FALSE(Contains(fresh, "stale line")) << fresh;
  CloseLogFileForTesting();
  ::DeleteFileW(default_path.c_str());
}

// Threads that log first at the same moment all open the file; one handle
// must survive and the others be closed, or the file stays in use.
TEST_F(LoggingTest, ConcurrentFirstLinesLeaveOneHandle) {
  ScopedTestFolder folder;
  const std::wstring log_path = folder.path() + L"\\race.log";
  for (int round = 0; round < 30; ++round) {
    ASSERT_TRUE(LogToFile(log_path));
    CloseLogFileForTesting();
    testing_support::RunOnThreadsTogether(
        16, [](int i) { LOG(INFO) << "thread " << i; });
    // Lines are not counted: under Wine, appending writes from several
    // threads may overwrite each other (on Windows each one is atomic).
    EXPECT_FALSE(ReadFileText(log_path).empty());
    CloseLogFileForTesting();
    // Without delete sharing, any handle left open makes this fail.
    ASSERT_TRUE(::DeleteFileW(log_path.c_str()))
        << "round " << round << ", error " << ::GetLastError();
  }
}

// Each macro is one statement: an "else" after it belongs to the "if"
// before it, and the statement itself runs when that "if" is taken. The
// comparison checks all expand through one macro, so one stands for all,
// and the DCHECK forms through DCHECK or CHECK.
TEST_F(LoggingTest, MacrosBindNoElse) {
  SetMinLogLevel(-1);
  SetLogMessageHandler(&CapturingHandler);
#define EXPECT_SINGLE_STATEMENT(taken, statement)                              \
  if (taken)                                                                   \
    statement;                                                                 \
  else                                                                         \
    ++else_runs
  for (bool taken : {false, true}) {
    SCOPED_TRACE(taken ? "taken" : "not taken");
    int else_runs = 0;
    const int one = 1;
    EXPECT_SINGLE_STATEMENT(taken, LOG(INFO) << "log");
    EXPECT_SINGLE_STATEMENT(taken, LOG_IF(INFO, one == 1) << "log_if");
    EXPECT_SINGLE_STATEMENT(taken, VLOG(1) << "vlog");
    EXPECT_SINGLE_STATEMENT(taken, PLOG(INFO) << "plog");
    EXPECT_SINGLE_STATEMENT(taken, VPLOG(1) << "vplog");
    EXPECT_SINGLE_STATEMENT(taken, CHECK(one == 1) << "check");
    EXPECT_SINGLE_STATEMENT(taken, CHECK_EQ(one, 1) << "check_eq");
    EXPECT_SINGLE_STATEMENT(taken, DCHECK(one == 1));
    EXPECT_SINGLE_STATEMENT(one == 2, NOTREACHED());
    EXPECT_EQ(taken ? 1 : 9, else_runs);
  }
#undef EXPECT_SINGLE_STATEMENT
  // The five log statements ran once each, when taken; the verbose ones at
  // their level.
  ASSERT_EQ(5u, lines_.size());
  EXPECT_TRUE(Contains(lines_[2], ":VERBOSE1:")) << lines_[2];
  EXPECT_TRUE(Contains(lines_[4], ":VERBOSE1:")) << lines_[4];
  LOG_IF(ERROR, lines_.empty()) << "condition false";
  EXPECT_EQ(5u, lines_.size());
}

TEST(LoggingTextTest, SystemErrorTextAndWideStrings) {
  const std::string text = SystemErrorCodeToString(ERROR_ACCESS_DENIED);
  // One line: "." matches no line break.
  EXPECT_TRUE(std::regex_match(text, std::regex(R"(^\S.*\S \(0x5\)$)")))
      << text;
  EXPECT_FALSE(Contains(text, "  "));

  // Codes are in upper-case hex; HRESULTs in eight digits.
  const std::string exists = SystemErrorCodeToString(ERROR_ALREADY_EXISTS);
  EXPECT_EQ(exists.size() - 7, exists.rfind(" (0xB7)")) << exists;
  EXPECT_EQ(0u, HResultToString(E_ACCESSDENIED).find("0x80070005 ("));
  EXPECT_EQ(0u, HResultToString(S_FALSE).find("0x00000001 ("));
  EXPECT_EQ("0x8004100A", HResultToString(0x8004100A).substr(0, 10));

  const std::string unknown = SystemErrorCodeToString(0xDEADBEEF);
  EXPECT_TRUE(std::regex_match(
      unknown, std::regex(R"(^Error \(0x[0-9A-F]+\) while retrieving error\. )"
                          R"(\(0xDEADBEEF\)$)")))
      << unknown;

  std::ostringstream out;
  WriteWideStringToStream(out, nullptr);
  WriteWideStringToStream(out, L"caf\u00e9 \U0001F600");
  EXPECT_EQ("caf\xc3\xa9 \xf0\x9f\x98\x80", out.str());
  // A wide string goes out whole, past an embedded NUL.
  std::ostringstream whole;
  whole << std::wstring(L"a\0b", 3);
  EXPECT_EQ(std::string("a\0b", 3), whole.str());
}

// Each comparison holds exactly on its side of the boundary, and the DCHECK
// forms keep the operator of their CHECK.
TEST(LoggingTextTest, CheckComparisonsAtTheBoundary) {
  const struct {
    int a, b;
    bool eq, ne, le, lt, ge, gt;
  } kCases[] = {
      {1, 2, false, true, true, true, false, false},
      {2, 2, true, false, true, false, true, false},
      {3, 2, false, true, false, false, true, true},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(testing::Message() << test.a << " vs " << test.b);
    EXPECT_EQ(test.eq, !CheckEQImpl(test.a, test.b, "eq"));
    EXPECT_EQ(test.ne, !CheckNEImpl(test.a, test.b, "ne"));
    EXPECT_EQ(test.le, !CheckLEImpl(test.a, test.b, "le"));
    EXPECT_EQ(test.lt, !CheckLTImpl(test.a, test.b, "lt"));
    EXPECT_EQ(test.ge, !CheckGEImpl(test.a, test.b, "ge"));
    EXPECT_EQ(test.gt, !CheckGTImpl(test.a, test.b, "gt"));
  }
  // Each of these stops the process if its operator is the wrong one.
  const int one = 1, two = 2;
  CHECK_NE(one, two);
  CHECK_LE(two, two);
  CHECK_LT(one, two);
  CHECK_GE(two, two);
  CHECK_GT(two, one);
  DCHECK_EQ(two, two);
  DCHECK_NE(one, two);
  DCHECK_LE(two, two);
  DCHECK_LT(one, two);
  DCHECK_GE(two, two);
  DCHECK_GT(two, one);
}

bool AnnouncingHandler(int, const char*, int, size_t, const std::string& str) {
  fprintf(stderr, "handler took: %s", str.c_str());
  fflush(stderr);
  return true;
}

// FATAL stops the process even when a handler takes the line.
using LoggingDeathTest = LoggingTest;
TEST_F(LoggingDeathTest, FatalStopsTheProcess) {
  EXPECT_DEATH(LOG(FATAL) << "fatal text",
               "FATAL:logging_unittest.cc.*fatal text");
  EXPECT_DEATH(CHECK(1 + 1 == 3) << "arithmetic",
               "Check failed: 1 \\+ 1 == 3\\. arithmetic");
  // Operands are evaluated once: the message shows the values compared.
  int calls = 0;
  EXPECT_DEATH(CHECK_EQ(++calls, 5),
               "Check failed: \\+\\+calls == 5 \\(1 vs\\. 5\\)");
  EXPECT_DEATH(SetLogMessageHandler(&AnnouncingHandler);
               LOG(FATAL) << "handled fatal", "handler took: .*handled fatal");
}

// Runs in a child started with "v" and "vmodule" switches by the test below.
TEST(LoggingSwitchesChild, DISABLED_ReportVlogLevels) {
  base::CommandLine::Init();
  ResetLoggingForTesting();
  LoggingSettings settings;
  settings.logging_dest = LOG_NONE;
  ASSERT_TRUE(InitLogging(settings));
  printf("levels %d %d %d\n", GetVlogLevel(__FILE__),
         GetVlogLevel("dir/other_file.cc"),
         GetVlogLevel("x/logging_helper.cc"));
  ResetLoggingForTesting();
}

// Either switch alone is enough to install the filter.
TEST(LoggingSwitchesTest, InitLoggingReadsVerboseSwitches) {
  const struct {
    const wchar_t* switches;
    const char* levels;
  } kCases[] = {
      {L" --v=1 --vmodule=logging_unittest=3,*/logging_h*=2", "levels 3 1 2"},
      {L" --vmodule=logging_unittest=3", "levels 3 0 0"},
      {L" --v=2", "levels 2 2 2"},
      // A pattern with a separator must match the whole path, to its end.
      {L" --vmodule=*/logging_unittest.cc=4", "levels 4 0 0"},
  };
  for (const auto& test : kCases) {
    const std::wstring command =
        L"\"" + testing_support::SelfPath() +
        L"\" --gtest_also_run_disabled_tests"
        L" --gtest_filter=LoggingSwitchesChild.DISABLED_ReportVlogLevels" +
        test.switches;
    const testing_support::ChildResult result =
        testing_support::RunChildProcess(command);
    ASSERT_TRUE(result.started);
    EXPECT_EQ(0u, result.exit_code) << result.output;
    EXPECT_TRUE(Contains(result.output, test.levels)) << result.output;
  }
}

}  // namespace
}  // namespace logging
