#include "desktop/windows/installer/service/task_definition.h"

#include <objbase.h>
#include <wrl/client.h>

#include <set>
#include <utility>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/service/task_scheduler_v2.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using base::win::ScopedBstr;
using Microsoft::WRL::ComPtr;

TaskEnvironment MakeEnvironment(bool is_admin) {
  TaskEnvironment environment;
  environment.user_name = L"HOST\\ana";
  // A minute before the new year: the run-once lead crosses every boundary.
  environment.now = {2024, 12, 2, 31, 23, 59, 45, 0};
  environment.is_admin = is_admin;
  environment.logon_delay_minutes = 5;
  return environment;
}

ScheduledTask MakeTask(uint32_t kind, uint32_t account, bool at_logon) {
  base::CommandLine command_line(base::FilePath(L"C:\\Velto\\launcher.exe"));
  command_line.AppendSwitch("scheduledautoupdate");
  ScheduledTask task(command_line);
  task.name = L"Autoupdate 7";
  task.description = L"Keeps Velto up to date.";
  task.trigger_kind = kind;
  task.account = account;
  task.at_logon = at_logon;
  task.max_run_time = 3600;
  task.network_only = true;
  return task;
}

std::wstring TriggerSummary(const TaskDefinition& definition) {
  std::wstring summary;
  for (const TaskTriggerDefinition& trigger : definition.triggers) {
    summary += std::to_wstring(trigger.type) + L":" + trigger.id + L"[" +
               trigger.start_boundary + L"|" + trigger.end_boundary + L"|" +
               std::to_wstring(trigger.days_interval) + L"|" + trigger.delay +
               L"|" + trigger.user_id + L"] ";
  }
  return summary;
}

TEST(TaskDefinitionTest, DescribesEachVariantAndTheAutoupdateTask) {
  struct Case {
    uint32_t kind, account;
    bool at_logon;
    const wchar_t* triggers;
  } cases[] = {
      // The registration trigger starts it; half a minute later it expires.
      {0, 0, true, L"7:Run once[|2025-01-01T00:00:15|0||] "},
      {1, 0, false, L"2:Daily run[2024-12-31T23:59:45||1||] "},
      {1, 0, true,
       L"2:Daily run[2024-12-31T23:59:45||1||] "
       L"9:Logon run[2024-12-31T23:59:45||0|PT5M|HOST\\ana] "},
      {1, 1, true,
       L"2:Daily run[2024-12-31T23:59:45||1||] "
       L"8:Logon run[2024-12-31T23:59:45||0|PT5M|] "},
      {2, 0, false, L""},
      {2, 1, true, L"8:Logon run[2024-12-31T23:59:45||0|PT5M|] "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " account "
                                    << c.account << " logon " << c.at_logon);
    const TaskDefinition definition = DescribeTask(
        MakeTask(c.kind, c.account, c.at_logon), MakeEnvironment(false));
    EXPECT_EQ(c.triggers, TriggerSummary(definition));
    EXPECT_EQ(L"Velto scheduled Autoupdate 7", definition.name);
    EXPECT_EQ(L"HOST\\ana", definition.author);
    EXPECT_EQ(L"PT3600S", definition.execution_time_limit);
    // A run still going when the next is due is left to finish alone.
    EXPECT_EQ(TASK_INSTANCES_IGNORE_NEW, definition.multiple_instances);
    EXPECT_TRUE(definition.run_only_if_network_available);
    EXPECT_EQ(c.kind == 0 ? L"PT0S" : L"",
              definition.delete_expired_task_after);
    EXPECT_EQ(c.kind == 0, definition.delete_after_registration);
    EXPECT_EQ(L"C:\\Velto\\launcher.exe", definition.program);
    EXPECT_EQ(L"--scheduledautoupdate", definition.arguments);
    EXPECT_FALSE(definition.run_level_highest);
    EXPECT_EQ(TASK_CREATE_OR_UPDATE, definition.creation);
    const bool system = c.account == ScheduledTask::kSystem;
    EXPECT_EQ(system ? L"SYSTEM" : L"HOST\\ana", definition.user_id);
    EXPECT_EQ(system ? TASK_LOGON_SERVICE_ACCOUNT
                     : TASK_LOGON_INTERACTIVE_TOKEN,
              definition.logon_type);
    EXPECT_EQ(system ? L"D:(A;;GRGX;;;AU)" : L"",
              definition.security_descriptor);
  }

  ScheduledTask unlimited = MakeTask(1, 0, false);
  unlimited.max_run_time = 0;
  unlimited.network_only = false;
  const TaskDefinition definition =
      DescribeTask(unlimited, MakeEnvironment(true));
  EXPECT_EQ(L"PT0S", definition.execution_time_limit);
  EXPECT_FALSE(definition.run_only_if_network_available);
  EXPECT_TRUE(definition.run_level_highest);

  // The installer's autoupdate task, without and with its schedule.
  const base::FilePath folder(L"C:\\Program Files\\Velto");
  const TaskDefinition unscheduled = DescribeTask(
      MakeAutoupdateTask(folder, L"42", false, false), MakeEnvironment(false));
  EXPECT_TRUE(unscheduled.triggers.empty());
  EXPECT_EQ(L"Velto scheduled Autoupdate 42", unscheduled.name);
  EXPECT_EQ(L"C:\\Program Files\\Velto\\launcher.exe", unscheduled.program);
  EXPECT_EQ(L"--scheduledautoupdate $(Arg0)", unscheduled.arguments);
  EXPECT_EQ(L"PT3600S", unscheduled.execution_time_limit);
  EXPECT_TRUE(unscheduled.run_only_if_network_available);
  EXPECT_EQ(L"HOST\\ana", unscheduled.user_id);
  EXPECT_EQ(L"", unscheduled.delete_expired_task_after);
  // For all users: the system's, daily and at start-up.
  const TaskDefinition all_users = DescribeTask(
      MakeAutoupdateTask(folder, L"42", true, true), MakeEnvironment(false));
  EXPECT_EQ(L"SYSTEM", all_users.user_id);
  EXPECT_EQ(L"2:Daily run[2024-12-31T23:59:45||1||] "
            L"8:Logon run[2024-12-31T23:59:45||0|PT5M|] ",
            TriggerSummary(all_users));
}

// The definition's name is GetScheduledTaskName's (checked above).
TEST(ScheduledTaskTest, ProductTaskNames) {
  // Each name and whether it is one of ours.
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"Velto scheduled Autoupdate 7", true},
      // Task Scheduler 1.0 lists its work items as files.
      {L"Velto scheduled Autoupdate 7.job", true},
      {L"Velto scheduled Autoupdate 7.JOB", true},
      {L"Velto scheduled ", false},
      {L"Velto scheduled .job", false},
      {L"XVelto scheduled Autoupdate 7", false},
      {L"velto scheduled Autoupdate 7", false},
      {L"Velto scheduledAutoupdate 7", false},
  };
  for (const auto& [name, ours] : cases)
    EXPECT_EQ(ours, IsProductScheduledTaskName(name)) << name;
  EXPECT_EQ(L"a.job", StripJobFileExtension(L"a.job.job"));
  EXPECT_EQ(L"", StripJobFileExtension(L".job"));
}

// The applier against the real Task Scheduler 2.0, as far as it goes here.
class TaskDefinitionRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    com_initialized_ =
        SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_TaskScheduler, nullptr,
                                             CLSCTX_INPROC_SERVER,
                                             IID_PPV_ARGS(&service_))));
    const base::win::ScopedVariant empty;
    ASSERT_TRUE(SUCCEEDED(
        service_->Connect(empty.get(), empty.get(), empty.get(), empty.get())));
    ASSERT_TRUE(
        SUCCEEDED(service_->GetFolder(ScopedBstr(L"\\").Get(), &folder_)));
    task_name_ = L"definition test " + std::to_wstring(::GetCurrentProcessId());
    name_ = GetScheduledTaskName(task_name_);
  }
  void TearDown() override {
    if (folder_) folder_->DeleteTask(ScopedBstr(name_.c_str()).Get(), 0);
    folder_.Reset();
    service_.Reset();
    if (com_initialized_) ::CoUninitialize();
  }

  // Whether this scheduler can make a trigger of |type| with an id.
  bool CanMakeTrigger(TASK_TRIGGER_TYPE2 type) {
    ComPtr<ITaskDefinition> task;
    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    return SUCCEEDED(service_->NewTask(0, &task)) &&
           SUCCEEDED(task->get_Triggers(&triggers)) &&
           triggers->Create(type, &trigger) != E_NOTIMPL &&
           trigger->put_Id(ScopedBstr(L"id").Get()) != E_NOTIMPL;
  }

  bool com_initialized_ = false;
  ComPtr<ITaskService> service_;
  ComPtr<ITaskFolder> folder_;
  std::wstring task_name_;
  std::wstring name_;  // Registered.
};

// Registered, replaced, then handled by TaskSchedulerV2 in the form every
// Task Scheduler 2.0 registers (no triggers, no run level).
TEST_F(TaskDefinitionRegistrationTest, RegistersReplacesAndSchedulerV2Handles) {
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Init());
  EXPECT_TRUE(scheduler.GetLastRunTime(task_name_).is_null());
  TaskDefinition definition =
      DescribeTask(MakeTask(2, 0, false), MakeEnvironment(false));
  definition.name = name_;
  TaskEnvironment real;
  ASSERT_TRUE(ReadTaskEnvironment(&real));
  EXPECT_EQ(5, real.logon_delay_minutes);  // The standard product settings.
  definition.user_id = real.user_name;
  ASSERT_TRUE(
      RegisterTaskDefinition(service_.Get(), folder_.Get(), definition));
  definition.description = L"Second";
  ASSERT_TRUE(
      RegisterTaskDefinition(service_.Get(), folder_.Get(), definition));

  ComPtr<IRegisteredTask> registered;
  ComPtr<ITaskDefinition> read;
  ComPtr<IRegistrationInfo> info;
  ComPtr<ITaskSettings> settings;
  ASSERT_TRUE(SUCCEEDED(
      folder_->GetTask(ScopedBstr(name_.c_str()).Get(), &registered)));
  ASSERT_TRUE(SUCCEEDED(registered->get_Definition(&read)) &&
              SUCCEEDED(read->get_RegistrationInfo(&info)) &&
              SUCCEEDED(read->get_Settings(&settings)));
  ScopedBstr text;
  ASSERT_TRUE(SUCCEEDED(info->get_Description(text.Receive())));
  EXPECT_STREQ(L"Second", text.Get());
  ASSERT_TRUE(SUCCEEDED(info->get_Author(text.Receive())));
  EXPECT_STREQ(L"HOST\\ana", text.Get());
  // The settings every task of the product gets.
  VARIANT_BOOL flag = VARIANT_FALSE;
  ASSERT_TRUE(SUCCEEDED(settings->get_RunOnlyIfNetworkAvailable(&flag)));
  EXPECT_EQ(VARIANT_TRUE, flag);
  ASSERT_TRUE(SUCCEEDED(settings->get_StartWhenAvailable(&flag)));
  EXPECT_EQ(VARIANT_TRUE, flag);
  ASSERT_TRUE(SUCCEEDED(settings->get_StopIfGoingOnBatteries(&flag)));
  EXPECT_EQ(VARIANT_FALSE, flag);
  ASSERT_TRUE(SUCCEEDED(settings->get_DisallowStartIfOnBatteries(&flag)));
  EXPECT_EQ(VARIANT_FALSE, flag);
  TASK_INSTANCES_POLICY instances = TASK_INSTANCES_PARALLEL;
  ASSERT_TRUE(SUCCEEDED(settings->get_MultipleInstances(&instances)));
  EXPECT_EQ(TASK_INSTANCES_IGNORE_NEW, instances);
  ASSERT_TRUE(SUCCEEDED(settings->get_ExecutionTimeLimit(text.Receive())));
  EXPECT_STREQ(L"PT3600S", text.Get());
  // The one action runs the program with its arguments.
  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  LONG count = 0;
  // Wine lists no collection items.
  if (SUCCEEDED(read->get_Actions(&actions)) &&
      SUCCEEDED(actions->get_Count(&count)) && count == 1 &&
      SUCCEEDED(actions->get_Item(1, &action)) && SUCCEEDED(action.As(&exec))) {
    ASSERT_TRUE(SUCCEEDED(exec->get_Path(text.Receive())));
    EXPECT_STREQ(L"C:\\Velto\\launcher.exe", text.Get());
    ASSERT_TRUE(SUCCEEDED(exec->get_Arguments(text.Receive())));
    EXPECT_STREQ(L"--scheduledautoupdate", text.Get());
  }

  // Wine reports no state (undetermined) and never a last run, and keeps no
  // Enabled change: these must only leave the task in place.
  scheduler.SetEnabled(task_name_, false);
  scheduler.SetEnabled(task_name_, true);
  scheduler.SetDailyInterval(task_name_, 3);
  EXPECT_NE(SCHEDULED_TASK_NOT_FOUND, scheduler.GetState(task_name_));
  EXPECT_TRUE(scheduler.GetLastRunTime(task_name_).is_null());
  scheduler.DeleteTask(task_name_);
  EXPECT_EQ(SCHEDULED_TASK_NOT_FOUND, scheduler.GetState(task_name_));

  // A run-once task is gone right after its registration.
  definition.delete_after_registration = true;
  ASSERT_TRUE(
      RegisterTaskDefinition(service_.Get(), folder_.Get(), definition));
  registered.Reset();
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
            folder_->GetTask(ScopedBstr(name_.c_str()).Get(), &registered));
}

TEST_F(TaskDefinitionRegistrationTest, RegistersEveryTriggerKind) {
  TaskEnvironment environment;
  ASSERT_TRUE(ReadTaskEnvironment(&environment));
  environment.is_admin = false;
  std::set<TASK_TRIGGER_TYPE2> unsupported;
  const struct {
    uint32_t kind, account;
    bool at_logon;
  } cases[] = {{1, 0, false}, {0, 0, false}, {1, 0, true}, {1, 1, true}};
  for (const auto& c : cases) {
    TaskDefinition definition =
        DescribeTask(MakeTask(c.kind, c.account, c.at_logon), environment);
    definition.name = name_;
    bool supported = true;
    for (const TaskTriggerDefinition& trigger : definition.triggers) {
      if (!CanMakeTrigger(trigger.type)) {
        unsupported.insert(trigger.type);
        supported = false;
      }
    }
    if (supported) {
      EXPECT_TRUE(
          RegisterTaskDefinition(service_.Get(), folder_.Get(), definition))
          << "kind " << c.kind << " account " << c.account;
    }
  }
  if (!unsupported.empty()) {
    GTEST_SKIP() << "This Task Scheduler 2.0 cannot make triggers of types "
                 << testing::PrintToString(unsupported);
  }
}

}  // namespace
}  // namespace installer
