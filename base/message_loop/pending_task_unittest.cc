#include "base/message_loop/pending_task.h"

#include <limits.h>

#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

PendingTask MakeTask(int64_t run_time_us, int sequence_num) {
  PendingTask task(Location(), Closure(),
                   TimeTicks::FromInternalValue(run_time_us), true);
  task.sequence_num = sequence_num;
  return task;
}

// Tasks due at the same time run in posting order, also when the 32-bit
// sequence numbers wrap between them; an earlier run time always wins.
TEST(DelayedTaskQueueTest, EarliestFirstThenPostingOrderAcrossTheWrap) {
  struct Entry {
    int64_t run_time_us;
    int sequence_num;
  };
  // In the expected order of running.
  const Entry expected[] = {
      {1000, INT_MIN + 5},      // earlier run time, later number
      {2000, INT_MAX - 1}, {2000, INT_MAX}, {2000, INT_MIN},
      {2000, INT_MIN + 1}, {2000, INT_MIN + 1000},
      {3000, INT_MAX - 7},
  };
  const int push_order[] = {4, 2, 6, 0, 5, 3, 1};
  DelayedTaskQueue queue;
  for (int index : push_order)
    queue.Push(MakeTask(expected[index].run_time_us,
                        expected[index].sequence_num));
  for (const Entry& entry : expected) {
    ASSERT_FALSE(queue.empty());
    PendingTask task = queue.Pop();
    EXPECT_EQ(entry.run_time_us, task.delayed_run_time.ToInternalValue());
    EXPECT_EQ(entry.sequence_num, task.sequence_num);
  }
  EXPECT_TRUE(queue.empty());
}

}  // namespace
}  // namespace base
