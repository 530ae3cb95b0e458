#include "desktop/windows/installer/service/task_scheduler_v2.h"

#include <objbase.h>
#include <oleauto.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/installer/service/task_definition.h"

using base::win::ScopedBstr;
using base::win::ScopedVariant;
using Microsoft::WRL::ComPtr;

namespace installer {

namespace {

const wchar_t kRootFolder[] = L"\\";

// A string a scheduler call handed out, up to its first NUL: stored texts
// may carry padding.
std::wstring TextOf(const ScopedBstr& text) {
  return text.Get() ? std::wstring(text.Get()) : std::wstring();
}

// A one-based index into a scheduler collection.
VARIANT IndexVariant(LONG index) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = index;
  return value;
}

// Fills |variant| with a string array of |arguments|, or leaves it empty
// when there are none.
HRESULT MakeArgumentArray(const std::vector<std::wstring>& arguments,
                          VARIANT* variant) {
  if (arguments.empty()) return S_OK;
  SAFEARRAY* array =
      ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(arguments.size()));
  if (!array) return E_OUTOFMEMORY;
  // Owned by the variant from here, so every exit frees it.
  variant->vt = VT_ARRAY | VT_BSTR;
  variant->parray = array;
  for (LONG i = 0; i < static_cast<LONG>(arguments.size()); ++i) {
    ScopedBstr text(arguments[i].c_str());
    // SafeArrayPutElement stores a copy of the string.
    HRESULT result = ::SafeArrayPutElement(array, &i, text.Get());
    if (FAILED(result)) return result;
  }
  return S_OK;
}

}  // namespace

TaskSchedulerV2::TaskSchedulerV2() = default;
TaskSchedulerV2::~TaskSchedulerV2() = default;

bool TaskSchedulerV2::Init() {
  if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr,
                                CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&service_)))) {
    return false;
  }
  // Empty variants: the local computer, as the current user.
  const ScopedVariant empty;
  if (FAILED(service_->Connect(empty.get(), empty.get(), empty.get(),
                               empty.get()))) {
    return false;
  }
  return SUCCEEDED(
      service_->GetFolder(ScopedBstr(kRootFolder).Get(), &root_folder_));
}

HRESULT TaskSchedulerV2::GetTask(const std::wstring& full_name,
                                 ComPtr<IRegisteredTask>* task) {
  return root_folder_->GetTask(ScopedBstr(full_name.c_str()).Get(),
                               task->ReleaseAndGetAddressOf());
}

bool TaskSchedulerV2::CreateTask(const ScheduledTask& task) {
  TaskEnvironment environment;
  if (!ReadTaskEnvironment(&environment)) return false;
  return RegisterTaskDefinition(service_.Get(), root_folder_.Get(),
                                DescribeTask(task, environment));
}

bool TaskSchedulerV2::IsStale(const std::wstring& full_name) {
  ComPtr<IRegisteredTask> task;
  VARIANT_BOOL enabled = VARIANT_FALSE;
  ComPtr<ITaskDefinition> definition;
  ComPtr<IActionCollection> actions;
  LONG count = 0;
  if (FAILED(GetTask(full_name, &task)) ||
      FAILED(task->get_Enabled(&enabled)) || enabled == VARIANT_FALSE ||
      FAILED(task->get_Definition(&definition)) ||
      FAILED(definition->get_Actions(&actions)) ||
      FAILED(actions->get_Count(&count)) || count != 1) {
    return false;
  }
  ComPtr<IAction> action;
  TASK_ACTION_TYPE type = TASK_ACTION_EXEC;
  ComPtr<IExecAction> exec;
  ScopedBstr path;
  if (FAILED(actions->get_Item(1, &action)) ||
      FAILED(action->get_Type(&type)) || type != TASK_ACTION_EXEC ||
      FAILED(action.As(&exec)) || FAILED(exec->get_Path(path.Receive()))) {
    return false;
  }
  return !base::PathExists(base::FilePath(TextOf(path)));
}

void TaskSchedulerV2::RemoveStaleTasks() {
  // Hidden tasks are not listed (flags 0).
  ComPtr<IRegisteredTaskCollection> tasks;
  LONG count = 0;
  if (FAILED(root_folder_->GetTasks(0, &tasks)) ||
      FAILED(tasks->get_Count(&count))) {
    return;
  }
  // Deleting while walking the collection would shift its indexes.
  std::vector<std::wstring> names;
  for (LONG index = 1; index <= count; ++index) {
    ComPtr<IRegisteredTask> task;
    ScopedBstr name;
    if (FAILED(tasks->get_Item(IndexVariant(index), &task)) ||
        FAILED(task->get_Name(name.Receive()))) {
      continue;
    }
    if (IsProductScheduledTaskName(TextOf(name)))
      names.push_back(TextOf(name));
  }
  for (const std::wstring& name : names) {
    if (IsStale(name))
      root_folder_->DeleteTask(ScopedBstr(name.c_str()).Get(), 0);
  }
}

void TaskSchedulerV2::DeleteTask(const std::wstring& name) {
  root_folder_->DeleteTask(ScopedBstr(GetScheduledTaskName(name).c_str()).Get(),
                           0);
}

void TaskSchedulerV2::SetDailyInterval(const std::wstring& name, int days) {
  const std::wstring full_name = GetScheduledTaskName(name);
  ComPtr<IRegisteredTask> task;
  ComPtr<ITaskDefinition> definition;
  ComPtr<ITriggerCollection> triggers;
  LONG count = 0;
  if (FAILED(GetTask(full_name, &task)) ||
      FAILED(task->get_Definition(&definition)) ||
      FAILED(definition->get_Triggers(&triggers)) ||
      FAILED(triggers->get_Count(&count))) {
    return;
  }
  for (LONG index = 1; index <= count; ++index) {
    ComPtr<ITrigger> trigger;
    TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_EVENT;
    if (FAILED(triggers->get_Item(index, &trigger)) ||
        FAILED(trigger->get_Type(&type))) {
      return;
    }
    if (type != TASK_TRIGGER_DAILY) continue;
    ComPtr<IDailyTrigger> daily;
    short interval = 0;
    if (FAILED(trigger.As(&daily)) ||
        FAILED(daily->get_DaysInterval(&interval)) || interval == days ||
        FAILED(daily->put_DaysInterval(static_cast<short>(days)))) {
      return;
    }
    const ScopedVariant empty;
    const ScopedVariant no_sddl(L"");
    ComPtr<IRegisteredTask> updated;
    root_folder_->RegisterTaskDefinition(
        ScopedBstr(full_name.c_str()).Get(), definition.Get(), TASK_UPDATE,
        empty.get(), empty.get(), TASK_LOGON_NONE, no_sddl.get(), &updated);
    return;
  }
}

void TaskSchedulerV2::SetEnabled(const std::wstring& name, bool enabled) {
  ComPtr<IRegisteredTask> task;
  if (SUCCEEDED(GetTask(GetScheduledTaskName(name), &task)))
    task->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE);
}

bool TaskSchedulerV2::Run(const std::wstring& name,
                          const std::vector<std::wstring>& arguments) {
  ComPtr<IRegisteredTask> task;
  if (FAILED(GetTask(GetScheduledTaskName(name), &task))) return false;
  ScopedVariant parameters;
  if (FAILED(MakeArgumentArray(arguments, parameters.Receive()))) return false;
  ComPtr<IRunningTask> running;
  return SUCCEEDED(task->Run(parameters.get(), &running));
}

ScheduledTaskState TaskSchedulerV2::GetState(const std::wstring& name) {
  ComPtr<IRegisteredTask> task;
  HRESULT result = GetTask(GetScheduledTaskName(name), &task);
  if (result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
    return SCHEDULED_TASK_NOT_FOUND;
  TASK_STATE state = TASK_STATE_UNKNOWN;
  if (FAILED(result) || FAILED(task->get_State(&state)))
    return SCHEDULED_TASK_UNDETERMINED;
  switch (state) {
  case TASK_STATE_DISABLED:
    return SCHEDULED_TASK_DISABLED;
  case TASK_STATE_QUEUED:
  case TASK_STATE_READY:
    return SCHEDULED_TASK_READY;
  case TASK_STATE_RUNNING:
    return SCHEDULED_TASK_RUNNING;
  default:
    return SCHEDULED_TASK_UNDETERMINED;
  }
}

base::Time TaskSchedulerV2::GetLastRunTime(const std::wstring& name) {
  ComPtr<IRegisteredTask> task;
  DATE last_run = 0;
  if (FAILED(GetTask(GetScheduledTaskName(name), &task))) return base::Time();
  HRESULT result = task->get_LastRunTime(&last_run);
  // A task that never ran reports the date 0, 1899-12-30, which is a real
  // calendar day: it must not become a time.
  if (FAILED(result) || result == SCHED_S_TASK_HAS_NOT_RUN || last_run == 0)
    return base::Time();
  SYSTEMTIME local;
  if (!::VariantTimeToSystemTime(last_run, &local)) return base::Time();
  return internal::LocalSystemTimeToTime(local);
}

}  // namespace installer
