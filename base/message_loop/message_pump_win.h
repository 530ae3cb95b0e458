// The Windows pumps: MessagePumpForUI sleeps in the thread's message queue,
// so windows, dialogs and foreign modal loops (message boxes) keep being
// served while the loop waits; MessagePumpForIO sleeps on an I/O completion
// port, so overlapped completions arrive as well as tasks.
//
// Both keep at most one wake-up (a window message or a completion packet)
// in flight: ScheduleWork from any number of threads posts one only when
// none is pending. A failed wake-up is counted in the histogram
// "Quarle.MessageLoopProblem" and in the current run's error count; the next
// post or the timer wakes the pump again.
//
// Run may nest; each level has its own RunState, and Quit ends the
// innermost one.
//
// A pump turns in a fixed rhythm: a batch of ready tasks bounded to about a
// millisecond, then everything that piled up meanwhile, every pending
// window message (UI) or completion (IO) and every due delayed task. So a
// stream of posted tasks costs one system round trip per batch, not per
// task, while a message, a completion or a timer waits at most one batch
// however many of them arrive together. A kind that refills as fast as it
// is served (a handler that posts its own next message) is cut off after
// kMaxItemsPerTurn, so tasks still get their batch.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_

#include <atomic>
#include <list>

#include "base/message_loop/message_pump.h"
#include "base/message_loop/message_window.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

// Sees every window message a UI run with a dispatcher takes from the queue.
class MessagePumpDispatcher {
 public:
  enum Action {
    QUIT = 1,                 // end the run
    TRANSLATE_AND_DISPATCH = 2,
  };
  // Returns a combination of Action bits.
  virtual unsigned Dispatch(const MSG& message) = 0;

 protected:
  virtual ~MessagePumpDispatcher() = default;
};

class MessagePumpWin : public MessagePump {
 public:
  MessagePumpWin() = default;

  void Run(Delegate* delegate) override;
  void Quit() override;

  // The current run's failed wake-ups, 0 outside Run.
  int schedule_work_error_count() const;

 protected:
  // Far above what piles up during one batch of tasks.
  static constexpr int kMaxItemsPerTurn = 100;

  struct RunState {
    Delegate* delegate;
    MessagePumpDispatcher* dispatcher;
    bool should_quit;
    int run_depth;
    int schedule_work_error_count;
    Time last_schedule_work_error_time;
  };

  void RunWithDispatcherImpl(Delegate* delegate,
                             MessagePumpDispatcher* dispatcher);
  virtual void DoRunLoop() = 0;

  // Milliseconds until the delayed work is due, rounded up; 0 when it is
  // overdue, -1 when there is none.
  int GetCurrentDelay() const;
  // Counts a failed wake-up against the current run, if any.
  void RecordScheduleWorkError();
  // Calls DoWork while it runs tasks, for about a millisecond at most, so
  // the port or the message queue, a round trip to the system each, is
  // polled once per batch of tasks rather than once per task. Stops at once
  // when the run is quit. True when a task ran.
  bool DoWorkBatch();
  // Calls |serve_one| until it finds nothing more, the run is quit or
  // kMaxItemsPerTurn were served. True when it served anything.
  template <typename ServeOne>
  bool ServePending(ServeOne serve_one);
  // Runs the delayed tasks that are due, as ServePending does.
  bool DoDueDelayedWork();

  TimeTicks delayed_work_time_;
  // 1 while a wake-up is in flight.
  std::atomic<LONG> have_work_{0};
  RunState* state_ = nullptr;
};

class MessagePumpForUI : public MessagePumpWin {
 public:
  // The wake-up message, posted to the pump's own window.
  static constexpr UINT kMsgHaveWork = WM_USER + 1;

  MessagePumpForUI();
  ~MessagePumpForUI() override;

  // Like Run, with every message the run takes passed to |dispatcher|.
  void RunWithDispatcher(Delegate* delegate,
                         MessagePumpDispatcher* dispatcher);

  void ScheduleWork() override;
  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

  HWND message_hwnd() const { return message_window_.hwnd(); }

 private:
  bool MessageCallback(UINT message, WPARAM wparam, LPARAM lparam,
                       LRESULT* result);
  void DoRunLoop() override;
  void WaitForWork();
  void HandleWorkMessage();
  void HandleTimerMessage();
  void RescheduleTimer();
  bool ProcessNextWindowsMessage();
  bool ProcessMessageHelper(const MSG& message);
  bool IsWakeUpMessage(const MSG& message) const;
  bool ProcessPumpReplacementMessage();

  win::MessageWindow message_window_;
};

class MessagePumpForIO : public MessagePumpWin {
 public:
  // Implemented by owners of overlapped handles registered with the pump.
  class IOHandler {
   public:
    virtual ~IOHandler() = default;
    // |context| is the OVERLAPPED block the operation was started with;
    // |error| is 0 on success.
    virtual void OnIOCompleted(OVERLAPPED* context, DWORD bytes_transferred,
                               DWORD error) = 0;
  };

  // The OVERLAPPED block of one operation, zeroed.
  struct IOContext {
    IOContext();
    OVERLAPPED overlapped;
  };

  MessagePumpForIO();
  ~MessagePumpForIO() override;

  void ScheduleWork() override;
  void ScheduleDelayedWork(const TimeTicks& delayed_work_time) override;

  // Sends the completions of |file_handle| to |handler|. False (logged) when
  // the handle cannot be associated with the port.
  bool RegisterIOHandler(HANDLE file_handle, IOHandler* handler);

  // Waits up to |timeout| ms (INFINITE allowed) for one completion and
  // delivers it. With a |filter|, completions for other handlers are kept
  // and delivered by a later wait that matches them. True when something
  // was delivered or the wait was woken by ScheduleWork.
  bool WaitForIOCompletion(DWORD timeout, IOHandler* filter);

 private:
  struct IOItem {
    IOHandler* handler;
    OVERLAPPED* context;
    DWORD bytes_transferred;
    DWORD error;
  };

  void DoRunLoop() override;
  bool GetIOItem(DWORD timeout, IOItem* item);
  bool MatchCompletedIOItem(IOHandler* filter, IOItem* item);

  win::ScopedHandle port_;
  // Completions kept for another handler while one was waited for.
  std::list<IOItem> completed_io_;
};

namespace internal {

// The system calls whose failure Wine cannot produce. Tests swap the table
// for the duration of a test, before any thread uses the pumps.
struct MessagePumpWinApi {
  decltype(&::PostMessageW) post_message;
  decltype(&::SetTimer) set_timer;
  decltype(&::PostQueuedCompletionStatus) post_queued_completion_status;
};

// For tests: routes the pumps' calls through |api| for the scope's life and
// restores the calls before it when it ends. Scopes nest; make them before
// any thread uses the pumps.
class ScopedMessagePumpWinApiForTesting {
 public:
  explicit ScopedMessagePumpWinApiForTesting(const MessagePumpWinApi* api);
  ~ScopedMessagePumpWinApiForTesting();
  ScopedMessagePumpWinApiForTesting(const ScopedMessagePumpWinApiForTesting&) =
      delete;
  ScopedMessagePumpWinApiForTesting& operator=(
      const ScopedMessagePumpWinApiForTesting&) = delete;

 private:
  const MessagePumpWinApi* previous_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_WIN_H_
