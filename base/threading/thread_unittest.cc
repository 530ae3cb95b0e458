#include "base/threading/thread.h"

#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/location.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/message_loop/message_pump_default.h"

namespace base {
namespace {

// Tasks on the thread and the test both add to it.
using EventLog = test::LockedList<std::string>;

void AddEntry(EventLog* log, const std::string& entry) { log->Add(entry); }

void Block(WaitableEvent* release) { release->Wait(); }

class LoggingThread : public Thread {
 public:
  LoggingThread(const std::string& name, EventLog* log)
      : Thread(name), log_(log) {}
  ~LoggingThread() override { Stop(); }

 protected:
  void Init() override { log_->Add("Init"); }
  void CleanUp() override { log_->Add("CleanUp"); }

 private:
  EventLog* log_;
};

// A failed start leaves nothing behind, so the thread starts later as
// usual. Stop runs what was queued before the loop went idle and deletes the
// delayed tasks on the thread.
TEST(ThreadTest, StopRunsQueuedTasksThenDeletesDelayedOnes) {
  EventLog log;
  LoggingThread thread("ThreadTest stop", &log);
  Thread::Options huge_stack;
  huge_stack.stack_size = size_t{1} << 46;  // more than the address space
  EXPECT_FALSE(thread.StartWithOptions(huge_stack));
  EXPECT_FALSE(thread.task_runner());
  EXPECT_FALSE(thread.WaitUntilThreadStarted());
  thread.Stop();
  ASSERT_TRUE(thread.Start());
  scoped_refptr<SingleThreadTaskRunner> runner = thread.task_runner();
  ASSERT_TRUE(runner);

  // Hold the loop in its first task so everything after it is queued when
  // the stop request arrives.
  test::ManualEvent release;
  ASSERT_TRUE(runner->PostTask(FROM_HERE, Bind(&Block, &release)));
  for (const char* entry : {"task 1", "task 2", "task 3"})
    runner->PostTask(FROM_HERE, Bind(&AddEntry, &log, std::string(entry)));
  test::DeathRecord delayed;
  runner->PostDelayedTask(
      FROM_HERE, test::WitnessedTask(&delayed, [&] { log.Add("delayed ran"); }),
      TimeDelta::FromHours(1));
  const DWORD thread_id = thread.GetThreadId();
  thread.StopSoon();
  // Posted after the stop request and before the loop is idle: still runs.
  runner->PostTask(FROM_HERE, Bind(&AddEntry, &log, std::string("task 4")));
  release.Signal();
  thread.Stop();
  EXPECT_FALSE(thread.IsRunning());
  EXPECT_EQ(1, delayed.count);
  EXPECT_EQ(thread_id, delayed.thread);

  // Stopped threads start again; Stop twice does nothing more.
  ASSERT_TRUE(thread.Start());
  thread.task_runner()->PostTask(FROM_HERE,
                                 Bind(&AddEntry, &log, std::string("again")));
  thread.Stop();
  thread.Stop();
  EXPECT_EQ(
      (std::vector<std::string>{"Init", "task 1", "task 2", "task 3", "task 4",
                                "CleanUp", "Init", "again", "CleanUp"}),
      log.Take());
}

void RecordLoop(EventLog* log) {
  MessageLoop* loop = MessageLoop::current();
  log->Add(std::string(PlatformThread::GetName()) + " type " +
           std::to_string(loop ? loop->type() : -1));
  // S_FALSE: already in this apartment; RPC_E_CHANGED_MODE: in the other.
  HRESULT result = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(result)) ::CoUninitialize();
  log->Add(result == S_FALSE              ? "MTA"
           : result == RPC_E_CHANGED_MODE ? "STA"
                                          : "no COM");
}

std::unique_ptr<MessagePump> MakeDefaultPump() {
  return std::make_unique<MessagePumpDefault>();
}

TEST(ThreadTest, LoopTypeAndApartmentFollowTheOptions) {
  const struct {
    Thread::ComStatus com;
    bool start_alone;  // Start() rather than StartWithOptions()
    MessageLoop::Type requested;
    bool factory;
    const char* expected_loop;
    const char* expected_com;
  } kCases[] = {
      {Thread::COM_NONE, false, MessageLoop::TYPE_IO, true, "type 2", "no COM"},
      // Start() alone chooses the UI loop for a single-threaded apartment
      // only.
      {Thread::COM_STA, true, MessageLoop::TYPE_DEFAULT, false, "type 1",
       "STA"},
      {Thread::COM_MTA, true, MessageLoop::TYPE_DEFAULT, false, "type 0",
       "MTA"},
      {Thread::COM_MTA, false, MessageLoop::TYPE_IO, false, "type 3", "MTA"},
  };
  for (const auto& test : kCases) {
    EventLog log;
    Thread thread("ThreadTest options");
    thread.set_com_status(test.com);
    if (test.start_alone) {
      ASSERT_TRUE(thread.Start());
    } else {
      Thread::Options options;
      options.message_loop_type = test.requested;
      if (test.factory) options.message_pump_factory = Bind(&MakeDefaultPump);
      ASSERT_TRUE(thread.StartWithOptions(options));
    }
    // Posted before the thread may have bound its loop.
    thread.task_runner()->PostTask(FROM_HERE, Bind(&RecordLoop, &log));
    ASSERT_TRUE(thread.WaitUntilThreadStarted());
    EXPECT_TRUE(thread.IsRunning());
    thread.Stop();
    EXPECT_EQ((std::vector<std::string>{std::string("ThreadTest options ") +
                                            test.expected_loop,
                                        test.expected_com}),
              log.Take())
        << test.expected_loop << " " << test.com;
  }
}

// Ends its loop before anyone asks: the loop is freed while the owner still
// holds the Thread.
class ShortLivedThread : public Thread {
 public:
  ShortLivedThread() : Thread("ThreadTest short-lived") {}
  ~ShortLivedThread() override { Stop(); }

 protected:
  void Run(RunLoop*) override {}
};

TEST(ThreadTest, StopSoonAfterTheLoopEndedIsHarmless) {
  ShortLivedThread thread;
  ASSERT_TRUE(thread.Start());
  // Posts succeed until the thread has destroyed its loop.
  TimeTicks deadline = TimeTicks::Now() + TimeDelta::FromSeconds(10);
  while (thread.task_runner()->PostTask(FROM_HERE, Bind([] {}))) {
    ASSERT_LT(TimeTicks::Now(), deadline);
    PlatformThread::Sleep(TimeDelta::FromMilliseconds(1));
  }
  thread.StopSoon();
  thread.Stop();
}

}  // namespace
}  // namespace base
