// One interface over the two generations of the Windows task scheduler, for
// the product's own scheduled tasks (the daily and logon autoupdate run).
//
//   std::unique_ptr<TaskScheduler> scheduler = TaskScheduler::Create();
//   if (!scheduler->Init()) {
//     LOG(ERROR) << "Could not initialize task scheduler";
//     return;
//   }
//   scheduler->RemoveStaleTasks();
//   if (!scheduler->CreateTask(MakeAutoupdateTask(...)))
//     LOG(ERROR) << "Could not create scheduled task";
//
// Every name argument is the task's own name ("Autoupdate <app id>"); the
// scheduler registers it under GetScheduledTaskName of it. A scheduler
// belongs to the thread that made it, which must have entered a
// single-threaded COM apartment; Init must succeed before any other call.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/scheduled_task.h"

struct _SYSTEMTIME;

namespace installer {

class TaskScheduler {
 public:
  // Task Scheduler 2.0 from Vista on, else Task Scheduler 1.0.
  static std::unique_ptr<TaskScheduler> Create();

  virtual ~TaskScheduler() = default;

  // Connects to the scheduler. False when it cannot be reached.
  virtual bool Init() = 0;
  // Registers |task|, replacing a task of the same name. A kRunOnceNow task
  // is started at once and leaves nothing registered behind.
  virtual bool CreateTask(const ScheduledTask& task) = 0;
  // Deletes this product's tasks whose program no longer exists; other
  // products' tasks and disabled tasks stay.
  virtual void RemoveStaleTasks() = 0;
  virtual void DeleteTask(const std::wstring& name) = 0;
  // Sets the interval of the task's first daily trigger; a task without one
  // is left as it is.
  virtual void SetDailyInterval(const std::wstring& name, int days) = 0;
  virtual void SetEnabled(const std::wstring& name, bool enabled) = 0;
  // Starts the task now. Task Scheduler 1.0 ignores |arguments|.
  virtual bool Run(const std::wstring& name,
                   const std::vector<std::wstring>& arguments) = 0;
  virtual ScheduledTaskState GetState(const std::wstring& name) = 0;
  // The local time of the task's last run; the null time when it has not
  // run or the time cannot be read.
  virtual base::Time GetLastRunTime(const std::wstring& name) = 0;
};

// The installer's autoupdate task: the installation folder's "launcher.exe"
// with "--scheduledautoupdate $(Arg0)", named "Autoupdate " + |app_id| and
// described by the localised IDS_UPDATE_TASK_DESCRIPTION; run as SYSTEM for
// an installation for all users, limited to an hour and to times with a
// network. |schedule_autoupdate_task| (the product setting of that name)
// asks for the daily and logon triggers; without it the task has no trigger
// and runs only when started.
ScheduledTask MakeAutoupdateTask(const base::FilePath& install_folder,
                                 const std::wstring& app_id, bool all_users,
                                 bool schedule_autoupdate_task);

namespace internal {

// The time of the scheduler's calendar fields, which are local time; the
// null time for fields that name no time.
base::Time LocalSystemTimeToTime(const _SYSTEMTIME& local);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_
