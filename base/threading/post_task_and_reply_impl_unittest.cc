#include "base/threading/post_task_and_reply_impl.h"

#include <atomic>
#include <future>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/task_runner.h"
#include "base/threading/thread.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

class TestThread : public Thread {
 public:
  TestThread() : Thread("PostTaskAndReplyTest") { CHECK(Start()); }

  // Runs |task| on the thread and waits for it.
  void RunAndWait(Closure task) {
    WaitableEvent done(WaitableEvent::ResetPolicy::MANUAL,
                       WaitableEvent::InitialState::NOT_SIGNALED);
    CHECK(task_runner()->PostTask(
        FROM_HERE, Bind(
                       [](const Closure& task, WaitableEvent* done) {
                         task.Run();
                         done->Signal();
                       },
                       std::move(task), &done)));
    done.Wait();
  }
};

// Signals |entered| when the thread's loop reaches its destruction
// observers, then holds it there until |release|.
class HoldAtDestruction : public MessageLoop::DestructionObserver {
 public:
  HoldAtDestruction(WaitableEvent* entered, WaitableEvent* release)
      : entered_(entered), release_(release) {}
  void WillDestroyCurrentMessageLoop() override {
    entered_->Signal();
    release_->Wait();
  }

 private:
  WaitableEvent* entered_;
  WaitableEvent* release_;
};

void WaitFor(WaitableEvent* event) {
  event->Wait();
}

// What happened to one task-and-reply pair, and on which threads.
struct PairRecord {
  std::atomic<int> task_runs{0};
  std::atomic<int> reply_runs{0};
  std::atomic<int> task_arg_deaths{0};
  std::atomic<int> reply_arg_deaths{0};
  std::atomic<DWORD> task_thread{0};
  std::atomic<DWORD> reply_thread{0};
  std::atomic<DWORD> task_arg_death_thread{0};
  std::atomic<DWORD> reply_arg_death_thread{0};
  std::atomic<bool> task_arg_gone_at_reply{false};
};

// A bound argument that records its destruction.
class Witness {
 public:
  Witness(PairRecord* record, bool of_task)
      : record_(record), of_task_(of_task) {}
  ~Witness() {
    if (of_task_) {
      record_->task_arg_death_thread = ::GetCurrentThreadId();
      ++record_->task_arg_deaths;
    } else {
      record_->reply_arg_death_thread = ::GetCurrentThreadId();
      ++record_->reply_arg_deaths;
    }
  }
  PairRecord* record() const { return record_; }

 private:
  PairRecord* record_;
  bool of_task_;
};

void RunTask(Witness* witness) {
  witness->record()->task_thread = ::GetCurrentThreadId();
  ++witness->record()->task_runs;
}

void RunReply(Witness* witness) {
  PairRecord* record = witness->record();
  record->reply_thread = ::GetCurrentThreadId();
  record->task_arg_gone_at_reply = record->task_arg_deaths == 1;
  ++record->reply_runs;
}

Closure MakeTask(PairRecord* record) {
  return Bind(&RunTask, Owned(new Witness(record, true)));
}

Closure MakeReply(PairRecord* record) {
  return Bind(&RunReply, Owned(new Witness(record, false)));
}

bool PostPair(TaskRunner* destination, PairRecord* record) {
  return destination->PostTaskAndReply(FROM_HERE, MakeTask(record),
                                       MakeReply(record));
}

// Counts finished replies and wakes the test after the last one.
struct Completion {
  std::atomic<int> remaining;
  std::promise<void> done;
};

void RunReplyAndCount(Completion* completion, Witness* witness) {
  RunReply(witness);
  if (--completion->remaining == 0) completion->done.set_value();
}

TEST(PostTaskAndReplyTest, EveryPairRunsOnceAndReleasesItsArgumentsAtHome) {
  constexpr int kOrigins = 8;
  constexpr int kPairsPerOrigin = 250;
  std::vector<PairRecord> records(kOrigins * kPairsPerOrigin);
  Completion completion;
  completion.remaining = kOrigins * kPairsPerOrigin;

  TestThread destination;
  std::vector<std::unique_ptr<TestThread>> origins;
  for (int i = 0; i < kOrigins; ++i)
    origins.push_back(std::make_unique<TestThread>());
  for (int i = 0; i < kOrigins; ++i) {
    PairRecord* first = &records[i * kPairsPerOrigin];
    origins[i]->task_runner()->PostTask(
        FROM_HERE,
        Bind(
            [](TaskRunner* destination, PairRecord* first, Completion* done) {
              for (PairRecord* record = first;
                   record != first + kPairsPerOrigin; ++record) {
                ASSERT_TRUE(destination->PostTaskAndReply(
                    FROM_HERE, MakeTask(record),
                    Bind(&RunReplyAndCount, done,
                         Owned(new Witness(record, false)))));
              }
            },
            destination.task_runner().get(), first, &completion));
  }
  ASSERT_EQ(std::future_status::ready,
            completion.done.get_future().wait_for(std::chrono::seconds(120)));
  // Stopped first: the last reply's arguments go after it ran.
  const DWORD destination_id = destination.GetThreadId();
  std::vector<DWORD> origin_ids;
  for (auto& origin : origins) origin_ids.push_back(origin->GetThreadId());
  destination.Stop();
  for (auto& origin : origins) origin->Stop();

  for (size_t i = 0; i < records.size(); ++i) {
    const PairRecord& record = records[i];
    const DWORD origin = origin_ids[i / kPairsPerOrigin];
    SCOPED_TRACE(i);
    ASSERT_EQ(1, record.task_runs);
    ASSERT_EQ(1, record.reply_runs);
    ASSERT_EQ(1, record.task_arg_deaths);
    ASSERT_EQ(1, record.reply_arg_deaths);
    ASSERT_EQ(destination_id, record.task_thread);
    ASSERT_EQ(origin, record.reply_thread);
    ASSERT_EQ(origin, record.task_arg_death_thread);
    ASSERT_EQ(origin, record.reply_arg_death_thread);
    ASSERT_TRUE(record.task_arg_gone_at_reply);
  }
}

TEST(PostTaskAndReplyTest, RefusedHalvesReleaseTaskAndReplyOnce) {
  TestThread origin;
  TestThread dying_origin;
  TestThread destination;
  const DWORD dying_origin_id = dying_origin.GetThreadId();
  const DWORD destination_id = destination.GetThreadId();
  // Kept: Stop forgets the runner.
  scoped_refptr<SingleThreadTaskRunner> destination_runner =
      destination.task_runner();
  auto post_from = [](TestThread* thread, TaskRunner* destination,
                      PairRecord* record, bool expected) {
    thread->RunAndWait(Bind(
        [](TaskRunner* destination, PairRecord* record, bool expected) {
          EXPECT_EQ(expected, PostPair(destination, record));
        },
        destination, record, expected));
  };

  // The calling thread has no runner for the reply.
  PairRecord no_origin;
  EXPECT_FALSE(PostPair(destination_runner.get(), &no_origin));

  // The reply's thread is gone when the task is done: both are released on
  // the destination instead of leaking.
  PairRecord origin_gone;
  WaitableEvent release(WaitableEvent::ResetPolicy::MANUAL,
                        WaitableEvent::InitialState::NOT_SIGNALED);
  destination_runner->PostTask(FROM_HERE, Bind(&WaitFor, &release));
  post_from(&origin, destination_runner.get(), &origin_gone, true);
  origin.Stop();

  // The reply arrives while the reply's loop is being destroyed, after its
  // last clean-up pass: the loop still releases both, on its own thread.
  PairRecord origin_dying;
  WaitableEvent dying(WaitableEvent::ResetPolicy::MANUAL,
                      WaitableEvent::InitialState::NOT_SIGNALED);
  WaitableEvent reply_posted(WaitableEvent::ResetPolicy::MANUAL,
                             WaitableEvent::InitialState::NOT_SIGNALED);
  HoldAtDestruction hold(&dying, &reply_posted);
  dying_origin.RunAndWait(Bind(
      [](HoldAtDestruction* hold) {
        MessageLoop::current()->AddDestructionObserver(hold);
      },
      Unretained(&hold)));
  destination_runner->PostTask(FROM_HERE, Bind(&WaitFor, &dying));
  post_from(&dying_origin, destination_runner.get(), &origin_dying,
            true);
  destination_runner->PostTask(
      FROM_HERE, Bind(&WaitableEvent::Signal, Unretained(&reply_posted)));
  release.Signal();
  dying_origin.Stop();

  // The destination refuses the task.
  TestThread late_origin;
  destination.Stop();
  PairRecord destination_gone;
  post_from(&late_origin, destination_runner.get(), &destination_gone,
            false);

  const struct {
    const PairRecord& record;
    int task_runs;
    DWORD release_thread;
  } kCases[] = {
      {no_origin, 0, ::GetCurrentThreadId()},
      {origin_gone, 1, destination_id},
      {origin_dying, 1, dying_origin_id},
      {destination_gone, 0, late_origin.GetThreadId()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(&c - kCases);
    EXPECT_EQ(c.task_runs, c.record.task_runs);
    EXPECT_EQ(0, c.record.reply_runs);
    EXPECT_EQ(1, c.record.task_arg_deaths);
    EXPECT_EQ(1, c.record.reply_arg_deaths);
    EXPECT_EQ(c.release_thread, c.record.task_arg_death_thread);
    EXPECT_EQ(c.release_thread, c.record.reply_arg_death_thread);
  }
}

}  // namespace
}  // namespace base
