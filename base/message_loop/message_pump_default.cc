#include "base/message_loop/message_pump_default.h"

namespace base {

MessagePumpDefault::MessagePumpDefault()
    : event_(WaitableEvent::ResetPolicy::AUTOMATIC,
             WaitableEvent::InitialState::NOT_SIGNALED) {}

MessagePumpDefault::~MessagePumpDefault() = default;

void MessagePumpDefault::Run(Delegate* delegate) {
  for (;;) {
    bool did_work = delegate->DoWork();
    if (!keep_running_) break;
    did_work |= delegate->DoDelayedWork(&delayed_work_time_);
    if (!keep_running_) break;
    if (did_work) continue;

    did_work = delegate->DoIdleWork();
    if (!keep_running_) break;
    if (did_work) continue;

    if (delayed_work_time_.is_null()) {
      event_.Wait();
    } else {
      event_.TimedWaitUntil(delayed_work_time_);
    }
  }
  // Ready for the next Run.
  keep_running_ = true;
}

void MessagePumpDefault::Quit() { keep_running_ = false; }

void MessagePumpDefault::ScheduleWork() { event_.Signal(); }

void MessagePumpDefault::ScheduleDelayedWork(
    const TimeTicks& delayed_work_time) {
  delayed_work_time_ = delayed_work_time;
}

}  // namespace base
