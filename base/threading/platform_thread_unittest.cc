#include "base/threading/platform_thread.h"

#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop_test_helpers.h"

namespace base {
namespace {

// Records what a thread sees of itself, then says it is done.
class ProbeDelegate : public PlatformThread::Delegate {
 public:
  void ThreadMain() override {
    priority_ = ::GetThreadPriority(::GetCurrentThread());
    ULONG_PTR low = 0;
    ULONG_PTR high = 0;
    ::GetCurrentThreadStackLimits(&low, &high);
    stack_reservation_ = high - low;
    done_.Signal();
  }

  int priority_ = 0;
  size_t stack_reservation_ = 0;
  test::ManualEvent done_;
};

// The priority maps to the system's value. A stack size is a reservation:
// only a reservation can be smaller than the executable's default stack.
// A non-joinable thread runs as well.
TEST(PlatformThreadTest, PriorityAndStackReservationFollowTheRequest) {
  const size_t kSmall = 1024 * 1024;
  const struct {
    ThreadPriority priority;
    size_t stack_size;
    int expected;
  } kCases[] = {
      {ThreadPriority::BACKGROUND, kSmall, THREAD_PRIORITY_LOWEST},
      {ThreadPriority::NORMAL, 0, THREAD_PRIORITY_NORMAL},
      {ThreadPriority::ABOVE_NORMAL, 0, THREAD_PRIORITY_ABOVE_NORMAL},
      {ThreadPriority::TIME_CRITICAL, kSmall, THREAD_PRIORITY_TIME_CRITICAL},
  };
  for (const auto& test : kCases) {
    SCOPED_TRACE(static_cast<int>(test.priority));
    ProbeDelegate probe;
    win::ScopedHandle handle;
    ASSERT_TRUE(PlatformThread::CreateWithPriority(test.stack_size, &probe,
                                                   &handle, test.priority));
    PlatformThread::Join(std::move(handle));
    EXPECT_EQ(test.expected, probe.priority_);
    if (test.stack_size) {
      EXPECT_EQ(kSmall, probe.stack_reservation_);
    } else {
      EXPECT_GT(probe.stack_reservation_, kSmall);
    }
  }

  // A reservation the address space cannot hold fails cleanly.
  ProbeDelegate huge;
  win::ScopedHandle huge_handle;
  EXPECT_FALSE(PlatformThread::CreateWithPriority(
      size_t{1} << 46, &huge, &huge_handle, ThreadPriority::NORMAL));

  // Nobody joins a non-joinable thread: its delegate says when it is done.
  ProbeDelegate detached;
  ASSERT_TRUE(PlatformThread::CreateNonJoinableWithPriority(
      0, &detached, ThreadPriority::NORMAL));
  EXPECT_TRUE(detached.done_.TimedWait(TimeDelta::FromSeconds(10)));
}

// A fraction of a millisecond is slept too.
TEST(PlatformThreadTest, SleepNeverReturnsEarly) {
  TimeTicks start = TimeTicks::Now();
  PlatformThread::Sleep(TimeDelta::FromMicroseconds(1500));
  EXPECT_GE((TimeTicks::Now() - start).InMicroseconds(), 1500);
}

// Sees the naming exception before the swallowing handler, which the code
// under test installs last.
std::vector<ULONG_PTR>* g_seen_arguments = nullptr;

LONG CALLBACK RecordThreadNameException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  if (record->ExceptionCode == 0x406D1388 && g_seen_arguments) {
    g_seen_arguments->assign(record->ExceptionInformation,
                             record->ExceptionInformation +
                                 record->NumberParameters);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// Leaves non-zero bytes where the next call's locals will be.
__attribute__((noinline)) void DirtyTheStack() {
  volatile unsigned char junk[4096];
  for (size_t i = 0; i < sizeof(junk); ++i) junk[i] = 0xA5;
}

TEST(PlatformThreadTest, NamingExceptionCarriesAZeroedRecordAndIsSwallowed) {
  std::vector<ULONG_PTR> arguments;
  g_seen_arguments = &arguments;
  PVOID recorder = ::AddVectoredExceptionHandler(1, &RecordThreadNameException);
  ASSERT_TRUE(recorder);
  const char kName[] = "named for a debugger";
  DirtyTheStack();
  internal::RaiseThreadNameException(kName, 4242);
  ::RemoveVectoredExceptionHandler(recorder);
  g_seen_arguments = nullptr;

  // Reaching this line means the exception was swallowed. The type's
  // padding is zero, then come the name, the thread id and flags 0.
  EXPECT_EQ((std::vector<ULONG_PTR>{0x1000, reinterpret_cast<ULONG_PTR>(kName),
                                    4242, 0, 0, 0}),
            arguments);
}

}  // namespace
}  // namespace base
