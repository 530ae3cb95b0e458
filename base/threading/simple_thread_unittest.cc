#include "base/threading/simple_thread.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "base/threading/thread_id_name_manager.h"

namespace base {
namespace {

// Records its name as the thread sees it when Run starts, and as debuggers
// see it where the system keeps thread descriptions (older ones lack it).
class NameRecorder : public SimpleThread {
 public:
  NameRecorder(const std::string& prefix, const Options& options)
      : SimpleThread(prefix, options),
        release_(WaitableEvent::ResetPolicy::MANUAL,
                 WaitableEvent::InitialState::NOT_SIGNALED) {}

  void Run() override {
    name_in_run_ = PlatformThread::GetName();
    typedef HRESULT(WINAPI * GetThreadDescriptionFunction)(HANDLE, PWSTR*);
    auto get_description = reinterpret_cast<GetThreadDescriptionFunction>(
        reinterpret_cast<void*>(::GetProcAddress(
            ::GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    PWSTR description = nullptr;
    if (get_description) {
      EXPECT_TRUE(
          SUCCEEDED(get_description(::GetCurrentThread(), &description)));
      description_in_run_ = description ? description : L"";
      ::LocalFree(description);
    }
    release_.Wait();
  }

  std::string name_in_run_;
  std::optional<std::wstring> description_in_run_;
  WaitableEvent release_;
};

TEST(SimpleThreadTest, NamedBeforeStartReturnsAndUnregisteredAtExit) {
  NameRecorder thread("SimpleThreadTest", SimpleThread::Options());
  ASSERT_TRUE(thread.Start());
  // Start waited for the name, not for Run.
  std::string expected =
      "SimpleThreadTest/" + std::to_string(static_cast<int32_t>(thread.tid()));
  EXPECT_EQ(expected,
            ThreadIdNameManager::GetInstance()->GetName(thread.tid()));
  thread.release_.Signal();
  thread.Join();
  EXPECT_EQ(expected, thread.name_in_run_);
  if (thread.description_in_run_) {
    EXPECT_EQ(std::wstring(expected.begin(), expected.end()),
              *thread.description_in_run_);
  }
  // The ended thread's registration is gone; its id may belong to the next.
  EXPECT_STREQ("", ThreadIdNameManager::GetInstance()->GetName(thread.tid()));
  // The id shows as a signed number.
  EXPECT_EQ("pool/-1", internal::SimpleThreadName("pool", 0xFFFFFFFF));

  // A failed start returns instead of waiting for a name.
  SimpleThread::Options huge_stack;
  huge_stack.stack_size = size_t{1} << 46;  // more than the address space
  NameRecorder failed("SimpleThreadTest failed", huge_stack);
  EXPECT_FALSE(failed.Start());
}

}  // namespace
}  // namespace base
