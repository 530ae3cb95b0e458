// The part of a message loop that waits.
//
// A pump calls its delegate (the loop) in a fixed rhythm, DoWork, then
// DoDelayedWork, then DoIdleWork when neither had anything to do, and sleeps
// when all three report no work, until ScheduleWork (a new task) or the
// delayed-work time wakes it. Three pumps exist: MessagePumpDefault sleeps
// on an event, MessagePumpForUI in the Windows message queue and
// MessagePumpForIO on an I/O completion port (message_pump_win.h).
//
// A pump belongs to its loop's thread; only ScheduleWork may be called from
// any thread.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_

#include "base/time/time.h"

namespace base {

enum TimerSlack { TIMER_SLACK_NONE, TIMER_SLACK_MAXIMUM };

class MessagePump {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;

    // Runs one immediate task; true when it did.
    virtual bool DoWork() = 0;
    // Runs one due delayed task; true when it did. Sets
    // |next_delayed_work_time| to when the next one is due, or null.
    virtual bool DoDelayedWork(TimeTicks* next_delayed_work_time) = 0;
    // Called when there is nothing else to do; true when it found work.
    virtual bool DoIdleWork() = 0;
  };

  MessagePump() = default;
  MessagePump(const MessagePump&) = delete;
  MessagePump& operator=(const MessagePump&) = delete;
  virtual ~MessagePump() = default;

  // Runs until Quit. Windows pumps may nest.
  virtual void Run(Delegate* delegate) = 0;
  // Makes the innermost Run return once the current step ends.
  virtual void Quit() = 0;
  // Wakes the pump so that it calls DoWork soon. Any thread.
  virtual void ScheduleWork() = 0;
  // DoDelayedWork is due at |delayed_work_time|. The pump's thread only.
  virtual void ScheduleDelayedWork(const TimeTicks& delayed_work_time) = 0;
  // No pump here coalesces timers.
  virtual void SetTimerSlack(TimerSlack) {}
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
