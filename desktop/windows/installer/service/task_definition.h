// What Task Scheduler 2.0 is asked to register for one ScheduledTask, as
// plain data, and the COM calls that register it.
//
//   TaskEnvironment environment;
//   if (!ReadTaskEnvironment(&environment)) return false;
//   TaskDefinition definition = DescribeTask(task, environment);
//   return RegisterTaskDefinition(service, root_folder, definition);
//
// DescribeTask holds every decision (settings, triggers and their times,
// principal, account, security descriptor); RegisterTaskDefinition only
// carries the fields into a new task definition, so the decisions can be
// checked without a scheduler. Values use the scheduler's own vocabulary:
// ISO 8601 durations ("PT1H") and local times without a zone.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_DEFINITION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_DEFINITION_H_

#include <string>
#include <vector>

#include "base/win/windows_types.h"

#include <taskschd.h>

#include "desktop/windows/installer/service/scheduled_task.h"

namespace installer {

// One trigger. Empty texts are left unset.
struct TaskTriggerDefinition {
  TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_DAILY;
  std::wstring id;
  std::wstring start_boundary;
  std::wstring end_boundary;
  // TASK_TRIGGER_DAILY only.
  short days_interval = 0;
  // TASK_TRIGGER_BOOT and TASK_TRIGGER_LOGON.
  std::wstring delay;
  // TASK_TRIGGER_LOGON only: whose logon starts the task.
  std::wstring user_id;
};

struct TaskDefinition {
  // The registered (full) name.
  std::wstring name;

  // Registration info.
  std::wstring author;
  std::wstring description;

  // Settings.
  std::wstring execution_time_limit;
  TASK_INSTANCES_POLICY multiple_instances = TASK_INSTANCES_IGNORE_NEW;
  bool run_only_if_network_available = false;
  bool stop_if_going_on_batteries = false;
  bool disallow_start_if_on_batteries = false;
  bool start_when_available = true;
  // Empty: the task is kept after its last trigger expires.
  std::wstring delete_expired_task_after;

  std::vector<TaskTriggerDefinition> triggers;

  // The one executable action.
  std::wstring program;
  std::wstring arguments;

  // Principal: run with the highest rights the account has.
  bool run_level_highest = false;

  // Registration.
  TASK_CREATION creation = TASK_CREATE_OR_UPDATE;
  std::wstring user_id;
  TASK_LOGON_TYPE logon_type = TASK_LOGON_INTERACTIVE_TOKEN;
  // Set on the registered task afterwards; empty: left as registered.
  std::wstring security_descriptor;
  // Deleted right after registration (its registration trigger has started
  // it by then).
  bool delete_after_registration = false;
};

// What DescribeTask needs to know of the machine and the product.
struct TaskEnvironment {
  // The current user, as "DOMAIN\user".
  std::wstring user_name;
  // The local time now.
  SYSTEMTIME now = {};
  // Whether the process belongs to the Administrators group.
  bool is_admin = false;
  // The product setting "scheduled_autoupdate_delay_min".
  int logon_delay_minutes = 0;
};

// Reads the current environment. False when the user name cannot be read.
bool ReadTaskEnvironment(TaskEnvironment* environment);

TaskDefinition DescribeTask(const ScheduledTask& task,
                            const TaskEnvironment& environment);

// Registers |definition| in |folder|, replacing a task of the same name.
// False on the first failing call; a failed registration is logged. A
// security descriptor that cannot be set is logged and does not fail it.
bool RegisterTaskDefinition(ITaskService* service, ITaskFolder* folder,
                            const TaskDefinition& definition);

namespace internal {

// |time| as the scheduler's boundary text, "2024-03-05T07:08:09".
std::wstring FormatTaskTime(const SYSTEMTIME& time);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_DEFINITION_H_
