// TaskScheduler over Task Scheduler 1.0: work items kept as ".job" files in
// the system's task folder, reached through ITaskScheduler and ITask.
// Windows before Vista has only this generation; see TaskScheduler for use.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_

#include "base/win/windows_types.h"

#include <mstask.h>
#include <wrl/client.h>

#include "desktop/windows/installer/service/task_scheduler.h"

namespace installer {

class TaskSchedulerV1 : public TaskScheduler {
 public:
  TaskSchedulerV1();
  ~TaskSchedulerV1() override;
  TaskSchedulerV1(const TaskSchedulerV1&) = delete;
  TaskSchedulerV1& operator=(const TaskSchedulerV1&) = delete;

  bool Init() override;
  bool CreateTask(const ScheduledTask& task) override;
  void RemoveStaleTasks() override;
  void DeleteTask(const std::wstring& name) override;
  void SetDailyInterval(const std::wstring& name, int days) override;
  void SetEnabled(const std::wstring& name, bool enabled) override;
  bool Run(const std::wstring& name,
           const std::vector<std::wstring>& arguments) override;
  ScheduledTaskState GetState(const std::wstring& name) override;
  base::Time GetLastRunTime(const std::wstring& name) override;

 private:
  // The work item registered as |full_name|; the activation's result.
  HRESULT Activate(const std::wstring& full_name,
                   Microsoft::WRL::ComPtr<ITask>* task);

  Microsoft::WRL::ComPtr<ITaskScheduler> scheduler_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_
