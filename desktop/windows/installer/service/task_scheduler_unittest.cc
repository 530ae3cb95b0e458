#include "desktop/windows/installer/service/task_scheduler.h"

#include "base/win/windows_types.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

// Times that are valid are read as local time, in a zone other than UTC, by
// TaskSchedulerV1Test.LocalTimesInTheChildsZone.
TEST(TaskSchedulerTest, LocalSystemTimeToTime) {
  // A failed read leaves zeros; an impossible date is no time either.
  EXPECT_TRUE(internal::LocalSystemTimeToTime(SYSTEMTIME{}).is_null());
  EXPECT_TRUE(
      internal::LocalSystemTimeToTime({2023, 2, 0, 30, 1, 0, 0, 0}).is_null());
}

}  // namespace
}  // namespace installer
