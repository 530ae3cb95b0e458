// The main of every unit-test executable.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/logging.h"
#include "base/win/windows_types.h"

namespace {

// A crash ends the process at once with the exception code: no debugger, no
// dialog, so death tests finish in milliseconds.
LONG WINAPI TerminateOnUnhandledException(EXCEPTION_POINTERS* info) {
  ::TerminateProcess(::GetCurrentProcess(),
                     info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  ::SetUnhandledExceptionFilter(&TerminateOnUnhandledException);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // Test executables run side by side from one folder: the default
  // "debug.log" beside them would be shared, and held open, by all of them.
  // Tests of the log file choose their own destinations.
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  logging::InitLogging(settings);
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
