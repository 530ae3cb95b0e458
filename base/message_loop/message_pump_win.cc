#include "base/message_loop/message_pump_win.h"

#include <limits.h>

#include <atomic>
#include <cmath>

#include "base/bind.h"
#include "base/logging.h"
#include "base/metrics/histogram.h"
#include "base/trace_event/trace_log.h"

namespace base {

namespace {

enum MessageLoopProblem {
  MESSAGE_POST_ERROR = 0,
  COMPLETION_POST_ERROR = 1,
  SET_TIMER_ERROR = 2,
  RECEIVED_WM_QUIT_ERROR = 3,
  MESSAGE_LOOP_PROBLEM_MAX = 4,
};

// Long against one poll of the port or the message queue, short against
// anything a user would notice in a window.
constexpr TimeDelta kWorkBatchBudget = TimeDelta::FromMicroseconds(1000);

void RecordProblem(MessageLoopProblem problem) {
  static HistogramBase* histogram = LinearHistogram::FactoryGet(
      "Quarle.MessageLoopProblem", 1, MESSAGE_LOOP_PROBLEM_MAX,
      MESSAGE_LOOP_PROBLEM_MAX + 1);
  histogram->Add(problem);
}

constexpr internal::MessagePumpWinApi kRealApi = {
    &::PostMessageW, &::SetTimer, &::PostQueuedCompletionStatus};

std::atomic<const internal::MessagePumpWinApi*> g_api{&kRealApi};

const internal::MessagePumpWinApi& Api() {
  return *g_api.load(std::memory_order_acquire);
}

}  // namespace

namespace internal {

ScopedMessagePumpWinApiForTesting::ScopedMessagePumpWinApiForTesting(
    const MessagePumpWinApi* api)
    : previous_(g_api.exchange(api)) {}

ScopedMessagePumpWinApiForTesting::~ScopedMessagePumpWinApiForTesting() {
  g_api.store(previous_);
}

}  // namespace internal

// MessagePumpWin --------------------------------------------------------------

void MessagePumpWin::Run(Delegate* delegate) {
  RunWithDispatcherImpl(delegate, nullptr);
}

void MessagePumpWin::RunWithDispatcherImpl(Delegate* delegate,
                                           MessagePumpDispatcher* dispatcher) {
  RunState state = {delegate, dispatcher, false,
                    state_ ? state_->run_depth + 1 : 1, 0, Time()};
  RunState* previous_state = state_;
  state_ = &state;
  DoRunLoop();
  state_ = previous_state;
}

void MessagePumpWin::Quit() {
  CHECK(state_) << "Quit outside Run";
  state_->should_quit = true;
}

int MessagePumpWin::schedule_work_error_count() const {
  return state_ ? state_->schedule_work_error_count : 0;
}

int MessagePumpWin::GetCurrentDelay() const {
  if (delayed_work_time_.is_null()) return -1;
  // Rounded up: a wake-up a fraction early would find nothing due and
  // spin.
  int64_t microseconds =
      (delayed_work_time_ - TimeTicks::Now()).InMicroseconds();
  if (microseconds <= 0) return 0;
  int64_t milliseconds = (microseconds + 999) / 1000;
  return milliseconds > INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
}

void MessagePumpWin::RecordScheduleWorkError() {
  if (!state_) return;
  state_->schedule_work_error_count++;
  state_->last_schedule_work_error_time = Time::Now();
}

bool MessagePumpWin::DoWorkBatch() {
  if (!state_->delegate->DoWork()) return false;
  TimeTicks batch_end = TimeTicks::Now() + kWorkBatchBudget;
  while (!state_->should_quit && TimeTicks::Now() < batch_end &&
         state_->delegate->DoWork()) {
  }
  return true;
}

template <typename ServeOne>
bool MessagePumpWin::ServePending(ServeOne serve_one) {
  int served = 0;
  while (served < kMaxItemsPerTurn && !state_->should_quit && serve_one())
    ++served;
  return served > 0;
}

bool MessagePumpWin::DoDueDelayedWork() {
  return ServePending(
      [this] { return state_->delegate->DoDelayedWork(&delayed_work_time_); });
}

// MessagePumpForUI ------------------------------------------------------------

MessagePumpForUI::MessagePumpForUI() {
  // Without its window the pump cannot wake up or keep time; the failure
  // is logged by Create.
  bool created = message_window_.Create(
      Bind(&MessagePumpForUI::MessageCallback, Unretained(this)));
  CHECK(created) << "The UI pump has no message window";
}

MessagePumpForUI::~MessagePumpForUI() = default;

void MessagePumpForUI::RunWithDispatcher(Delegate* delegate,
                                         MessagePumpDispatcher* dispatcher) {
  RunWithDispatcherImpl(delegate, dispatcher);
}

void MessagePumpForUI::ScheduleWork() {
  if (have_work_.exchange(1) == 1) return;  // a wake-up is in flight
  if (Api().post_message(message_hwnd(), kMsgHaveWork, 0, 0)) return;
  // Let the next post try again; the timer or that post wakes us.
  have_work_.store(0);
  RecordProblem(MESSAGE_POST_ERROR);
  RecordScheduleWorkError();
}

void MessagePumpForUI::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  delayed_work_time_ = delayed_work_time;
  RescheduleTimer();
}

bool MessagePumpForUI::MessageCallback(UINT message, WPARAM, LPARAM,
                                       LRESULT*) {
  if (message == kMsgHaveWork) {
    HandleWorkMessage();
  } else if (message == WM_TIMER) {
    HandleTimerMessage();
  }
  return false;
}

void MessagePumpForUI::DoRunLoop() {
  for (;;) {
    bool more_work_is_plausible =
        ServePending([this] { return ProcessNextWindowsMessage(); });
    if (state_->should_quit) break;

    more_work_is_plausible |= DoWorkBatch();
    if (state_->should_quit) break;

    more_work_is_plausible |= DoDueDelayedWork();
    // The timer is only needed while we sleep.
    if (more_work_is_plausible && delayed_work_time_.is_null())
      ::KillTimer(message_hwnd(), reinterpret_cast<UINT_PTR>(this));
    if (state_->should_quit) break;
    if (more_work_is_plausible) continue;

    more_work_is_plausible = state_->delegate->DoIdleWork();
    if (state_->should_quit) break;
    if (more_work_is_plausible) continue;

    WaitForWork();
  }
}

void MessagePumpForUI::WaitForWork() {
  DWORD wait_flags = MWMO_INPUTAVAILABLE;
  for (int delay = GetCurrentDelay(); delay != 0; delay = GetCurrentDelay()) {
    DWORD timeout = delay < 0 ? INFINITE : static_cast<DWORD>(delay);
    DWORD result = ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout,
                                                 QS_ALLINPUT, wait_flags);
    if (result == WAIT_OBJECT_0) {
      // A message, or a sent message, is waiting: go and process it.
      MSG message;
      if (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) ||
          ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        return;
      }
      // The input that woke us was already seen (a foreign loop peeked at
      // it): wait for new input only, or this wait would spin.
      wait_flags = 0;
    }
  }
}

void MessagePumpForUI::HandleWorkMessage() {
  if (!state_) {
    // A foreign modal loop outside any Run (a message box opened before
    // the loop runs): only let the next post wake us.
    have_work_.store(0);
    return;
  }
  ProcessPumpReplacementMessage();
  if (state_->delegate->DoWork()) ScheduleWork();
  state_->delegate->DoDelayedWork(&delayed_work_time_);
  RescheduleTimer();
}

void MessagePumpForUI::HandleTimerMessage() {
  ::KillTimer(message_hwnd(), reinterpret_cast<UINT_PTR>(this));
  if (!state_) return;
  state_->delegate->DoDelayedWork(&delayed_work_time_);
  RescheduleTimer();
}

void MessagePumpForUI::RescheduleTimer() {
  if (delayed_work_time_.is_null()) return;
  int delay = GetCurrentDelay();
  if (delay == 0) {
    // Due now: the wake-up message is faster than the 10 ms timer minimum.
    ScheduleWork();
    return;
  }
  if (delay < static_cast<int>(USER_TIMER_MINIMUM)) delay = USER_TIMER_MINIMUM;
  if (!Api().set_timer(message_hwnd(), reinterpret_cast<UINT_PTR>(this),
                       static_cast<UINT>(delay), nullptr)) {
    RecordProblem(SET_TIMER_ERROR);
  }
}

bool MessagePumpForUI::ProcessNextWindowsMessage() {
  // Sent messages are delivered inside PeekMessageW: when some were waiting,
  // the peek did work even if it returns nothing.
  bool sent_messages_in_queue = HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) != 0;
  MSG message;
  if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    return ProcessMessageHelper(message);
  return sent_messages_in_queue;
}

bool MessagePumpForUI::ProcessMessageHelper(const MSG& message) {
  TRACE_EVENT1("base", "MessagePumpForUI::ProcessMessageHelper", "message",
               static_cast<int64_t>(message.message));
  if (message.message == WM_QUIT) {
    RecordProblem(RECEIVED_WM_QUIT_ERROR);
    state_->should_quit = true;
    // An outer message loop must see it too.
    ::PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }
  if (IsWakeUpMessage(message)) return ProcessPumpReplacementMessage();

  unsigned action = MessagePumpDispatcher::TRANSLATE_AND_DISPATCH;
  if (state_->dispatcher) action = state_->dispatcher->Dispatch(message);
  if (action & MessagePumpDispatcher::QUIT) state_->should_quit = true;
  if (action & MessagePumpDispatcher::TRANSLATE_AND_DISPATCH) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return true;
}

bool MessagePumpForUI::IsWakeUpMessage(const MSG& message) const {
  return message.message == kMsgHaveWork && message.hwnd == message_hwnd();
}

bool MessagePumpForUI::ProcessPumpReplacementMessage() {
  // The wake-up message took the place of a message that may be waiting:
  // handle one in its stead, so a stream of tasks cannot starve the window
  // messages.
  MSG message;
  bool have_message =
      ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
  // A new wake-up may be posted from now on.
  have_work_.store(0);
  if (!have_message) return false;
  // A second wake-up (someone else posted our message number to our
  // window) asks for nothing more than the first did. Handled as one, it
  // would post a wake-up and take it in its stead again, one level deeper
  // each time, until the stack runs out.
  if (IsWakeUpMessage(message)) return false;
  // Work may remain that the wake-up was for; don't let this message hide
  // it.
  ScheduleWork();
  return ProcessMessageHelper(message);
}

// MessagePumpForIO ------------------------------------------------------------

MessagePumpForIO::IOContext::IOContext() : overlapped() {}

MessagePumpForIO::MessagePumpForIO() {
  DWORD last_error = ::GetLastError();
  port_.Set(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  CHECK(port_.IsValid()) << "No completion port for the IO pump: "
                         << logging::SystemErrorCodeToString(::GetLastError());
  ::SetLastError(last_error);
}

MessagePumpForIO::~MessagePumpForIO() = default;

void MessagePumpForIO::ScheduleWork() {
  if (have_work_.exchange(1) == 1) return;  // a wake-up is in flight
  if (Api().post_queued_completion_status(
          port_.Get(), 0, reinterpret_cast<ULONG_PTR>(this),
          reinterpret_cast<OVERLAPPED*>(this))) {
    return;
  }
  have_work_.store(0);
  RecordProblem(COMPLETION_POST_ERROR);
  RecordScheduleWorkError();
}

void MessagePumpForIO::ScheduleDelayedWork(const TimeTicks& delayed_work_time) {
  // The completion wait times out by itself.
  delayed_work_time_ = delayed_work_time;
}

bool MessagePumpForIO::RegisterIOHandler(HANDLE file_handle,
                                         IOHandler* handler) {
  HANDLE port = ::CreateIoCompletionPort(
      file_handle, port_.Get(), reinterpret_cast<ULONG_PTR>(handler), 1);
  if (!port) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "Failed to associate handle " << file_handle
               << " with the IO completion port: "
               << logging::SystemErrorCodeToString(error);
    return false;
  }
  return true;
}

void MessagePumpForIO::DoRunLoop() {
  for (;;) {
    bool more_work_is_plausible = DoWorkBatch();
    if (state_->should_quit) break;

    more_work_is_plausible |=
        ServePending([this] { return WaitForIOCompletion(0, nullptr); });
    if (state_->should_quit) break;

    more_work_is_plausible |= DoDueDelayedWork();
    if (state_->should_quit) break;
    if (more_work_is_plausible) continue;

    more_work_is_plausible = state_->delegate->DoIdleWork();
    if (state_->should_quit) break;
    if (more_work_is_plausible) continue;

    int delay = GetCurrentDelay();
    WaitForIOCompletion(delay < 0 ? INFINITE : static_cast<DWORD>(delay),
                        nullptr);
  }
}

bool MessagePumpForIO::WaitForIOCompletion(DWORD timeout, IOHandler* filter) {
  IOItem item;
  if (!MatchCompletedIOItem(filter, &item)) {
    if (!GetIOItem(timeout, &item)) return false;
    if (item.handler == reinterpret_cast<IOHandler*>(this) &&
        item.context == reinterpret_cast<OVERLAPPED*>(this)) {
      // Our own wake-up: a new one may be posted from now on.
      have_work_.store(0);
      return true;
    }
  }
  if (filter && item.handler != filter) {
    // Kept for the wait that asks for its handler.
    completed_io_.push_back(item);
    return true;
  }
  item.handler->OnIOCompleted(item.context, item.bytes_transferred, item.error);
  return true;
}

bool MessagePumpForIO::GetIOItem(DWORD timeout, IOItem* item) {
  DWORD bytes = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* overlapped = nullptr;
  DWORD error = 0;
  if (!::GetQueuedCompletionStatus(port_.Get(), &bytes, &key, &overlapped,
                                   timeout)) {
    if (!overlapped) return false;  // nothing arrived
    // An operation that completed with an error.
    error = ::GetLastError();
    bytes = 0;
  }
  *item = {reinterpret_cast<IOHandler*>(key), overlapped, bytes, error};
  return true;
}

bool MessagePumpForIO::MatchCompletedIOItem(IOHandler* filter, IOItem* item) {
  for (auto it = completed_io_.begin(); it != completed_io_.end(); ++it) {
    if (!filter || it->handler == filter) {
      *item = *it;
      completed_io_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace base
