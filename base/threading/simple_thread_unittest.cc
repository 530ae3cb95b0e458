#include "base/threading/simple_thread.h"

#include <string>

#include <gtest/gtest.h>

#include "base/threading/thread_id_name_manager.h"

namespace base {
namespace {

// Records its name as the thread sees it when Run starts, and whether the
// owner's Start had already returned.
class NameRecorder : public SimpleThread {
 public:
  NameRecorder(const std::string& prefix, const Options& options)
      : SimpleThread(prefix, options),
        release_(WaitableEvent::ResetPolicy::MANUAL,
                 WaitableEvent::InitialState::NOT_SIGNALED) {}

  void Run() override {
    name_in_run_ = PlatformThread::GetName();
    release_.Wait();
  }

  std::string name_in_run_;
  WaitableEvent release_;
};

TEST(SimpleThreadTest, NamedBeforeStartReturnsAndJoinable) {
  NameRecorder thread("SimpleThreadTest", SimpleThread::Options());
  ASSERT_TRUE(thread.Start());
  // Start waited for the name, not for Run.
  std::string expected =
      "SimpleThreadTest/" + std::to_string(static_cast<int32_t>(thread.tid()));
  EXPECT_EQ(expected,
            ThreadIdNameManager::GetInstance()->GetName(thread.tid()));
  thread.release_.Signal();
  thread.Join();
  EXPECT_TRUE(thread.HasBeenJoined());
  EXPECT_EQ(expected, thread.name_in_run_);
  // The id shows as a signed number.
  EXPECT_EQ("pool/-1", internal::SimpleThreadName("pool", 0xFFFFFFFF));
}

TEST(SimpleThreadTest, FailedStartReturnsInsteadOfWaiting) {
  SimpleThread::Options options;
  options.stack_size = size_t{1} << 46;  // more than the address space
  for (bool joinable : {true, false}) {
    options.joinable = joinable;
    NameRecorder thread("SimpleThreadTest failed", options);
    EXPECT_FALSE(thread.Start());
    EXPECT_FALSE(thread.HasBeenStarted());
  }
}

}  // namespace
}  // namespace base
