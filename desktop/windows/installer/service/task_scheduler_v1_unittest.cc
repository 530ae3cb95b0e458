#include "desktop/windows/installer/service/task_scheduler_v1.h"

#include <objbase.h>

#include <memory>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/strings/string_util.h"
#include "base/time/time.h"
#include "base/win/scoped_memory.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/task_definition.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/service/task_scheduler_v2.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/utils.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using Microsoft::WRL::ComPtr;

// Task Scheduler 1.0 for real: the work items land in the system's task
// folder, under names unique to this process.
class TaskSchedulerV1Test : public testing::Test {
 protected:
  void SetUp() override {
    com_initialized_ =
        SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ASSERT_TRUE(scheduler_.Init());
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(
        CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
        reinterpret_cast<void**>(raw_.GetAddressOf()))));
    wchar_t system[MAX_PATH];
    ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH));
    system_ = system;
    prefix_ = L"v1 test " + std::to_wstring(::GetCurrentProcessId()) + L" ";
  }
  void TearDown() override {
    // A scheduler that records a run's end in the work item would bring a
    // deleted item back.
    for (const std::wstring& name : created_) {
      WaitFor([&] {
        HRESULT status = S_OK;
        ComPtr<ITask> task = Activate(name);
        return !task || FAILED(task->GetStatus(&status)) ||
               status != SCHED_S_TASK_RUNNING;
      });
      raw_->Delete(name.c_str());
    }
    raw_.Reset();
    if (com_initialized_) ::CoUninitialize();
  }

  // A task of |kind| that runs |program|, registered under a unique name.
  ScheduledTask Create(const std::wstring& program, uint32_t kind,
                       bool at_logon, uint32_t account = 0) {
    base::CommandLine command_line{base::FilePath(program)};
    // Ends at once when the program is cmd.exe.
    command_line.AppendArg("/c");
    command_line.AppendArg("exit");
    ScheduledTask task(command_line);
    task.name = prefix_ + std::to_wstring(created_.size());
    task.description = L"test";
    task.account = account;
    task.trigger_kind = kind;
    task.at_logon = at_logon;
    task.max_run_time = 60;
    created_.push_back(GetScheduledTaskName(task.name));
    EXPECT_TRUE(scheduler_.CreateTask(task));
    return task;
  }

  ComPtr<ITask> Activate(const std::wstring& full_name) {
    ComPtr<ITask> task;
    raw_->Activate(full_name.c_str(), IID_ITask,
                   reinterpret_cast<IUnknown**>(task.GetAddressOf()));
    return task;
  }

  std::vector<TASK_TRIGGER> Triggers(const std::wstring& name) {
    std::vector<TASK_TRIGGER> triggers;
    ComPtr<ITask> task = Activate(GetScheduledTaskName(name));
    WORD count = 0;
    if (!task || FAILED(task->GetTriggerCount(&count))) return triggers;
    for (WORD i = 0; i < count; ++i) {
      ComPtr<ITaskTrigger> trigger;
      TASK_TRIGGER fields = {};
      fields.cbTriggerSize = sizeof(fields);
      if (SUCCEEDED(task->GetTrigger(i, &trigger)))
        trigger->GetTrigger(&fields);
      triggers.push_back(fields);
    }
    return triggers;
  }

  // Wine's scheduler starts a program only in a working directory given to
  // the task; Windows needs none.
  void SetWorkingDirectory(const std::wstring& name) {
    ComPtr<ITask> task = Activate(GetScheduledTaskName(name));
    ComPtr<IPersistFile> file;
    if (task && SUCCEEDED(task->SetWorkingDirectory(system_.c_str())) &&
        SUCCEEDED(task.As(&file))) {
      file->Save(nullptr, TRUE);
    }
  }

  // Waits up to 10 s for |done|.
  template <typename Predicate>
  static bool WaitFor(Predicate done) {
    for (int i = 0; i < 100; ++i) {
      if (done()) return true;
      ::Sleep(100);
    }
    return false;
  }

  bool com_initialized_ = false;
  TaskSchedulerV1 scheduler_;
  ComPtr<ITaskScheduler> raw_;
  std::wstring system_;
  std::wstring prefix_;
  std::vector<std::wstring> created_;
};

TEST_F(TaskSchedulerV1Test, CreateReplaceConfigureDelete) {
  ScheduledTask replaced =
      Create(L"C:\\nowhere\\launcher.exe", ScheduledTask::kDaily, true);
  const std::wstring name = replaced.name;
  DWORD max_run_time = 0;
  ASSERT_TRUE(SUCCEEDED(
      Activate(GetScheduledTaskName(name))->GetMaxRunTime(&max_run_time)));
  EXPECT_EQ(60000u, max_run_time);  // Milliseconds.
  // Created again under the same name: replaced, triggers not doubled.
  replaced.description = L"replaced";
  replaced.max_run_time = 0;
  ASSERT_TRUE(scheduler_.CreateTask(replaced));
  ComPtr<ITask> task = Activate(GetScheduledTaskName(name));
  ASSERT_TRUE(task);
  base::win::ScopedCoTaskMemory<wchar_t> text;
  ASSERT_TRUE(SUCCEEDED(task->GetComment(text.Receive())));
  EXPECT_STREQ(L"replaced", text.Get());
  ASSERT_TRUE(SUCCEEDED(task->GetParameters(text.Receive())));
  EXPECT_STREQ(L"/c exit", text.Get());
  // The creator is the user who made the task.
  std::wstring user_name;
  ASSERT_TRUE(GetUserNameWithFormat(&user_name, NameSamCompatible));
  ASSERT_TRUE(SUCCEEDED(task->GetCreator(text.Receive())));
  EXPECT_EQ(user_name, text.Get());
  ASSERT_TRUE(SUCCEEDED(task->GetMaxRunTime(&max_run_time)));
  EXPECT_EQ(INFINITE, max_run_time);

  std::vector<TASK_TRIGGER> triggers = Triggers(name);
  ASSERT_EQ(2u, triggers.size());
  EXPECT_EQ(TASK_TIME_TRIGGER_DAILY, triggers[0].TriggerType);
  EXPECT_EQ(1, triggers[0].Type.Daily.DaysInterval);
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, triggers[1].TriggerType);
  EXPECT_EQ(SCHEDULED_TASK_READY, scheduler_.GetState(name));
  EXPECT_TRUE(scheduler_.GetLastRunTime(name).is_null());

  scheduler_.SetDailyInterval(name, 3);
  EXPECT_EQ(3, Triggers(name)[0].Type.Daily.DaysInterval);

  scheduler_.SetEnabled(name, false);
  EXPECT_EQ(SCHEDULED_TASK_DISABLED, scheduler_.GetState(name));
  scheduler_.SetEnabled(name, true);
  EXPECT_EQ(SCHEDULED_TASK_READY, scheduler_.GetState(name));
  DWORD flags = 0;
  ASSERT_TRUE(
      SUCCEEDED(Activate(GetScheduledTaskName(name))->GetFlags(&flags)));
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON), flags);

  scheduler_.DeleteTask(name);
  EXPECT_EQ(SCHEDULED_TASK_NOT_FOUND, scheduler_.GetState(name));
}

TEST_F(TaskSchedulerV1Test, RunOnceLeavesNothingAndRunsAreDated) {
  const std::wstring program = system_ + L"\\cmd.exe";
  const base::Time before = base::Time::Now();
  const std::wstring daily = Create(program, ScheduledTask::kDaily, false).name;
  SetWorkingDirectory(daily);
  ASSERT_TRUE(scheduler_.Run(daily, {}));
  if (!WaitFor([&] { return !scheduler_.GetLastRunTime(daily).is_null(); })) {
    GTEST_SKIP() << "This Task Scheduler 1.0 accepts Run but never starts "
                    "the program";
  }
  // The scheduler reports local time; read as UTC it would be off by the
  // zone's offset. It keeps whole seconds.
  const base::Time last_run = scheduler_.GetLastRunTime(daily);
  EXPECT_LE((before - last_run).InSeconds(), 1);
  EXPECT_LE((last_run - base::Time::Now()).InSeconds(), 1);

  // Started at its creation, a run-once task deletes itself when done. (A
  // scheduler that could not start it then gets a second chance.)
  const std::wstring once =
      Create(program, ScheduledTask::kRunOnceNow, true).name;
  SetWorkingDirectory(once);
  scheduler_.Run(once, {});
  if (!WaitFor([&] {
        return scheduler_.GetState(once) == SCHEDULED_TASK_NOT_FOUND;
      })) {
    DWORD flags = 0;
    ASSERT_TRUE(
        SUCCEEDED(Activate(GetScheduledTaskName(once))->GetFlags(&flags)));
    EXPECT_TRUE(flags & TASK_FLAG_DELETE_WHEN_DONE);
    // A busy machine may not have started it yet; either way this
    // scheduler leaves it behind.
    GTEST_SKIP() << "This Task Scheduler 1.0 does not delete a run-once "
                    "task when done (ran: "
                 << !scheduler_.GetLastRunTime(once).is_null() << ")";
  }
}

// Task Scheduler 2.0 from Vista on; before it only 1.0 exists.
TEST(TaskSchedulerTest, CreatePicksTheGenerationByRelease) {
  for (base::win::WindowsVersion release :
       {base::win::VERSION_SERVER_2003, base::win::VERSION_VISTA,
        base::win::VERSION_WIN10_TH2}) {
    base::win::WindowsVersionInfo info;
    info.version = release;
    base::win::internal::ScopedWindowsVersionForTesting pinned(info);
    const std::unique_ptr<TaskScheduler> scheduler = TaskScheduler::Create();
    EXPECT_EQ(release >= base::win::VERSION_VISTA,
              dynamic_cast<TaskSchedulerV2*>(scheduler.get()) != nullptr)
        << release;
  }
}

constexpr wchar_t kZoneChildVariable[] = L"VELTO_TASK_ZONE_CHILD";
// 5:45 ahead of UTC all year, so a wrong hour or minute shows.
constexpr wchar_t kZone[] = L"Asia/Kathmandu";

int64_t SecondsFromNow(const SYSTEMTIME& local) {
  const int64_t seconds =
      (base::Time::Now() - internal::LocalSystemTimeToTime(local)).InSeconds();
  return seconds < 0 ? -seconds : seconds;
}

// The calendar fields the scheduler gets and gives are local time.
TEST_F(TaskSchedulerV1Test, LocalTimesInTheChildsZone) {
  if (!::GetEnvironmentVariableW(kZoneChildVariable, nullptr, 0))
    GTEST_SKIP() << "Runs in the child started by LocalTimesFollowTheZone";
  TIME_ZONE_INFORMATION zone;
  ::GetTimeZoneInformation(&zone);
  ASSERT_EQ(-345, zone.Bias);

  SYSTEMTIME local;
  ::GetLocalTime(&local);
  EXPECT_LE(SecondsFromNow(local), 2);
  // The times of Task Scheduler 2.0's triggers.
  TaskEnvironment environment;
  ASSERT_TRUE(ReadTaskEnvironment(&environment));
  EXPECT_LE(SecondsFromNow(environment.now), 2);
  // A Task Scheduler 1.0 trigger starts at the current minute.
  const std::wstring name =
      Create(L"C:\\nowhere\\launcher.exe", ScheduledTask::kDaily, false).name;
  const TASK_TRIGGER trigger = Triggers(name).at(0);
  const SYSTEMTIME start = {
      trigger.wBeginYear, trigger.wBeginMonth, 0,
      trigger.wBeginDay,  trigger.wStartHour,  trigger.wStartMinute};
  EXPECT_LE(SecondsFromNow(start), 62);
}

TEST(TaskSchedulerLocalTimeTest, LocalTimesFollowTheZone) {
  // A failed read leaves zeros, which are no time. (Which dates base refuses
  // is base's to show.)
  EXPECT_TRUE(internal::LocalSystemTimeToTime(SYSTEMTIME{}).is_null());
  // Valid times are read as local time, in a zone other than UTC, by the
  // child.
  if (!testing_support::HasUnixShell())
    GTEST_SKIP() << "Needs Wine, whose time zone follows TZ";
  EXPECT_TRUE(testing_support::RunSelfInTimeZone(
      kZone, L"TaskSchedulerV1Test.LocalTimesInTheChildsZone",
      kZoneChildVariable));
}

TEST_F(TaskSchedulerV1Test, RemoveStaleTasksTouchesOnlyOwnTasks) {
  testing_support::ScopedTestFolder folder;
  const std::wstring gone = folder.path() + L"\\gone.exe";
  const std::wstring kept = folder.path() + L"\\kept.exe";
  ASSERT_TRUE(testing_support::WriteFileForTest(gone, "x"));
  ASSERT_TRUE(testing_support::WriteFileForTest(kept, "x"));
  const std::wstring stale = Create(gone, ScheduledTask::kDaily, false).name;
  const std::wstring disabled = Create(gone, ScheduledTask::kDaily, false).name;
  const std::wstring live =
      Create(kept, ScheduledTask::kNoTimeTrigger, false).name;
  scheduler_.SetEnabled(disabled, false);

  // Another product's task with a missing program, made directly.
  const std::wstring foreign = L"Other scheduled " + prefix_;
  created_.push_back(foreign);
  ComPtr<ITask> other;
  ASSERT_TRUE(SUCCEEDED(
      raw_->NewWorkItem(foreign.c_str(), CLSID_CTask, IID_ITask,
                        reinterpret_cast<IUnknown**>(other.GetAddressOf()))));
  ASSERT_TRUE(SUCCEEDED(other->SetApplicationName(gone.c_str())));
  ComPtr<IPersistFile> file;
  ASSERT_TRUE(SUCCEEDED(other.As(&file)) &&
              SUCCEEDED(file->Save(nullptr, TRUE)));

  ASSERT_TRUE(::DeleteFileW(gone.c_str()));
  scheduler_.RemoveStaleTasks();
  EXPECT_EQ(SCHEDULED_TASK_NOT_FOUND, scheduler_.GetState(stale));
  EXPECT_EQ(SCHEDULED_TASK_DISABLED, scheduler_.GetState(disabled));
  EXPECT_NE(SCHEDULED_TASK_NOT_FOUND, scheduler_.GetState(live));
  EXPECT_TRUE(Activate(foreign));
}

// Wine keeps no entries in a file's list, so the grant's target is watched
// through the descriptor seam.
std::vector<std::wstring> g_granted;

DWORD WINAPI RecordSetSecurity(LPWSTR name, SE_OBJECT_TYPE,
                               SECURITY_INFORMATION, PSID, PSID, PACL, PACL) {
  g_granted.push_back(name);
  return ERROR_SUCCESS;
}

TEST_F(TaskSchedulerV1Test, OnlyRepeatingSystemTasksAreMadeReadable) {
  g_granted.clear();
  internal::ScopedSecurityInfoFunctionsForTesting seam(
      {&::GetNamedSecurityInfoW, &RecordSetSecurity});
  const std::wstring program = L"C:\\nowhere\\launcher.exe";
  Create(program, ScheduledTask::kDaily, true, ScheduledTask::kCurrentUser);
  const std::wstring once =
      Create(program, ScheduledTask::kRunOnceNow, true, ScheduledTask::kSystem)
          .name;
  EXPECT_TRUE(g_granted.empty());
  const std::wstring name = Create(program, ScheduledTask::kNoTimeTrigger, true,
                                   ScheduledTask::kSystem)
                                .name;
  ASSERT_EQ(1u, g_granted.size());
  const std::wstring job = L"\\" + GetScheduledTaskName(name) + L".job";
  EXPECT_TRUE(base::EndsWith(g_granted[0], job, base::CompareCase::SENSITIVE))
      << g_granted[0];

  // A task with no time trigger keeps the scheduler's default trigger beside
  // its logon one; a run-once task starts once and never at logon.
  std::vector<TASK_TRIGGER> triggers = Triggers(name);
  ASSERT_EQ(2u, triggers.size());
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, triggers[1].TriggerType);
  // (A scheduler that ran it may have deleted it already.)
  if (Activate(GetScheduledTaskName(once))) {
    triggers = Triggers(once);
    ASSERT_EQ(1u, triggers.size());
    EXPECT_EQ(TASK_TIME_TRIGGER_ONCE, triggers[0].TriggerType);
  }
}

}  // namespace
}  // namespace installer
