#include "base/threading/post_task_and_reply_impl.h"

#include <atomic>
#include <future>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/task_runner.h"
#include "base/win/windows_types.h"
#include "testing/queue_thread.h"

namespace base {
namespace {

using testing_support::QueueThread;

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

  QueueThread destination;
  std::vector<std::unique_ptr<QueueThread>> origins;
  for (int i = 0; i < kOrigins; ++i)
    origins.push_back(std::make_unique<QueueThread>());
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
  destination.Stop();
  for (auto& origin : origins) origin->Stop();

  for (size_t i = 0; i < records.size(); ++i) {
    const PairRecord& record = records[i];
    const DWORD origin = origins[i / kPairsPerOrigin]->thread_id();
    SCOPED_TRACE(i);
    ASSERT_EQ(1, record.task_runs);
    ASSERT_EQ(1, record.reply_runs);
    ASSERT_EQ(1, record.task_arg_deaths);
    ASSERT_EQ(1, record.reply_arg_deaths);
    ASSERT_EQ(destination.thread_id(), record.task_thread);
    ASSERT_EQ(origin, record.reply_thread);
    ASSERT_EQ(origin, record.task_arg_death_thread);
    ASSERT_EQ(origin, record.reply_arg_death_thread);
    ASSERT_TRUE(record.task_arg_gone_at_reply);
  }
}

TEST(PostTaskAndReplyTest, RefusedHalvesReleaseTaskAndReplyOnce) {
  QueueThread origin;
  QueueThread destination;

  // The calling thread has no runner for the reply.
  PairRecord no_origin;
  EXPECT_FALSE(PostPair(destination.task_runner().get(), &no_origin));

  // The reply's thread is gone when the task is done: both are released on
  // the destination instead of leaking.
  PairRecord origin_gone;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  destination.task_runner()->PostTask(
      FROM_HERE, Bind([](const std::shared_future<void>& gate) { gate.wait(); },
                      released));
  ASSERT_TRUE(origin.RunAndWait(Bind(
      [](TaskRunner* destination, PairRecord* record) {
        EXPECT_TRUE(PostPair(destination, record));
      },
      destination.task_runner().get(), &origin_gone)));
  origin.Stop();
  release.set_value();

  // The destination refuses the task.
  QueueThread late_origin;
  destination.Stop();
  PairRecord destination_gone;
  ASSERT_TRUE(late_origin.RunAndWait(Bind(
      [](TaskRunner* destination, PairRecord* record) {
        EXPECT_FALSE(PostPair(destination, record));
      },
      destination.task_runner().get(), &destination_gone)));

  const struct {
    const PairRecord& record;
    int task_runs;
    DWORD release_thread;
  } kCases[] = {
      {no_origin, 0, ::GetCurrentThreadId()},
      {origin_gone, 1, destination.thread_id()},
      {destination_gone, 0, late_origin.thread_id()},
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
