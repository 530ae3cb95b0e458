#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/at_exit.h"
#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/message_loop/message_pump_default.h"
#include "base/message_loop/message_pump_win.h"
#include "base/message_loop/message_window.h"
#include "base/metrics/histogram_test_util.h"
#include "base/run_loop.h"
#include "base/win/wrapped_window_proc.h"
#include "testing/child_process.h"

namespace base {
namespace {

using test::Fn;

constexpr char kProblemHistogram[] = "Quarle.MessageLoopProblem";

// Runs |on_work| at the first DoWork; has nothing else to do. Counts the
// calls.
class FakeDelegate : public MessagePump::Delegate {
 public:
  bool DoWork() override {
    ++work_calls;
    if (std::function<void()> work = std::exchange(on_work, nullptr)) work();
    return false;
  }
  bool DoDelayedWork(TimeTicks* next) override {
    ++delayed_work_calls;
    *next = TimeTicks();
    return false;
  }
  bool DoIdleWork() override {
    ++idle_work_calls;
    return false;
  }
  std::function<void()> on_work;
  int work_calls = 0;
  int delayed_work_calls = 0;
  int idle_work_calls = 0;
};

// A Quit before Run is not lost: that Run does its first DoWork and returns
// without waiting.
TEST(MessagePumpDefaultTest, QuitBeforeRunDoesOneDoWork) {
  MessagePumpDefault pump;
  FakeDelegate delegate;
  pump.Quit();
  pump.Run(&delegate);
  EXPECT_EQ(1, delegate.work_calls);
  EXPECT_EQ(0, delegate.delayed_work_calls);
  EXPECT_EQ(0, delegate.idle_work_calls);
}

// Takes the wake-up messages waiting for |pump|'s window and counts them, so
// that none is left for a later test's loop.
int TakeWakeUpMessages(const MessagePumpForUI& pump) {
  int taken = 0;
  MSG message;
  while (::PeekMessageW(&message, pump.message_hwnd(),
                        MessagePumpForUI::kMsgHaveWork,
                        MessagePumpForUI::kMsgHaveWork, PM_REMOVE)) {
    ++taken;
  }
  return taken;
}

// The calls the pumps make through the seam, and what they answer.
struct FakeApi {
  static BOOL WINAPI PostMessage(HWND hwnd, UINT message, WPARAM wparam,
                                 LPARAM lparam) {
    ++posts;
    if (fail) return ::SetLastError(ERROR_NOT_ENOUGH_QUOTA), FALSE;
    return ::PostMessageW(hwnd, message, wparam, lparam);
  }
  static UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse,
                                  TIMERPROC proc) {
    timer_elapses.push_back(elapse);
    if (fail_timer) return ::SetLastError(ERROR_NOT_ENOUGH_QUOTA), 0;
    return ::SetTimer(hwnd, id, elapse, proc);
  }
  static BOOL WINAPI PostQueuedCompletionStatus(HANDLE port, DWORD bytes,
                                                ULONG_PTR key,
                                                OVERLAPPED* overlapped) {
    ++posts;
    if (fail) return ::SetLastError(ERROR_NOT_ENOUGH_MEMORY), FALSE;
    return ::PostQueuedCompletionStatus(port, bytes, key, overlapped);
  }
  static inline int posts = 0;
  static inline bool fail = false;
  static inline bool fail_timer = false;
  static inline std::vector<UINT> timer_elapses;
};

const internal::MessagePumpWinApi kFakeApi = {
    &FakeApi::PostMessage, &FakeApi::SetTimer,
    &FakeApi::PostQueuedCompletionStatus};

class MessagePumpWinTest : public testing::Test {
 protected:
  void SetUp() override {
    FakeApi::posts = 0;
    FakeApi::fail = false;
    FakeApi::fail_timer = false;
    FakeApi::timer_elapses.clear();
  }

  internal::ScopedMessagePumpWinApiForTesting fake_api_{&kFakeApi};
};

// A failed wake-up is counted, and the next ScheduleWork tries again; while
// a wake-up is in flight, no other is posted.
TEST_F(MessagePumpWinTest, FailedWakeUpIsCountedAndRetried) {
  for (int problem : {0, 1}) {
    SCOPED_TRACE(problem == 0 ? "UI pump" : "IO pump");
    std::unique_ptr<MessagePumpWin> pump(
        problem == 0 ? static_cast<MessagePumpWin*>(new MessagePumpForUI)
                     : new MessagePumpForIO);
    int64_t before = GetHistogramSampleCount(kProblemHistogram, problem);
    FakeApi::posts = 0;
    FakeApi::fail = true;
    FakeDelegate delegate;
    delegate.on_work = [&] {
      pump->ScheduleWork();
      pump->ScheduleWork();
      EXPECT_EQ(2, pump->schedule_work_error_count());
      pump->Quit();
    };
    pump->Run(&delegate);
    FakeApi::fail = false;
    EXPECT_EQ(2, FakeApi::posts);
    EXPECT_EQ(before + 2, GetHistogramSampleCount(kProblemHistogram, problem));
    // With posts working again, one wake-up goes out.
    pump->ScheduleWork();
    pump->ScheduleWork();
    EXPECT_EQ(3, FakeApi::posts);
    if (problem == 0) {
      auto* ui_pump = static_cast<MessagePumpForUI*>(pump.get());
      EXPECT_EQ(1, TakeWakeUpMessages(*ui_pump));
    }
  }
}

// Our message number posted to the pump's window by someone else is one
// more wake-up beside the pump's own: the pump takes both and runs on, and
// its next ScheduleWork posts again.
TEST_F(MessagePumpWinTest, UiPumpAbsorbsAStrayWakeUpMessage) {
  MessagePumpForUI pump;
  FakeDelegate delegate;
  delegate.on_work = [&] { pump.Quit(); };
  pump.ScheduleWork();
  ASSERT_TRUE(::PostMessageW(pump.message_hwnd(),
                             MessagePumpForUI::kMsgHaveWork, 0, 0));
  pump.Run(&delegate);
  EXPECT_EQ(0, TakeWakeUpMessages(pump));
  pump.ScheduleWork();
  EXPECT_EQ(2, FakeApi::posts);
  EXPECT_EQ(1, TakeWakeUpMessages(pump));
}

// The window timer cannot fire sooner than 10 ms; work due now is a wake-up
// message instead. A failed SetTimer is counted, and the wait's own
// time-out still runs the delayed task.
TEST_F(MessagePumpWinTest, UiTimerIsClampedAndSurvivesSetTimerFailure) {
  {
    MessagePumpForUI pump;
    pump.ScheduleDelayedWork(TimeTicks::Now() + TimeDelta::FromMilliseconds(3));
    EXPECT_EQ(std::vector<UINT>{USER_TIMER_MINIMUM}, FakeApi::timer_elapses);
    EXPECT_EQ(0, FakeApi::posts);
    pump.ScheduleDelayedWork(TimeTicks::Now() - TimeDelta::FromMilliseconds(1));
    EXPECT_EQ(1u, FakeApi::timer_elapses.size());
    EXPECT_EQ(1, FakeApi::posts);
  }

  MessageLoop loop(MessageLoop::TYPE_UI);
  int64_t before = GetHistogramSampleCount(kProblemHistogram, 2);
  FakeApi::fail_timer = true;
  RunLoop run_loop;
  loop.task_runner()->PostDelayedTask(FROM_HERE, run_loop.QuitClosure(),
                                      TimeDelta::FromMilliseconds(30));
  run_loop.Run();
  EXPECT_LT(before, GetHistogramSampleCount(kProblemHistogram, 2));
}

// Answers every message with |action|, and counts them.
struct FixedDispatcher : MessagePumpDispatcher {
  unsigned Dispatch(const MSG&) override {
    ++seen;
    return action;
  }
  unsigned action = 0;
  int seen = 0;
};

// WM_QUIT ends the innermost run and is posted again with its exit code, so
// every outer run ends too. A run's dispatcher decides whether a message is
// dispatched and whether it ends the run; a message behind the one that
// ended it is left to the next run.
TEST(MessagePumpForUITest, QuitMessageAndDispatcherEndRuns) {
  MessageLoop loop(MessageLoop::TYPE_UI);
  test::WindowPoster poster;
  int64_t before = GetHistogramSampleCount(kProblemHistogram, 3);
  bool nested_ended = false;
  poster.Post([&] {
    RunLoop nested;
    loop.task_runner()->PostTask(FROM_HERE, Fn([] { ::PostQuitMessage(7); }));
    nested.Run();
    nested_ended = true;
  });
  RunLoop outer;
  outer.Run();
  EXPECT_TRUE(nested_ended);
  EXPECT_EQ(before + 2, GetHistogramSampleCount(kProblemHistogram, 3));
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, message.wParam);

  const struct {
    unsigned action;
    int dispatched;
    bool quit_by_dispatcher;
  } cases[] = {{1, 0, true}, {2, 2, false}, {3, 1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    FixedDispatcher dispatcher;
    dispatcher.action = c.action;
    RunLoop run_loop(&dispatcher);
    int dispatched = 0;
    bool quit_task_ran = false;
    poster.Post([&] { ++dispatched; });
    poster.Post([&] { ++dispatched; });
    loop.task_runner()->PostTask(FROM_HERE, Fn([&] {
                                   quit_task_ran = true;
                                   run_loop.Quit();
                                 }));
    run_loop.Run();
    EXPECT_EQ(c.dispatched, dispatched);
    EXPECT_EQ(c.quit_by_dispatcher ? 1 : 2, dispatcher.seen);
    EXPECT_EQ(c.quit_by_dispatcher, !quit_task_ran);
    // What a dispatcher's quit left queued: the message, the quit task.
    test::RunUntilIdle();
  }
}

// Runs a foreign modal loop, as a message box or a menu would, until
// |done| or 5 s have passed. (Wine without a display cannot make a message
// box's window; its loop is written out here, woken by a timer.)
void RunModalLoopUntil(const std::function<bool()>& done) {
  UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nullptr);
  TimeTicks deadline = TimeTicks::Now() + TimeDelta::FromSeconds(5);
  MSG message;
  while (!done() && TimeTicks::Now() < deadline &&
         ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::KillTimer(nullptr, timer);
}

// Tasks keep running while a foreign modal loop, started from a window
// message, runs on the UI thread: those posted from inside it, and one
// queued before it, whose wake-up the pump took in place of the message that
// starts the loop.
TEST(MessagePumpForUITest, TasksRunInsideAModalLoop) {
  MessageLoop loop(MessageLoop::TYPE_UI);
  test::WindowPoster poster;
  {
    SCOPED_TRACE("posted from inside the modal loop");
    bool task_ran = false;
    bool delayed_task_ran = false;
    RunLoop run_loop;
    poster.Post([&] {
      loop.task_runner()->PostTask(FROM_HERE, Fn([&] { task_ran = true; }));
      loop.task_runner()->PostDelayedTask(
          FROM_HERE, Fn([&] { delayed_task_ran = true; }),
          TimeDelta::FromMilliseconds(30));
      RunModalLoopUntil([&] { return task_ran && delayed_task_ran; });
      EXPECT_TRUE(task_ran && delayed_task_ran);
      run_loop.Quit();
    });
    run_loop.Run();
  }
  {
    SCOPED_TRACE("queued before the modal loop");
    bool task_ran = false;
    RunLoop run_loop;
    // The task's wake-up is queued ahead of the message.
    loop.task_runner()->PostTask(FROM_HERE, Fn([&] { task_ran = true; }));
    poster.Post([&] {
      RunModalLoopUntil([&] { return task_ran; });
      EXPECT_TRUE(task_ran);
      run_loop.Quit();
    });
    run_loop.Run();
  }
}

// Tasks that keep posting tasks run in batches. What arrives meanwhile, 50
// window messages or I/O completions, and 50 delayed tasks falling due
// together, is served between two batches: the stream runs no task between
// the first and the last of them. A quit from a message or a completion
// ends the run before the next task.
void ExpectTaskStreamYieldsTo(MessageLoop::Type type) {
  MessageLoop loop(type);
  std::unique_ptr<test::OutsideTaskPoster> poster =
      test::MakeOutsideTaskPoster(type);
  constexpr size_t kItems = 50;
  // Far more than the items take to serve in a fair pump.
  constexpr int kStarved = 200000;
  int tasks_run = 0;
  int tasks_at_quit = -1;
  std::vector<int> outside_served_at;
  std::vector<int> delayed_served_at;
  RunLoop run_loop;
  std::function<void()> step = [&] {
    ++tasks_run;
    if (tasks_run == 1) {
      for (size_t i = 0; i < kItems; ++i) {
        poster->Post([&] { outside_served_at.push_back(tasks_run); });
        loop.task_runner()->PostDelayedTask(
            FROM_HERE, Fn([&] { delayed_served_at.push_back(tasks_run); }),
            TimeDelta::FromMilliseconds(1));
      }
      // Every delayed task is due once this task ends.
      ::Sleep(5);
    }
    if (tasks_run > 1 && outside_served_at.size() == kItems &&
        delayed_served_at.size() == kItems && tasks_at_quit < 0) {
      tasks_at_quit = 0;
      poster->Post([&] {
        tasks_at_quit = tasks_run;
        run_loop.Quit();
      });
    }
    if (tasks_run < kStarved) loop.task_runner()->PostTask(FROM_HERE, Fn(step));
  };
  loop.task_runner()->PostTask(FROM_HERE, Fn(step));
  run_loop.Run();
  ASSERT_EQ(kItems, outside_served_at.size());
  ASSERT_EQ(kItems, delayed_served_at.size());
  EXPECT_EQ(0, outside_served_at.back() - outside_served_at.front());
  EXPECT_EQ(0, delayed_served_at.back() - delayed_served_at.front());
  EXPECT_GT(tasks_at_quit, 0);
  EXPECT_LT(tasks_at_quit, kStarved);
  EXPECT_EQ(tasks_at_quit, tasks_run);
}

TEST(MessagePumpBatchTest, TaskStreamYieldsToWindowMessagesAndCompletions) {
  for (MessageLoop::Type type : {MessageLoop::TYPE_UI, MessageLoop::TYPE_IO}) {
    SCOPED_TRACE(type == MessageLoop::TYPE_UI ? "UI pump" : "IO pump");
    ExpectTaskStreamYieldsTo(type);
  }
}

// The filter of the window-procedure wrapper, answering what the case
// asks and recording what it saw.
int g_filter_answer = EXCEPTION_CONTINUE_SEARCH;
DWORD g_filtered_code = 0;

int __cdecl RecordingFilter(EXCEPTION_POINTERS* info) {
  g_filtered_code = info->ExceptionRecord->ExceptionCode;
  return g_filter_answer;
}

TEST(MessageWindowTest, CallbackExceptionsGoToTheWindowProcFilter) {
  constexpr DWORD kCode = 0xE0564C54;
  // A handled exception makes the message's result 0.
  const struct {
    int answer;
    bool resumed;
  } kCases[] = {
      {EXCEPTION_EXECUTE_HANDLER, false},
      {EXCEPTION_CONTINUE_EXECUTION, true},
  };
  bool resumed = false;
  win::MessageWindow window;
  ASSERT_TRUE(window.Create(Bind(
      [](bool* resumed, UINT message, WPARAM, LPARAM, LRESULT* result) {
        if (message != WM_APP) return false;
        ::RaiseException(kCode, 0, 0, nullptr);
        *resumed = true;
        *result = 7;
        return true;
      },
      &resumed)));
  win::WinProcExceptionFilter previous =
      win::SetWindowProcExceptionFilter(&RecordingFilter);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.answer);
    g_filter_answer = c.answer;
    g_filtered_code = 0;
    resumed = false;
    EXPECT_EQ(c.resumed ? 7 : 0, ::SendMessageW(window.hwnd(), WM_APP, 0, 0));
    EXPECT_EQ(kCode, g_filtered_code);
    EXPECT_EQ(c.resumed, resumed);
  }
  win::SetWindowProcExceptionFilter(previous);
}

// The window class is unregistered when the at-exit manager that saw its
// first use ends; a UI loop made later registers it again. Only a fresh
// process is sure to use the class first, so a child runs the case.
constexpr wchar_t kWindowClassChildVariable[] = L"VELTO_WINDOW_CLASS_CHILD";

TEST(MessageWindowChildTest, UiLoopsOutliveTheAtExitManager) {
  if (!::GetEnvironmentVariableW(kWindowClassChildVariable, nullptr, 0))
    GTEST_SKIP() << "Runs only as the child of UiLoopAfterAtExitManagerEnded";
  auto run_ui_loop = [] {
    MessageLoop loop(MessageLoop::TYPE_UI);
    RunLoop run_loop;
    loop.task_runner()->PostTask(FROM_HERE, run_loop.QuitClosure());
    run_loop.Run();
  };
  for (int i = 0; i < 2; ++i) {
    AtExitManager exit_manager;
    run_ui_loop();
  }
  run_ui_loop();
}

TEST(MessageWindowTest, UiLoopAfterAtExitManagerEnded) {
  // Under Wine the first window of a session starts the desktop process,
  // which would keep the child's output pipe open as long as this process
  // lives: let it start from here.
  ASSERT_TRUE(::GetDesktopWindow());
  ::SetEnvironmentVariableW(kWindowClassChildVariable, L"1");
  testing_support::ChildResult child = testing_support::RunChildProcess(
      L"\"" + testing_support::SelfPath() +
      L"\" --gtest_filter=MessageWindowChildTest.*");
  ::SetEnvironmentVariableW(kWindowClassChildVariable, nullptr);
  ASSERT_TRUE(child.started);
  EXPECT_EQ(0u, child.exit_code) << child.output;
  EXPECT_NE(std::string::npos, child.output.find("[  PASSED  ] 1 test"))
      << child.output;
}

// Waiting for one handler keeps the others' completions for a later wait:
// one that asks for their handler, or one that asks for any.
TEST(MessagePumpForIOTest, WaitForOneHandlerKeepsTheOthersCompletion) {
  MessageLoopForIO loop;
  test::PipePoster first;
  test::PipePoster second;
  test::PipePoster third;
  int first_done = 0;
  int second_done = 0;
  int third_done = 0;
  first.Post([&] { ++first_done; });
  third.Post([&] { ++third_done; });
  second.Post([&] { ++second_done; });
  // A wait may take the other handlers' completions and keep them.
  while (second_done == 0) ASSERT_TRUE(loop.WaitForIOCompletion(1000, &second));
  EXPECT_EQ(0, first_done);
  EXPECT_EQ(0, third_done);
  EXPECT_TRUE(loop.WaitForIOCompletion(0, &third));
  EXPECT_EQ(0, first_done);
  EXPECT_EQ(1, third_done);
  EXPECT_TRUE(loop.WaitForIOCompletion(0, nullptr));
  EXPECT_EQ(1, first_done);
  EXPECT_EQ(1, second_done);
  EXPECT_FALSE(loop.WaitForIOCompletion(0, nullptr));

  // A handle that cannot join a completion port is refused.
  win::ScopedHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  EXPECT_FALSE(loop.RegisterIOHandler(event.Get(), &first));
}

// Records the completions it is sent.
struct RecordingIOHandler : MessageLoopForIO::IOHandler {
  void OnIOCompleted(OVERLAPPED* completed, DWORD bytes_transferred,
                     DWORD error_code) override {
    ++calls;
    context = completed;
    bytes = bytes_transferred;
    error = error_code;
  }
  int calls = 0;
  OVERLAPPED* context = nullptr;
  DWORD bytes = 0xFFFFFFFF;
  DWORD error = 0;
};

// An operation that fails completes all the same: its handler learns the
// error, with no bytes.
TEST(MessagePumpForIOTest, FailedOperationReachesItsHandlerWithTheError) {
  MessageLoopForIO loop;
  const std::wstring name = L"\\\\.\\pipe\\velto_pump_test_" +
                            std::to_wstring(::GetCurrentProcessId());
  win::ScopedHandle server(::CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE,
      1, 0, 4096, 0, nullptr));
  ASSERT_TRUE(server.IsValid());
  win::ScopedHandle client(::CreateFileW(name.c_str(), GENERIC_WRITE, 0,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(client.IsValid());
  RecordingIOHandler handler;
  ASSERT_TRUE(loop.RegisterIOHandler(server.Get(), &handler));
  MessageLoopForIO::IOContext read;
  char buffer = 0;
  ASSERT_FALSE(::ReadFile(server.Get(), &buffer, 1, nullptr, &read.overlapped));
  ASSERT_EQ(static_cast<DWORD>(ERROR_IO_PENDING), ::GetLastError());
  client.Close();  // the writer is gone: the read fails

  TimeTicks deadline = TimeTicks::Now() + TimeDelta::FromSeconds(10);
  while (handler.calls == 0 && TimeTicks::Now() < deadline)
    loop.WaitForIOCompletion(100, nullptr);
  EXPECT_EQ(1, handler.calls);
  EXPECT_EQ(&read.overlapped, handler.context);
  EXPECT_EQ(0u, handler.bytes);
  EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), handler.error);
}

}  // namespace
}  // namespace base
