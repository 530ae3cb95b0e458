#include "base/timer/timer.h"

#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/run_loop.h"
#include "testing/mock_time_task_runner.h"

namespace base {
namespace {

using testing_support::MockTimeTaskRunner;

// Counts the runs of a user task and the death of its bound state.
struct TaskRecord {
  int runs = 0;
  test::DeathRecord death;
  bool released() const { return death.count == 1; }
};

Closure Task(TaskRecord* record) {
  return test::WitnessedTask(&record->death, [record] { ++record->runs; });
}

class TimerTest : public testing::Test {
 protected:
  TimerTest() : runner_(new MockTimeTaskRunner) {
    timer_ = std::make_unique<OneShotTimer>(runner_->GetMockTickClock());
    timer_->SetTaskRunner(runner_);
  }

  scoped_refptr<MockTimeTaskRunner> runner_;
  std::unique_ptr<OneShotTimer> timer_;
};

// The task runs once after its delay and is released. Once it ran, was
// stopped or the timer died, nothing is left to run or restart.
TEST_F(TimerTest, RunsOnceAfterItsDelayAndNeverAfterStopOrDestruction) {
  TaskRecord record;
  ASSERT_TRUE(
      timer_->Start(FROM_HERE, TimeDelta::FromSeconds(10), Task(&record)));
  EXPECT_TRUE(timer_->IsRunning());
  runner_->FastForwardBy(TimeDelta::FromMilliseconds(9999));
  EXPECT_EQ(0, record.runs);
  runner_->FastForwardBy(TimeDelta::FromMilliseconds(1));
  EXPECT_EQ(1, record.runs);
  EXPECT_FALSE(timer_->IsRunning());
  EXPECT_TRUE(record.released());
  EXPECT_FALSE(timer_->Reset());

  TaskRecord stopped;
  timer_->Start(FROM_HERE, TimeDelta::FromSeconds(1), Task(&stopped));
  timer_->Stop();
  EXPECT_FALSE(timer_->IsRunning());
  EXPECT_TRUE(stopped.released());
  // The task is gone: restarting must not post an empty closure.
  EXPECT_FALSE(timer_->Reset());
  // The queued task comes due and finds the timer stopped.
  runner_->FastForwardBy(TimeDelta::FromSeconds(1));
  EXPECT_FALSE(timer_->IsRunning());

  TaskRecord destroyed;
  timer_->Start(FROM_HERE, TimeDelta::FromSeconds(1), Task(&destroyed));
  timer_.reset();
  EXPECT_TRUE(destroyed.released());
  runner_->FastForwardBy(TimeDelta::FromMinutes(1));
  EXPECT_EQ(1, record.runs);
  EXPECT_EQ(0, stopped.runs);
  EXPECT_EQ(0, destroyed.runs);
}

// The same or a later run time keeps the queued task, which re-posts itself
// for what remains; an earlier one (here: none, an immediate task) abandons
// it.
TEST_F(TimerTest, RestartReusesOrAbandonsTheQueuedTask) {
  TaskRecord later;
  timer_->Start(FROM_HERE, TimeDelta::FromSeconds(10), Task(&later));
  ASSERT_TRUE(timer_->Reset());  // at the same moment: the same run time
  EXPECT_EQ(1u, runner_->GetPendingTaskCount());
  runner_->FastForwardBy(TimeDelta::FromSeconds(4));
  ASSERT_TRUE(timer_->Reset());
  EXPECT_EQ(1u, runner_->GetPendingTaskCount());
  runner_->FastForwardBy(TimeDelta::FromSeconds(6));  // the queued task ran
  EXPECT_EQ(0, later.runs);
  EXPECT_TRUE(timer_->IsRunning());
  EXPECT_EQ(TimeDelta::FromSeconds(4), runner_->NextPendingTaskDelay());
  runner_->FastForwardBy(TimeDelta::FromSeconds(4));
  EXPECT_EQ(1, later.runs);

  TaskRecord earlier;
  timer_->Start(FROM_HERE, TimeDelta::FromSeconds(10), Task(&earlier));
  timer_->Start(FROM_HERE, TimeDelta(), Task(&earlier));
  EXPECT_EQ(2u, runner_->GetPendingTaskCount());
  EXPECT_EQ(TimeDelta(), runner_->NextPendingTaskDelay());
  runner_->FastForwardBy(TimeDelta::FromSeconds(10));  // and the abandoned one
  EXPECT_EQ(1, earlier.runs);
  EXPECT_EQ(0u, runner_->GetPendingTaskCount());
}

// The user task may restart its own timer: it runs after the timer stopped.
TEST_F(TimerTest, TaskMayRestartItsTimer) {
  struct Restarter {
    OneShotTimer* timer;
    int runs = 0;
    void Run() {
      if (++runs < 3) {
        EXPECT_TRUE(timer->Start(FROM_HERE, TimeDelta::FromSeconds(1),
                                 Bind(&Restarter::Run, Unretained(this))));
      }
    }
  } restarter{timer_.get()};
  restarter.Run();
  runner_->FastForwardBy(TimeDelta::FromSeconds(10));
  EXPECT_EQ(3, restarter.runs);
  EXPECT_FALSE(timer_->IsRunning());
}

// Without a runner the start fails; on a real loop the task runs after its
// delay, and a loop that dies with the task still queued stops the timer.
TEST(TimerOnMessageLoopTest, FiresOnTheLoopAndStopsWhenTheLoopDies) {
  std::thread([] {
    OneShotTimer timer;
    TaskRecord record;
    EXPECT_FALSE(
        timer.Start(FROM_HERE, TimeDelta::FromSeconds(1), Task(&record)));
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_TRUE(record.released());
  }).join();

  OneShotTimer timer;
  {
    MessageLoop loop;
    RunLoop run_loop;
    TimeTicks start = TimeTicks::Now();
    ASSERT_TRUE(timer.Start(FROM_HERE, TimeDelta::FromMilliseconds(20),
                            run_loop.QuitClosure()));
    run_loop.Run();
    EXPECT_GE(TimeTicks::Now() - start, TimeDelta::FromMilliseconds(15));

    ASSERT_TRUE(timer.Start(FROM_HERE, TimeDelta::FromHours(1),
                            Bind([] { ADD_FAILURE() << "ran"; })));
  }
  EXPECT_FALSE(timer.IsRunning());
}

}  // namespace
}  // namespace base
