#include "desktop/windows/installer/service/task_scheduler.h"

#include "base/win/windows_types.h"

#include "base/command_line.h"
#include "base/win/windows_version.h"
#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"
#include "desktop/windows/installer/service/task_scheduler_v1.h"
#include "desktop/windows/installer/service/task_scheduler_v2.h"

namespace installer {

namespace {

const wchar_t kLauncherExe[] = L"launcher.exe";
const char kScheduledAutoupdateSwitch[] = "scheduledautoupdate";
// The scheduler puts the arguments of a run started by hand in place of it.
const char kFirstRunArgument[] = "$(Arg0)";
const wchar_t kAutoupdateTaskPrefix[] = L"Autoupdate ";
const uint32_t kAutoupdateMaxRunTimeSeconds = 3600;

}  // namespace

std::unique_ptr<TaskScheduler> TaskScheduler::Create() {
  if (base::GetWindowsVersion() >= base::win::VERSION_VISTA)
    return std::make_unique<TaskSchedulerV2>();
  return std::make_unique<TaskSchedulerV1>();
}

ScheduledTask MakeAutoupdateTask(const base::FilePath& install_folder,
                                 const std::wstring& app_id, bool all_users,
                                 bool schedule_autoupdate_task) {
  base::CommandLine command_line(install_folder.Append(kLauncherExe));
  command_line.AppendSwitch(kScheduledAutoupdateSwitch);
  command_line.AppendArg(kFirstRunArgument);
  ScheduledTask task(command_line);
  task.name = kAutoupdateTaskPrefix + app_id;
  task.description =
      l10n::GetLocalizedString(l10n::IDS_UPDATE_TASK_DESCRIPTION);
  task.account =
      all_users ? ScheduledTask::kSystem : ScheduledTask::kCurrentUser;
  task.max_run_time = kAutoupdateMaxRunTimeSeconds;
  task.trigger_kind = schedule_autoupdate_task ? ScheduledTask::kDaily
                                               : ScheduledTask::kNoTimeTrigger;
  task.at_logon = schedule_autoupdate_task;
  task.network_only = true;
  return task;
}

namespace internal {

base::Time LocalSystemTimeToTime(const SYSTEMTIME& local) {
  base::Time::Exploded exploded = {};
  exploded.year = local.wYear;
  exploded.month = local.wMonth;
  exploded.day_of_month = local.wDay;
  exploded.hour = local.wHour;
  exploded.minute = local.wMinute;
  exploded.second = local.wSecond;
  base::Time time;
  base::Time::FromExploded(exploded, &time);
  return time;
}

}  // namespace internal

}  // namespace installer
