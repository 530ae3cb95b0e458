// The description of one scheduled task of the product, and the names the
// schedulers register tasks under.
//
//   ScheduledTask task(command_line);  // the program and its arguments
//   task.name = L"Autoupdate " + app_id;
//   task.trigger_kind = ScheduledTask::kDaily;
//   // Registered as "Velto scheduled Autoupdate <app id>".
//
// Plain data; any thread may use it.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASK_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASK_H_

#include <stdint.h>

#include <string>

#include "base/command_line.h"
#include "base/strings/string_piece.h"

namespace installer {

struct ScheduledTask {
  // The account the task runs as.
  enum Account : uint32_t {
    kCurrentUser = 0,
    kSystem = 1,
  };
  // What starts the task by time.
  enum TriggerKind : uint32_t {
    kRunOnceNow = 0,
    kDaily = 1,
    kNoTimeTrigger = 2,
  };

  // Copies |command_line|; every other field is empty or off, except the
  // trigger kind, which the caller sets.
  explicit ScheduledTask(const base::CommandLine& command_line);

  // The program and the arguments of the task's action.
  base::CommandLine command_line;
  // The task's own name; see GetScheduledTaskName for the registered one.
  std::wstring name;
  std::wstring description;
  uint32_t account = kCurrentUser;
  // Seconds; 0 means no limit.
  uint32_t max_run_time = 0;
  uint32_t trigger_kind = kDaily;
  // Also start after logon (current user) or after boot (SYSTEM); ignored
  // for kRunOnceNow.
  bool at_logon = false;
  // Start only when a network is available; Task Scheduler 2.0 only.
  bool network_only = false;
};

// What the scheduler knows of a task.
enum ScheduledTaskState : uint32_t {
  SCHEDULED_TASK_NOT_FOUND = 0,
  SCHEDULED_TASK_DISABLED = 1,
  SCHEDULED_TASK_UNDETERMINED = 2,
  SCHEDULED_TASK_READY = 3,
  SCHEDULED_TASK_RUNNING = 4,
  SCHEDULED_TASK_NO_MORE_RUNS = 5,
};

// The name a task called |name| is registered under: the product name,
// " scheduled " and |name|.
std::wstring GetScheduledTaskName(base::StringPiece16 name);

// Whether a name the scheduler lists is one that GetScheduledTaskName gives
// for some non-empty task name. Task Scheduler 1.0 lists its work items as
// files; a trailing ".job" is not part of the name. Other products' tasks
// never match, whatever their program.
bool IsProductScheduledTaskName(base::StringPiece16 registered_name);

// |registered_name| without a trailing ".job" (any case).
std::wstring StripJobFileExtension(base::StringPiece16 registered_name);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SCHEDULED_TASK_H_
