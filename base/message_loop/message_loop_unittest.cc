#include "base/message_loop/message_loop.h"

#include <limits.h>

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/message_loop/message_loop_test_helpers.h"
#include "base/run_loop.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time_win_internal.h"
#include <gtest/gtest.h>

namespace base {
namespace {

using test::Fn;
using test::RunUntilIdle;

class RecordingTaskObserver : public MessageLoop::TaskObserver {
 public:
  // Immediate tasks by number; delayed ones by number, whether they raise
  // the timer resolution, and whether they came after an earlier run time.
  void WillProcessTask(const PendingTask& task) override {
    if (task.delayed_run_time.is_null()) {
      immediate.push_back(task.sequence_num);
      EXPECT_FALSE(task.is_high_res);
      return;
    }
    EXPECT_TRUE(
        delayed_high_res.emplace(task.sequence_num, task.is_high_res).second);
    EXPECT_GE(task.delayed_run_time, last_run_time);
    last_run_time = task.delayed_run_time;
  }
  void DidProcessTask(const PendingTask&) override {}
  std::vector<int> immediate;
  std::map<int, bool> delayed_high_res;
  TimeTicks last_run_time;
};

class MessageLoopTest : public testing::TestWithParam<MessageLoop::Type> {};

std::string PumpName(const testing::TestParamInfo<MessageLoop::Type>& info) {
  if (info.param == MessageLoop::TYPE_DEFAULT) return "Default";
  return info.param == MessageLoop::TYPE_UI ? "UI" : "IO";
}

TEST_P(MessageLoopTest, DelayedTasksRunByTimeWithHighResolutionBelow32Ms) {
  MessageLoop loop(GetParam());
  RecordingTaskObserver observer;
  loop.AddTaskObserver(&observer);
  // The numbers wrap past the largest 32-bit value during the test.
  loop.SetNextSequenceNumberForTesting(INT_MAX - 1);
  RunLoop run_loop;
  const scoped_refptr<SingleThreadTaskRunner>& runner = loop.task_runner();
  auto post = [&](int delay_ms) {
    runner->PostDelayedTask(FROM_HERE, Fn([] {}),
                            TimeDelta::FromMilliseconds(delay_ms));
  };
  post(32);  // INT_MAX - 1
  post(31);  // INT_MAX
  post(10);  // INT_MIN
  post(0);   // INT_MIN + 1
  post(-5);  // INT_MIN + 2
  runner->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                          TimeDelta::FromMilliseconds(60));
  TimeTicks start = TimeTicks::Now();
  run_loop.Run();
  EXPECT_GE((TimeTicks::Now() - start).InMilliseconds(), 59);
  loop.RemoveTaskObserver(&observer);

  // Immediate tasks run in posting order. Delayed ones run by run time;
  // posts 1 ms apart can trade places when posting is slow, so their order
  // is checked against the run times the loop gave them.
  EXPECT_EQ((std::vector<int>{INT_MIN + 1, INT_MIN + 2}), observer.immediate);
  EXPECT_EQ((std::map<int, bool>{{INT_MAX - 1, false},
                                 {INT_MAX, true},
                                 {INT_MIN, true},
                                 {INT_MIN + 3, false}}),
            observer.delayed_high_res);
}

// What the observers saw of each task, in the order the tasks ran.
class BacktraceObserver : public MessageLoop::TaskObserver {
 public:
  void WillProcessTask(const PendingTask& task) override {
    posted_from.push_back(task.posted_from.program_counter());
    backtraces.push_back(task.task_backtrace);
    events.push_back("will");
  }
  void DidProcessTask(const PendingTask& task) override {
    events.push_back(task.task.is_null() ? "did, released" : "did, held");
  }
  std::vector<const void*> posted_from;
  std::vector<std::array<const void*, 4>> backtraces;
  std::vector<std::string> events;
};

// A task posted while another runs waits behind the tasks already queued,
// and its backtrace names its poster, then the poster's first three
// entries. The observers hear of each task before it runs and, once its
// closure is released, after. The loop runs again after a run ended.
TEST_P(MessageLoopTest, TasksRunInPostingOrderAndCarryTheirPostersBacktrace) {
  MessageLoop loop(GetParam());
  const scoped_refptr<SingleThreadTaskRunner>& runner = loop.task_runner();
  RunUntilIdle();
  BacktraceObserver observer;
  loop.AddTaskObserver(&observer);
  // Tasks 0 to 2 are posted here, outside any task; task 0 posts 3, which
  // posts 4, and so on up to 7.
  constexpr int kTasks = 8;
  std::vector<int> order;
  std::function<void(int)> run = [&](int number) {
    order.push_back(number);
    if (number == 0 || (number >= 3 && number < kTasks - 1)) {
      int next = number == 0 ? 3 : number + 1;
      runner->PostTask(FROM_HERE, Fn([&run, next] { run(next); }));
    }
  };
  for (int number : {0, 1, 2})
    runner->PostTask(FROM_HERE, Fn([&run, number] { run(number); }));
  RunUntilIdle();
  loop.RemoveTaskObserver(&observer);

  ASSERT_EQ((std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}), order);
  const int kPoster[kTasks] = {-1, -1, -1, 0, 3, 4, 5, 6};
  for (int i = 0; i < kTasks; ++i) {
    std::array<const void*, 4> expected = {};
    if (int poster = kPoster[i]; poster >= 0) {
      const std::array<const void*, 4>& up = observer.backtraces[poster];
      expected = {observer.posted_from[poster], up[0], up[1], up[2]};
    }
    EXPECT_EQ(expected, observer.backtraces[i]) << "task " << i;
  }
  // Task 7 is five posts deep: every entry names a poster.
  for (const void* entry : observer.backtraces[7]) EXPECT_NE(nullptr, entry);
  std::vector<std::string> expected_events;
  for (int i = 0; i < kTasks; ++i) {
    expected_events.push_back("will");
    expected_events.push_back("did, released");
  }
  EXPECT_EQ(expected_events, observer.events);
}

// Tasks delayed by less than 32 ms raise the timer resolution while they
// wait; the loop lowers it once they ran, or when it dies with one queued.
TEST_P(MessageLoopTest, ShortDelaysRaiseTheTimerResolutionWhileTheyWait) {
  ASSERT_EQ(0u, internal::GetHighResolutionActivationCountForTesting());
  auto loop = std::make_unique<MessageLoop>(GetParam());
  const scoped_refptr<SingleThreadTaskRunner> runner = loop->task_runner();
  for (bool runs : {true, false}) {
    SCOPED_TRACE(runs ? "runs" : "dies queued");
    bool ran = false;
    RunLoop run_loop;
    runner->PostDelayedTask(FROM_HERE, Fn([&] {
                              ran = true;
                              run_loop.Quit();
                            }),
                            TimeDelta::FromMilliseconds(31));
    RunUntilIdle();
    // On a loaded machine the task may have been due at the first look.
    if (!ran) {
      EXPECT_EQ(1u, internal::GetHighResolutionActivationCountForTesting());
    }
    if (runs) {
      if (!ran) run_loop.Run();
      RunUntilIdle();
    } else {
      loop.reset();
    }
    EXPECT_EQ(0u, internal::GetHighResolutionActivationCountForTesting());
  }
}

TEST_P(MessageLoopTest, TasksPostedBeforeBindingRunInTheFirstRun) {
  std::unique_ptr<MessageLoop> loop = MessageLoop::CreateUnbound(
      GetParam(), MessageLoop::MessagePumpFactoryCallback());
  scoped_refptr<SingleThreadTaskRunner> runner = loop->task_runner();
  bool ran = false;
  std::thread([&] {
    EXPECT_TRUE(runner->PostTask(FROM_HERE, Fn([&] { ran = true; })));
  }).join();
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());
  loop->BindToCurrentThread();
  EXPECT_EQ(runner, ThreadTaskRunnerHandle::Get());
  // The typed views of the current loop exist for their own type only.
  EXPECT_EQ(GetParam() == MessageLoop::TYPE_UI,
            MessageLoopForUI::current() != nullptr);
  EXPECT_EQ(GetParam() == MessageLoop::TYPE_IO,
            MessageLoopForIO::current() != nullptr);
  EXPECT_FALSE(ran);
  // Nothing else wakes the pump: the binding must have.
  RunLoop run_loop;
  runner->PostTask(FROM_HERE, run_loop.QuitClosure());
  run_loop.Run();
  EXPECT_TRUE(ran);
}

TEST_P(MessageLoopTest, DestructionDestroysQueuedTasksBeforeTheObservers) {
  test::DeathRecord deaths;
  int deaths_at_notification = -1;
  bool loop_was_current = false;
  test::DestructionCallback observer([&] {
    deaths_at_notification = deaths.count;
    loop_was_current = MessageLoop::current() != nullptr;
  });
  bool ran = false;
  {
    MessageLoop loop(GetParam());
    loop.AddDestructionObserver(&observer);
    scoped_refptr<SingleThreadTaskRunner> runner = loop.task_runner();
    auto task = [&] {
      return test::WitnessedTask(&deaths, [&] { ran = true; });
    };
    // A task whose destruction posts another: the next pass collects it.
    struct Reposter {
      ~Reposter() { runner->PostTask(FROM_HERE, task); }
      scoped_refptr<SingleThreadTaskRunner> runner;
      Closure task;
    };
    runner->PostTask(FROM_HERE, task());
    runner->PostDelayedTask(FROM_HERE, task(), TimeDelta::FromHours(1));
    runner->PostTask(
        FROM_HERE, Bind([](Reposter*) {}, Owned(new Reposter{runner, task()})));
  }
  EXPECT_FALSE(ran);
  // All three died, and none after the observers heard of it.
  EXPECT_EQ(3, deaths_at_notification);
  EXPECT_TRUE(loop_was_current);
}

// Posts race the destruction: a hundred from each poster before it, the rest
// while the destructor is held between its last clean-up pass and the detach
// until every poster has had ten posts accepted there. Whatever was accepted
// dies on the loop's thread, whatever was refused on its poster's.
TEST_P(MessageLoopTest, EveryPostAcceptedDuringDestructionDiesOnTheLoopThread) {
  constexpr int kPosters = 4;
  struct Fate {
    bool accepted = false;
    test::DeathRecord death;
  };
  std::atomic<int> posts[kPosters] = {};
  std::atomic<int> gap_posts[kPosters] = {};
  std::deque<Fate> fates[kPosters];
  DWORD poster_ids[kPosters] = {};
  std::atomic<bool> in_gap{false};
  test::DestructionCallback observer([&] {
    in_gap = true;
    TimeTicks deadline = TimeTicks::Now() + TimeDelta::FromSeconds(30);
    for (int i = 0; i < kPosters; ++i) {
      while (gap_posts[i] < 10 && TimeTicks::Now() < deadline) ::Sleep(1);
      EXPECT_GE(gap_posts[i], 10) << "poster " << i;
    }
  });
  auto loop = std::make_unique<MessageLoop>(GetParam());
  loop->AddDestructionObserver(&observer);
  scoped_refptr<SingleThreadTaskRunner> runner = loop->task_runner();

  std::vector<std::thread> posters;
  for (int i = 0; i < kPosters; ++i) {
    posters.emplace_back([&, i] {
      poster_ids[i] = ::GetCurrentThreadId();
      for (int n = 0;; ++n) {
        if (n == 100) {
          while (!in_gap) ::Sleep(1);
        }
        bool was_in_gap = in_gap;
        Fate& fate = fates[i].emplace_back();
        // Immediate, delayed and non-nestable posts in turn.
        Closure task = test::WitnessedTask(&fate.death);
        TimeDelta delay = n % 3 == 1 ? TimeDelta::FromHours(1) : TimeDelta();
        fate.accepted =
            n % 3 == 2
                ? runner->PostNonNestableDelayedTask(FROM_HERE, std::move(task),
                                                     delay)
                : runner->PostDelayedTask(FROM_HERE, std::move(task), delay);
        if (!fate.accepted) return;
        ++posts[i];
        if (was_in_gap) ++gap_posts[i];
      }
    });
  }
  for (int i = 0; i < kPosters; ++i) {
    while (posts[i] < 100) ::Sleep(1);
  }
  loop.reset();
  for (std::thread& poster : posters) poster.join();

  // Checked while the runner is still referenced: whatever the loop did not
  // release is still alive now.
  int wrong = 0;
  int accepted = 0;
  for (int i = 0; i < kPosters; ++i) {
    for (const Fate& fate : fates[i]) {
      accepted += fate.accepted;
      DWORD expected = fate.accepted ? ::GetCurrentThreadId() : poster_ids[i];
      wrong += fate.death.thread != expected;
    }
  }
  EXPECT_EQ(0, wrong) << "of " << accepted << " accepted posts";
}

INSTANTIATE_TEST_SUITE_P(AllPumps, MessageLoopTest,
                         testing::Values(MessageLoop::TYPE_DEFAULT,
                                         MessageLoop::TYPE_UI,
                                         MessageLoop::TYPE_IO),
                         &PumpName);

// Pumps that serve something besides tasks (window messages, completions),
// from which a nested run loop is started outside any task.
class NestedMessageLoopTest : public MessageLoopTest {};

class CountingNestingObserver : public MessageLoop::NestingObserver {
 public:
  void OnBeginNestedMessageLoop() override { ++count; }
  int count = 0;
};

// Tells |order| when it is deleted.
struct DeletionRecorder {
  ~DeletionRecorder() { order->push_back("deleted soon"); }
  std::vector<std::string>* order;
};

// Started outside any task, a nested run runs tasks but defers the
// non-nestable ones, deletions among them; started inside a task, it runs
// none until it ends.
TEST_P(NestedMessageLoopTest, NestedRunsRunNestableTasksOutsideTasksOnly) {
  MessageLoop loop(GetParam());
  std::unique_ptr<test::OutsideTaskPoster> poster =
      test::MakeOutsideTaskPoster(GetParam());
  CountingNestingObserver nesting;
  loop.AddNestingObserver(&nesting);
  const scoped_refptr<SingleThreadTaskRunner>& runner = loop.task_runner();
  std::vector<std::string> order;

  poster->Post([&] {
    RunLoop nested;
    runner->PostNonNestableDelayedTask(
        FROM_HERE, Fn([&] { order.push_back("non-nestable"); }), TimeDelta());
    runner->DeleteSoon(FROM_HERE, new DeletionRecorder{&order});
    runner->PostTask(FROM_HERE, Fn([&] { order.push_back("nestable"); }));
    nested.QuitWhenIdle();
    nested.Run();
    order.push_back("nested run ended");
  });
  RunLoop outer;
  runner->PostDelayedTask(FROM_HERE, Fn([&] {
                            order.push_back("outer quit");
                            outer.Quit();
                          }),
                          TimeDelta::FromMilliseconds(100));
  outer.Run();
  EXPECT_EQ(
      (std::vector<std::string>{"nestable", "nested run ended", "non-nestable",
                                "deleted soon", "outer quit"}),
      order);
  EXPECT_EQ(1, nesting.count);

  order.clear();
  runner->PostTask(
      FROM_HERE, Fn([&] {
        RunLoop nested;
        runner->PostTask(FROM_HERE, Fn([&] { order.push_back("task"); }));
        runner->PostDelayedTask(FROM_HERE,
                                Fn([&] { order.push_back("delayed"); }),
                                TimeDelta::FromMilliseconds(1));
        poster->Post([&] {
          // The completion or message arrives; the tasks must wait.
          ::Sleep(20);
          poster->Post([&] {
            order.push_back("outside");
            nested.Quit();
          });
        });
        nested.Run();
        order.push_back("task that nested ended");
      }));
  RunUntilIdle();
  ::Sleep(5);
  RunUntilIdle();
  EXPECT_EQ((std::vector<std::string>{"outside", "task that nested ended",
                                      "task", "delayed"}),
            order);
}

INSTANTIATE_TEST_SUITE_P(UiAndIoPumps, NestedMessageLoopTest,
                         testing::Values(MessageLoop::TYPE_UI,
                                         MessageLoop::TYPE_IO),
                         &PumpName);

}  // namespace
}  // namespace base
