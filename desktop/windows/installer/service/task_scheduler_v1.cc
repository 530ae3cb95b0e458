#include "desktop/windows/installer/service/task_scheduler_v1.h"

#include <objbase.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/win/scoped_memory.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/utils.h"

using Microsoft::WRL::ComPtr;

namespace installer {

namespace {

// Saves |task| to the file it was loaded from or created as.
HRESULT SaveWorkItem(ITask* task) {
  ComPtr<IPersistFile> file;
  HRESULT result = task->QueryInterface(IID_PPV_ARGS(&file));
  if (FAILED(result)) return result;
  return file->Save(nullptr, TRUE);
}

// The time fields of a trigger that starts now, local time.
TASK_TRIGGER MakeTriggerStartingNow(TASK_TRIGGER_TYPE type,
                                    WORD days_interval) {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  TASK_TRIGGER trigger = {};
  trigger.cbTriggerSize = sizeof(trigger);
  trigger.wBeginYear = now.wYear;
  trigger.wBeginMonth = now.wMonth;
  trigger.wBeginDay = now.wDay;
  trigger.wStartHour = now.wHour;
  trigger.wStartMinute = now.wMinute;
  trigger.TriggerType = type;
  trigger.Type.Daily.DaysInterval = days_interval;
  return trigger;
}

HRESULT AddTrigger(ITask* task, TASK_TRIGGER trigger_fields) {
  WORD index = 0;
  ComPtr<ITaskTrigger> trigger;
  HRESULT result = task->CreateTrigger(&index, &trigger);
  if (FAILED(result)) return result;
  return trigger->SetTrigger(&trigger_fields);
}

// The work item's status. A disabled work item reports SCHED_S_TASK_DISABLED
// even where the scheduler's status does not follow the flag yet.
HRESULT GetStatus(ITask* task, HRESULT* status) {
  DWORD flags = 0;
  HRESULT result = task->GetFlags(&flags);
  if (SUCCEEDED(result) && (flags & TASK_FLAG_DISABLED)) {
    *status = SCHED_S_TASK_DISABLED;
    return S_OK;
  }
  return task->GetStatus(status);
}

// Deletes the work item registered as |full_name|. The scheduler service
// reads a work item's file whenever it changes; a delete that meets it there
// fails, so it is tried again for a moment rather than leaving the task
// behind. A delete that still fails is not reported.
void DeleteWorkItem(ITaskScheduler* scheduler, const std::wstring& full_name) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const HRESULT result = scheduler->Delete(full_name.c_str());
    if (SUCCEEDED(result) ||
        result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
      return;
    }
    ::Sleep(50);
  }
}

}  // namespace

TaskSchedulerV1::TaskSchedulerV1() = default;
TaskSchedulerV1::~TaskSchedulerV1() = default;

bool TaskSchedulerV1::Init() {
  return SUCCEEDED(::CoCreateInstance(
      CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
      reinterpret_cast<void**>(scheduler_.GetAddressOf())));
}

HRESULT TaskSchedulerV1::Activate(const std::wstring& full_name,
                                  ComPtr<ITask>* task) {
  return scheduler_->Activate(
      full_name.c_str(), IID_ITask,
      reinterpret_cast<IUnknown**>(task->ReleaseAndGetAddressOf()));
}

bool TaskSchedulerV1::CreateTask(const ScheduledTask& task) {
  std::wstring user_name;
  if (!GetUserNameWithFormat(&user_name, NameSamCompatible)) return false;

  const std::wstring full_name = GetScheduledTaskName(task.name);
  scheduler_->Delete(full_name.c_str());
  ComPtr<ITask> work_item;
  if (FAILED(scheduler_->NewWorkItem(
          full_name.c_str(), CLSID_CTask, IID_ITask,
          reinterpret_cast<IUnknown**>(work_item.GetAddressOf())))) {
    return false;
  }

  // An empty account name is the SYSTEM account.
  const wchar_t* account =
      task.account == ScheduledTask::kSystem ? L"" : user_name.c_str();
  const bool run_once = task.trigger_kind == ScheduledTask::kRunOnceNow;
  DWORD flags = TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
  if (run_once) flags |= TASK_FLAG_DELETE_WHEN_DONE;
  const DWORD max_run_time =
      task.max_run_time == 0 ? INFINITE : task.max_run_time * 1000;
  const std::wstring arguments = task.command_line.GetArgumentsString();
  if (FAILED(work_item->SetAccountInformation(account, nullptr)) ||
      FAILED(work_item->SetApplicationName(
          task.command_line.GetProgram().value().c_str())) ||
      FAILED(work_item->SetComment(task.description.c_str())) ||
      FAILED(work_item->SetCreator(user_name.c_str())) ||
      FAILED(work_item->SetFlags(flags)) ||
      FAILED(work_item->SetMaxRunTime(max_run_time)) ||
      FAILED(work_item->SetParameters(arguments.c_str()))) {
    return false;
  }

  if (task.trigger_kind == ScheduledTask::kNoTimeTrigger) {
    // A trigger with the scheduler's defaults, as the work item expects one.
    WORD index = 0;
    ComPtr<ITaskTrigger> trigger;
    if (FAILED(work_item->CreateTrigger(&index, &trigger))) return false;
  } else {
    const TASK_TRIGGER_TYPE type =
        run_once ? TASK_TIME_TRIGGER_ONCE : TASK_TIME_TRIGGER_DAILY;
    if (FAILED(AddTrigger(work_item.Get(), MakeTriggerStartingNow(type, 1))))
      return false;
  }
  if (task.at_logon && !run_once &&
      FAILED(
          AddTrigger(work_item.Get(),
                     MakeTriggerStartingNow(TASK_EVENT_TRIGGER_AT_LOGON, 0)))) {
    return false;
  }

  ComPtr<IPersistFile> file;
  if (FAILED(work_item.As(&file)) || FAILED(file->Save(nullptr, TRUE)))
    return false;

  if (task.account == ScheduledTask::kSystem && !run_once) {
    // Without it other users could not see the task; not worth failing for.
    base::win::ScopedCoTaskMemory<wchar_t> job_file;
    if (SUCCEEDED(file->GetCurFile(job_file.Receive())) && job_file.IsValid())
      GrantAuthenticatedUsersReadAccess(job_file.Get());
  }
  if (run_once) work_item->Run();
  return true;
}

void TaskSchedulerV1::RemoveStaleTasks() {
  ComPtr<IEnumWorkItems> items;
  if (FAILED(scheduler_->Enum(&items))) return;
  // Deleting while enumerating could skip entries: collect the names first.
  std::vector<std::wstring> names;
  for (;;) {
    base::win::ScopedCoTaskMemory<LPWSTR> batch;
    ULONG fetched = 0;
    if (items->Next(1, batch.Receive(), &fetched) != S_OK || fetched == 0 ||
        !batch.IsValid()) {
      break;
    }
    for (ULONG i = 0; i < fetched; ++i) {
      base::win::ScopedCoTaskMemory<wchar_t> name(batch.Get()[i]);
      if (IsProductScheduledTaskName(name.Get()))
        names.push_back(StripJobFileExtension(name.Get()));
    }
  }

  for (const std::wstring& name : names) {
    ComPtr<ITask> task;
    HRESULT status = S_OK;
    if (FAILED(Activate(name, &task)) ||
        FAILED(GetStatus(task.Get(), &status)) ||
        status == SCHED_S_TASK_DISABLED) {
      continue;
    }
    base::win::ScopedCoTaskMemory<wchar_t> application;
    if (FAILED(task->GetApplicationName(application.Receive())) ||
        !application.IsValid()) {
      continue;
    }
    // Cut at the first NUL: the stored text may carry padding.
    const std::wstring program(application.Get());
    if (!base::PathExists(base::FilePath(program)))
      DeleteWorkItem(scheduler_.Get(), name);
  }
}

void TaskSchedulerV1::DeleteTask(const std::wstring& name) {
  DeleteWorkItem(scheduler_.Get(), GetScheduledTaskName(name));
}

void TaskSchedulerV1::SetDailyInterval(const std::wstring& name, int days) {
  ComPtr<ITask> task;
  WORD count = 0;
  if (FAILED(Activate(GetScheduledTaskName(name), &task)) ||
      FAILED(task->GetTriggerCount(&count))) {
    return;
  }
  for (WORD index = 0; index < count; ++index) {
    ComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER fields = {};
    fields.cbTriggerSize = sizeof(fields);
    if (FAILED(task->GetTrigger(index, &trigger)) ||
        FAILED(trigger->GetTrigger(&fields))) {
      return;
    }
    if (fields.TriggerType != TASK_TIME_TRIGGER_DAILY) continue;
    if (fields.Type.Daily.DaysInterval != days) {
      fields.Type.Daily.DaysInterval = static_cast<WORD>(days);
      if (SUCCEEDED(trigger->SetTrigger(&fields))) SaveWorkItem(task.Get());
    }
    return;
  }
}

void TaskSchedulerV1::SetEnabled(const std::wstring& name, bool enabled) {
  ComPtr<ITask> task;
  DWORD flags = 0;
  if (FAILED(Activate(GetScheduledTaskName(name), &task)) ||
      FAILED(task->GetFlags(&flags))) {
    return;
  }
  flags = enabled ? flags & ~TASK_FLAG_DISABLED : flags | TASK_FLAG_DISABLED;
  if (SUCCEEDED(task->SetFlags(flags))) SaveWorkItem(task.Get());
}

bool TaskSchedulerV1::Run(const std::wstring& name,
                          const std::vector<std::wstring>& /*arguments*/) {
  ComPtr<ITask> task;
  return SUCCEEDED(Activate(GetScheduledTaskName(name), &task)) &&
         SUCCEEDED(task->Run());
}

ScheduledTaskState TaskSchedulerV1::GetState(const std::wstring& name) {
  ComPtr<ITask> task;
  HRESULT result = Activate(GetScheduledTaskName(name), &task);
  if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
    return SCHEDULED_TASK_NOT_FOUND;
  HRESULT status = S_OK;
  if (FAILED(result) || FAILED(GetStatus(task.Get(), &status)))
    return SCHEDULED_TASK_UNDETERMINED;
  switch (status) {
  case SCHED_S_TASK_READY:
  case SCHED_S_TASK_HAS_NOT_RUN:
    return SCHEDULED_TASK_READY;
  case SCHED_S_TASK_RUNNING:
    return SCHEDULED_TASK_RUNNING;
  case SCHED_S_TASK_DISABLED:
    return SCHEDULED_TASK_DISABLED;
  case SCHED_S_TASK_NO_MORE_RUNS:
  case SCHED_S_TASK_NOT_SCHEDULED:
  case SCHED_S_TASK_NO_VALID_TRIGGERS:
    return SCHEDULED_TASK_NO_MORE_RUNS;
  default:
    return SCHEDULED_TASK_UNDETERMINED;
  }
}

base::Time TaskSchedulerV1::GetLastRunTime(const std::wstring& name) {
  ComPtr<ITask> task;
  SYSTEMTIME last_run = {};
  if (FAILED(Activate(GetScheduledTaskName(name), &task))) return base::Time();
  HRESULT result = task->GetMostRecentRunTime(&last_run);
  if (FAILED(result) || result == SCHED_S_TASK_HAS_NOT_RUN) return base::Time();
  return internal::LocalSystemTimeToTime(last_run);
}

}  // namespace installer
