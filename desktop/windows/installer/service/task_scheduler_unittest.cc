#include "desktop/windows/installer/service/task_scheduler.h"

#include "base/win/windows_types.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

TEST(TaskSchedulerTest, LocalSystemTimeToTime) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const base::Time time = internal::LocalSystemTimeToTime(now);
  EXPECT_LE((base::Time::Now() - time).InSeconds(), 2);
  EXPECT_LE((time - base::Time::Now()).InSeconds(), 1);

  // A failed read leaves zeros; an impossible date is no time either.
  EXPECT_TRUE(internal::LocalSystemTimeToTime(SYSTEMTIME{}).is_null());
  EXPECT_TRUE(
      internal::LocalSystemTimeToTime({2023, 2, 0, 30, 1, 0, 0, 0}).is_null());
}

}  // namespace
}  // namespace installer
