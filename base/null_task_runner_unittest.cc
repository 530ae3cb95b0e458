#include "base/null_task_runner.h"

#include <utility>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop_test_helpers.h"

namespace base {
namespace {

// Every post is refused, and its task released unrun on the posting thread
// before the call returns; nothing runs anywhere.
TEST(NullTaskRunnerTest, RefusesAndReleasesEveryTaskAtOnce) {
  scoped_refptr<SequencedTaskRunner> runner(new NullTaskRunner);
  EXPECT_FALSE(runner->RunsTasksOnCurrentThread());
  for (bool nestable : {true, false}) {
    SCOPED_TRACE(nestable ? "nestable" : "non-nestable");
    test::DeathRecord death;
    bool ran = false;
    Closure task = test::WitnessedTask(&death, [&ran] { ran = true; });
    EXPECT_FALSE(nestable ? runner->PostDelayedTask(FROM_HERE, std::move(task),
                                                    TimeDelta())
                          : runner->PostNonNestableDelayedTask(
                                FROM_HERE, std::move(task), TimeDelta()));
    EXPECT_EQ(1, death.count);
    EXPECT_EQ(::GetCurrentThreadId(), death.thread);
    EXPECT_FALSE(ran);
  }
}

}  // namespace
}  // namespace base
