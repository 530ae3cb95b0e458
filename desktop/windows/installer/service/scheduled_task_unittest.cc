#include "desktop/windows/installer/service/scheduled_task.h"

#include "gtest/gtest.h"

namespace installer {
namespace {

TEST(ScheduledTaskTest, ProductTaskNames) {
  EXPECT_EQ(L"Velto scheduled Autoupdate 7",
            GetScheduledTaskName(L"Autoupdate 7"));
  const struct {
    const wchar_t* name;
    bool ours;
  } cases[] = {
      {L"Velto scheduled Autoupdate 7", true},
      // Task Scheduler 1.0 lists its work items as files.
      {L"Velto scheduled Autoupdate 7.job", true},
      {L"Velto scheduled Autoupdate 7.JOB", true},
      {L"Velto scheduled ", false},
      {L"Velto scheduled .job", false},
      {L"XVelto scheduled Autoupdate 7", false},
      {L"velto scheduled Autoupdate 7", false},
      {L"Velto scheduledAutoupdate 7", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.ours, IsProductScheduledTaskName(c.name)) << c.name;
  EXPECT_EQ(L"a.job", StripJobFileExtension(L"a.job.job"));
  EXPECT_EQ(L"", StripJobFileExtension(L".job"));
}

}  // namespace
}  // namespace installer
