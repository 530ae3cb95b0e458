// The COM half of task_definition.h: carries a TaskDefinition into Task
// Scheduler 2.0.
#include "desktop/windows/installer/service/task_definition.h"

#include <wrl/client.h>

#include "base/logging.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/installer/service/task_scheduler_v2_triggers.h"

using base::win::ScopedBstr;
using base::win::ScopedVariant;
using Microsoft::WRL::ComPtr;

namespace installer {

namespace {

VARIANT_BOOL ToVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

HRESULT ApplyRegistrationInfo(ITaskDefinition* task,
                              const TaskDefinition& definition) {
  ComPtr<IRegistrationInfo> info;
  HRESULT result = task->get_RegistrationInfo(&info);
  if (SUCCEEDED(result))
    result = info->put_Author(ScopedBstr(definition.author.c_str()).Get());
  if (SUCCEEDED(result)) {
    result =
        info->put_Description(ScopedBstr(definition.description.c_str()).Get());
  }
  return result;
}

HRESULT ApplySettings(ITaskDefinition* task, const TaskDefinition& definition) {
  ComPtr<ITaskSettings> settings;
  HRESULT result = task->get_Settings(&settings);
  if (FAILED(result)) return result;
  if (FAILED(result = settings->put_ExecutionTimeLimit(
                 ScopedBstr(definition.execution_time_limit.c_str()).Get())) ||
      FAILED(result = settings->put_MultipleInstances(
                 definition.multiple_instances)) ||
      FAILED(result = settings->put_RunOnlyIfNetworkAvailable(
                 ToVariantBool(definition.run_only_if_network_available))) ||
      FAILED(result = settings->put_StopIfGoingOnBatteries(
                 ToVariantBool(definition.stop_if_going_on_batteries))) ||
      FAILED(result = settings->put_DisallowStartIfOnBatteries(
                 ToVariantBool(definition.disallow_start_if_on_batteries))) ||
      FAILED(result = settings->put_StartWhenAvailable(
                 ToVariantBool(definition.start_when_available)))) {
    return result;
  }
  if (!definition.delete_expired_task_after.empty()) {
    result = settings->put_DeleteExpiredTaskAfter(
        ScopedBstr(definition.delete_expired_task_after.c_str()).Get());
  }
  return result;
}

// Sets the delay of a trigger interface that has one.
template <typename Trigger>
HRESULT PutDelay(ITrigger* trigger, const std::wstring& delay,
                 Trigger** typed) {
  HRESULT result = trigger->QueryInterface(IID_PPV_ARGS(typed));
  if (SUCCEEDED(result) && !delay.empty())
    result = (*typed)->put_Delay(ScopedBstr(delay.c_str()).Get());
  return result;
}

HRESULT ApplyTrigger(ITriggerCollection* triggers,
                     const TaskTriggerDefinition& definition) {
  ComPtr<ITrigger> trigger;
  HRESULT result = triggers->Create(definition.type, &trigger);
  if (FAILED(result)) return result;
  if (FAILED(result = trigger->put_Id(ScopedBstr(definition.id.c_str()).Get())))
    return result;
  if (!definition.start_boundary.empty() &&
      FAILED(result = trigger->put_StartBoundary(
                 ScopedBstr(definition.start_boundary.c_str()).Get()))) {
    return result;
  }
  if (!definition.end_boundary.empty() &&
      FAILED(result = trigger->put_EndBoundary(
                 ScopedBstr(definition.end_boundary.c_str()).Get()))) {
    return result;
  }
  switch (definition.type) {
  case TASK_TRIGGER_DAILY: {
    ComPtr<IDailyTrigger> daily;
    result = trigger.As(&daily);
    if (SUCCEEDED(result))
      result = daily->put_DaysInterval(definition.days_interval);
    return result;
  }
  case TASK_TRIGGER_LOGON: {
    ComPtr<ILogonTrigger> logon;
    result = PutDelay(trigger.Get(), definition.delay, logon.GetAddressOf());
    if (SUCCEEDED(result) && !definition.user_id.empty())
      result = logon->put_UserId(ScopedBstr(definition.user_id.c_str()).Get());
    return result;
  }
  case TASK_TRIGGER_BOOT: {
    ComPtr<IBootTrigger> boot;
    return PutDelay(trigger.Get(), definition.delay, boot.GetAddressOf());
  }
  case TASK_TRIGGER_REGISTRATION: {
    ComPtr<IRegistrationTrigger> registration;
    return PutDelay(trigger.Get(), definition.delay,
                    registration.GetAddressOf());
  }
  default:
    return result;
  }
}

HRESULT ApplyAction(ITaskDefinition* task, const TaskDefinition& definition) {
  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  HRESULT result;
  if (FAILED(result = task->get_Actions(&actions)) ||
      FAILED(result = actions->Create(TASK_ACTION_EXEC, &action)) ||
      FAILED(result = action.As(&exec)) ||
      FAILED(result = exec->put_Path(
                 ScopedBstr(definition.program.c_str()).Get()))) {
    return result;
  }
  return exec->put_Arguments(ScopedBstr(definition.arguments.c_str()).Get());
}

}  // namespace

bool RegisterTaskDefinition(ITaskService* service, ITaskFolder* folder,
                            const TaskDefinition& definition) {
  const ScopedBstr name(definition.name.c_str());
  // Replaces a task of the name; there usually is none.
  folder->DeleteTask(name.Get(), 0);

  ComPtr<ITaskDefinition> task;
  if (FAILED(service->NewTask(0, &task)) ||
      FAILED(ApplyRegistrationInfo(task.Get(), definition)) ||
      FAILED(ApplySettings(task.Get(), definition))) {
    return false;
  }
  ComPtr<ITriggerCollection> triggers;
  if (FAILED(task->get_Triggers(&triggers))) return false;
  for (const TaskTriggerDefinition& trigger : definition.triggers) {
    if (FAILED(ApplyTrigger(triggers.Get(), trigger))) return false;
  }
  if (FAILED(ApplyAction(task.Get(), definition))) return false;
  if (definition.run_level_highest) {
    ComPtr<IPrincipal> principal;
    if (FAILED(task->get_Principal(&principal)) ||
        FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST))) {
      return false;
    }
  }

  const ScopedVariant user(definition.user_id.c_str());
  const ScopedVariant no_password;
  const ScopedVariant no_sddl(L"");
  ComPtr<IRegisteredTask> registered;
  HRESULT result = folder->RegisterTaskDefinition(
      name.Get(), task.Get(), definition.creation, user.get(),
      no_password.get(), definition.logon_type, no_sddl.get(), &registered);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed task registration: "
               << static_cast<unsigned long>(result);
    return false;
  }

  if (!definition.security_descriptor.empty()) {
    result = registered->SetSecurityDescriptor(
        ScopedBstr(definition.security_descriptor.c_str()).Get(), 0);
    if (FAILED(result)) {
      LOG(ERROR) << "Failed setting SDDL: "
                 << static_cast<unsigned long>(result);
    }
  }
  if (definition.delete_after_registration) folder->DeleteTask(name.Get(), 0);
  return true;
}

}  // namespace installer
