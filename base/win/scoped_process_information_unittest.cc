#include "base/win/scoped_process_information.h"

#include <gtest/gtest.h>

namespace base {
namespace win {
namespace {

PROCESS_INFORMATION DuplicateCurrent() {
  PROCESS_INFORMATION info = {};
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(),
                    ::GetCurrentProcess(), &info.hProcess, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(),
                    ::GetCurrentProcess(), &info.hThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  info.dwProcessId = ::GetCurrentProcessId();
  info.dwThreadId = ::GetCurrentThreadId();
  return info;
}

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != FALSE;
}

TEST(ScopedProcessInformationTest, SetCloseAndTake) {
  PROCESS_INFORMATION first = DuplicateCurrent();
  ScopedProcessInformation info(first);
  EXPECT_TRUE(info.IsValid());
  EXPECT_EQ(::GetCurrentThreadId(), info.thread_id());

  // Setting again closes both handles held before.
  info.Set(DuplicateCurrent());
  EXPECT_FALSE(IsOpen(first.hProcess));
  EXPECT_FALSE(IsOpen(first.hThread));

  ScopedHandle process(info.TakeProcessHandle());
  EXPECT_TRUE(IsOpen(process.Get()));
  EXPECT_EQ(0u, info.process_id());
  EXPECT_TRUE(info.IsValid());  // The thread handle is still held.
  HANDLE thread = info.thread_handle();
  info.Close();
  EXPECT_FALSE(info.IsValid());
  EXPECT_FALSE(IsOpen(thread));

  info.Set(DuplicateCurrent());
  PROCESS_INFORMATION taken = info.Take();
  EXPECT_FALSE(info.IsValid());
  EXPECT_EQ(::GetCurrentProcessId(), taken.dwProcessId);
  ScopedHandle taken_process(taken.hProcess);
  ScopedHandle taken_thread(taken.hThread);
  EXPECT_TRUE(IsOpen(taken_thread.Get()));
}

}  // namespace
}  // namespace win
}  // namespace base
