// A child for the kill test of the important-file writer: writes generation
// after generation of self-checking data to one file through
// ImportantFileWriter::WriteNow, each write finished before the next.
//
//   important_file_writer_child.exe TARGET FIRST COUNT READY_EVENT
//
// FIRST is the first generation; COUNT writes are made, or endlessly when it
// is 0 (the parent ends the child with TerminateProcess). READY_EVENT names
// an event that is set just before the first write starts.
#include <stdint.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/important_file_writer.h"
#include "base/files/testdata/important_file_writer_generation.h"
#include "base/logging.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"
#include "testing/queue_thread.h"

#include <shellapi.h>

namespace {

LONG WINAPI TerminateOnUnhandledException(EXCEPTION_POINTERS* info) {
  ::TerminateProcess(::GetCurrentProcess(),
                     info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main() {
  ::SetUnhandledExceptionFilter(&TerminateOnUnhandledException);
  // No "debug.log" beside the tests.
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  logging::InitLogging(settings);

  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc != 5) return 2;
  const base::FilePath target(argv[1]);
  const uint64_t first = wcstoull(argv[2], nullptr, 10);
  const uint64_t count = wcstoull(argv[3], nullptr, 10);
  base::ScopedHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[4]));
  if (!ready.IsValid()) return 3;

  testing_support::QueueThread writer_thread;
  base::ImportantFileWriter writer(target, writer_thread.task_runner());
  ::SetEvent(ready.Get());
  for (uint64_t generation = first; count == 0 || generation < first + count;
       ++generation) {
    writer.WriteNow(std::make_unique<std::string>(
        important_file_writer_test::MakeGeneration(generation)));
    // Waits for the write: the runner runs its tasks in order.
    writer_thread.RunAndWait(base::Bind([] {}));
  }
  return 0;
}
