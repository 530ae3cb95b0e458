#include "desktop/windows/installer/service/task_definition.h"

#include <stdio.h>

#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/utils.h"

namespace installer {

namespace {

const wchar_t kRunOnceTriggerId[] = L"Run once";
const wchar_t kDailyTriggerId[] = L"Daily run";
const wchar_t kLogonTriggerId[] = L"Logon run";
const wchar_t kSystemUser[] = L"SYSTEM";
// Read and execute for Authenticated Users, so every user sees the task.
const wchar_t kSystemTaskSddl[] = L"D:(A;;GRGX;;;AU)";
const wchar_t kDeleteAtOnce[] = L"PT0S";

// The run-once task starts through its registration trigger; the end
// boundary half a minute ahead leaves it time to do so.
const int kRunOnceLeadSeconds = 30;

SYSTEMTIME AddSeconds(const SYSTEMTIME& time, int seconds) {
  FILETIME file_time;
  if (!::SystemTimeToFileTime(&time, &file_time)) return time;
  ULARGE_INTEGER value;
  value.LowPart = file_time.dwLowDateTime;
  value.HighPart = file_time.dwHighDateTime;
  value.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ULL;
  file_time.dwLowDateTime = value.LowPart;
  file_time.dwHighDateTime = value.HighPart;
  SYSTEMTIME result;
  if (!::FileTimeToSystemTime(&file_time, &result)) return time;
  return result;
}

}  // namespace

bool ReadTaskEnvironment(TaskEnvironment* environment) {
  if (!GetUserNameWithFormat(&environment->user_name, NameSamCompatible))
    return false;
  ::GetLocalTime(&environment->now);
  environment->is_admin = IsAdminUser(false);
  environment->logon_delay_minutes =
      ProductSettings::GetScheduledAutoupdateDelayMinutes();
  return true;
}

TaskDefinition DescribeTask(const ScheduledTask& task,
                            const TaskEnvironment& environment) {
  const bool run_once = task.trigger_kind == ScheduledTask::kRunOnceNow;
  const bool system = task.account == ScheduledTask::kSystem;

  TaskDefinition definition;
  definition.name = GetScheduledTaskName(task.name);
  definition.author = environment.user_name;
  definition.description = task.description;

  definition.execution_time_limit =
      L"PT" + std::to_wstring(task.max_run_time) + L"S";
  definition.run_only_if_network_available = task.network_only;
  if (run_once) definition.delete_expired_task_after = kDeleteAtOnce;

  const std::wstring time = internal::FormatTaskTime(
      run_once ? AddSeconds(environment.now, kRunOnceLeadSeconds)
               : environment.now);
  if (run_once) {
    TaskTriggerDefinition trigger;
    trigger.type = TASK_TRIGGER_REGISTRATION;
    trigger.id = kRunOnceTriggerId;
    trigger.end_boundary = time;
    definition.triggers.push_back(trigger);
  } else if (task.trigger_kind == ScheduledTask::kDaily) {
    TaskTriggerDefinition trigger;
    trigger.type = TASK_TRIGGER_DAILY;
    trigger.id = kDailyTriggerId;
    trigger.start_boundary = time;
    trigger.days_interval = 1;
    definition.triggers.push_back(trigger);
  }
  if (task.at_logon && !run_once) {
    TaskTriggerDefinition trigger;
    trigger.type = system ? TASK_TRIGGER_BOOT : TASK_TRIGGER_LOGON;
    trigger.id = kLogonTriggerId;
    trigger.start_boundary = time;
    trigger.delay =
        L"PT" + std::to_wstring(environment.logon_delay_minutes) + L"M";
    if (!system) trigger.user_id = environment.user_name;
    definition.triggers.push_back(trigger);
  }

  definition.program = task.command_line.GetProgram().value();
  definition.arguments = task.command_line.GetArgumentsString();
  definition.run_level_highest = environment.is_admin;

  definition.creation = TASK_CREATE_OR_UPDATE;
  if (system) {
    definition.user_id = kSystemUser;
    definition.logon_type = TASK_LOGON_SERVICE_ACCOUNT;
    definition.security_descriptor = kSystemTaskSddl;
  } else {
    definition.user_id = environment.user_name;
    definition.logon_type = TASK_LOGON_INTERACTIVE_TOKEN;
  }
  definition.delete_after_registration = run_once;
  return definition;
}

namespace internal {

std::wstring FormatTaskTime(const SYSTEMTIME& time) {
  wchar_t text[64];
  swprintf(text, std::size(text), L"%02d-%02d-%02dT%02d:%02d:%02d", time.wYear,
           time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
  return text;
}

}  // namespace internal

}  // namespace installer
