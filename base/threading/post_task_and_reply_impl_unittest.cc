#include "base/threading/post_task_and_reply_impl.h"

#include <atomic>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/task_runner.h"
#include "base/threading/thread.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

using test::ManualEvent;

class TestThread : public Thread {
 public:
  TestThread() : Thread("PostTaskAndReplyTest") { CHECK(Start()); }
};

// What happened to one task-and-reply pair, and on which threads.
struct PairRecord {
  std::atomic<int> task_runs{0};
  std::atomic<int> reply_runs{0};
  std::atomic<DWORD> task_thread{0};
  std::atomic<DWORD> reply_thread{0};
  std::atomic<bool> task_arg_gone_at_reply{false};
  test::DeathRecord task_arg;
  test::DeathRecord reply_arg;
};

bool PostPair(TaskRunner* destination, PairRecord* record) {
  Closure task = test::WitnessedTask(&record->task_arg, [record] {
    record->task_thread = ::GetCurrentThreadId();
    ++record->task_runs;
  });
  Closure reply = test::WitnessedTask(&record->reply_arg, [record] {
    record->reply_thread = ::GetCurrentThreadId();
    record->task_arg_gone_at_reply = record->task_arg.count == 1;
    ++record->reply_runs;
  });
  return destination->PostTaskAndReply(FROM_HERE, std::move(task),
                                       std::move(reply));
}

TEST(PostTaskAndReplyTest, EveryPairRunsOnceAndReleasesItsArgumentsAtHome) {
  constexpr int kOrigins = 8;
  constexpr int kPairsPerOrigin = 250;
  std::vector<PairRecord> records(kOrigins * kPairsPerOrigin);

  TestThread destination;
  std::vector<std::unique_ptr<TestThread>> origins;
  for (int i = 0; i < kOrigins; ++i) {
    origins.push_back(std::make_unique<TestThread>());
    PairRecord* first = &records[i * kPairsPerOrigin];
    origins[i]->task_runner()->PostTask(
        FROM_HERE, test::Fn([&, first] {
          for (PairRecord* record = first; record != first + kPairsPerOrigin;
               ++record) {
            ASSERT_TRUE(PostPair(destination.task_runner().get(), record));
          }
        }));
  }
  // Once every pair is posted, stopping the destination runs every task,
  // and stopping the origins then runs every reply.
  for (auto& origin : origins)
    test::RunAndWait(origin->task_runner().get(), test::Fn([] {}));
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
    ASSERT_EQ(1, record.reply_arg.count);
    ASSERT_EQ(destination_id, record.task_thread);
    ASSERT_EQ(origin, record.reply_thread);
    ASSERT_EQ(origin, record.task_arg.thread);
    ASSERT_EQ(origin, record.reply_arg.thread);
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
  auto post_from = [&](TestThread* thread, PairRecord* record, bool expected) {
    test::RunAndWait(thread->task_runner().get(), test::Fn([&] {
                       EXPECT_EQ(expected,
                                 PostPair(destination_runner.get(), record));
                     }));
  };

  // The calling thread has no runner for the reply.
  PairRecord no_origin;
  EXPECT_FALSE(PostPair(destination_runner.get(), &no_origin));

  // The reply's thread is gone when the task is done: both are released on
  // the destination instead of leaking.
  PairRecord origin_gone;
  ManualEvent release;
  destination_runner->PostTask(
      FROM_HERE, Bind(&WaitableEvent::Wait, Unretained(&release)));
  post_from(&origin, &origin_gone, true);
  origin.Stop();

  // The reply arrives while the reply's loop is being destroyed, after its
  // last clean-up pass: the loop still releases both, on its own thread.
  PairRecord origin_dying;
  ManualEvent dying;
  ManualEvent reply_posted;
  test::DestructionCallback hold([&] {
    dying.Signal();
    reply_posted.Wait();
  });
  test::RunAndWait(dying_origin.task_runner().get(), test::Fn([&] {
                     MessageLoop::current()->AddDestructionObserver(&hold);
                   }));
  destination_runner->PostTask(FROM_HERE,
                               Bind(&WaitableEvent::Wait, Unretained(&dying)));
  post_from(&dying_origin, &origin_dying, true);
  destination_runner->PostTask(
      FROM_HERE, Bind(&WaitableEvent::Signal, Unretained(&reply_posted)));
  release.Signal();
  dying_origin.Stop();

  // The destination refuses the task.
  TestThread late_origin;
  destination.Stop();
  PairRecord destination_gone;
  post_from(&late_origin, &destination_gone, false);

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
    EXPECT_EQ(1, c.record.task_arg.count);
    EXPECT_EQ(1, c.record.reply_arg.count);
    EXPECT_EQ(c.release_thread, c.record.task_arg.thread);
    EXPECT_EQ(c.release_thread, c.record.reply_arg.thread);
  }
}

}  // namespace
}  // namespace base
