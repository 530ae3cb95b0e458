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

// How each handle is owned is ScopedHandle's to test; here, which parts each
// call hands over or drops.
TEST(ScopedProcessInformationTest, TakeAndClose) {
  ScopedProcessInformation info(DuplicateCurrent());
  ScopedHandle process(info.TakeProcessHandle());
  EXPECT_EQ(0u, info.process_id());
  EXPECT_TRUE(info.IsValid());  // The thread handle is still held.
  const HANDLE thread = info.thread_handle();
  info.Close();
  EXPECT_FALSE(info.IsValid());
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(thread, &flags));

  info.Set(DuplicateCurrent());
  PROCESS_INFORMATION taken = info.Take();
  EXPECT_FALSE(info.IsValid());
  EXPECT_EQ(::GetCurrentProcessId(), taken.dwProcessId);
  EXPECT_EQ(::GetCurrentThreadId(), taken.dwThreadId);
  ScopedHandle taken_process(taken.hProcess);
  ScopedHandle taken_thread(taken.hThread);
  EXPECT_TRUE(::GetHandleInformation(taken_thread.Get(), &flags));
}

}  // namespace
}  // namespace win
}  // namespace base
