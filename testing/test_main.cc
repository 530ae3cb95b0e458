// The main of every unit-test executable.
//
// CTest runs each executable through testing/run_test_executable.sh, which
// names a file in VELTO_TEST_COMPLETION_FILE: the main writes it once every
// test has run, so a run that a test ended early (an exit, a crash) fails
// even when its exit code is 0.

#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/environment.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_types.h"

namespace {

constexpr char kCompletionFileVariable[] = "VELTO_TEST_COMPLETION_FILE";

// A crash ends the process at once with the exception code: no debugger, no
// dialog, so death tests finish in milliseconds.
LONG WINAPI TerminateOnUnhandledException(EXCEPTION_POINTERS* info) {
  ::TerminateProcess(::GetCurrentProcess(),
                     info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Returns the completion file's path, empty when none was asked for, and
// takes the variable out of this process's environment: a child of a test
// (this executable run again, say) that got to its end would otherwise
// write the file and hide an early end of this run.
base::FilePath TakeCompletionFilePath() {
  std::unique_ptr<base::Environment> environment = base::Environment::Create();
  std::string path;
  if (!environment->GetVar(kCompletionFileVariable, &path))
    return base::FilePath();
  environment->UnSetVar(kCompletionFileVariable);
  // The C runtime keeps a copy of its own, which _wspawn and system() pass
  // on.
  _wputenv(
      base::UTF8ToWide(std::string(kCompletionFileVariable) + "=").c_str());
  return base::FilePath::FromUTF8Unsafe(path);
}

}  // namespace

int main(int argc, char** argv) {
  const base::FilePath completion_file = TakeCompletionFilePath();
  ::SetUnhandledExceptionFilter(&TerminateOnUnhandledException);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // Test executables run side by side from one folder: the default
  // "debug.log" beside them would be shared, and held open, by all of them.
  // Tests of the log file choose their own destinations.
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  logging::InitLogging(settings);
  testing::InitGoogleMock(&argc, argv);
  int result = RUN_ALL_TESTS();
  if (!completion_file.empty()) {
    const std::string text = std::to_string(result) + "\n";
    if (base::WriteFileBytes(completion_file, text.data(),
                             static_cast<int>(text.size())) !=
        static_cast<int>(text.size())) {
      fprintf(stderr, "Could not write the completion file %ls\n",
              completion_file.value().c_str());
      return 1;
    }
  }
  return result;
}
