// TaskScheduler over Task Scheduler 2.0 (Vista and later): task definitions
// registered in the scheduler's root folder "\", reached through
// ITaskService. CreateTask describes the task with DescribeTask and
// registers it with RegisterTaskDefinition (task_definition.h); see
// TaskScheduler for use.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_

#include "base/win/windows_types.h"

#include <taskschd.h>
#include <wrl/client.h>

#include "desktop/windows/installer/service/task_scheduler.h"

namespace installer {

class TaskSchedulerV2 : public TaskScheduler {
 public:
  TaskSchedulerV2();
  ~TaskSchedulerV2() override;
  TaskSchedulerV2(const TaskSchedulerV2&) = delete;
  TaskSchedulerV2& operator=(const TaskSchedulerV2&) = delete;

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
  // The task registered as |full_name|; the lookup's result.
  HRESULT GetTask(const std::wstring& full_name,
                  Microsoft::WRL::ComPtr<IRegisteredTask>* task);
  // Whether |full_name| is enabled and runs one program that is gone.
  bool IsStale(const std::wstring& full_name);

  Microsoft::WRL::ComPtr<ITaskService> service_;
  Microsoft::WRL::ComPtr<ITaskFolder> root_folder_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_
