#include "base/run_loop.h"

#include "base/bind.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/trace_event/task_profiler.h"

namespace base {

RunLoop::RunLoop() : RunLoop(nullptr) {}

RunLoop::RunLoop(MessagePumpDispatcher* dispatcher)
    : loop_(MessageLoop::current()),
      dispatcher_(dispatcher),
      weak_factory_(this) {
  CHECK(loop_) << "A run loop needs the thread's message loop";
}

RunLoop::~RunLoop() = default;

void RunLoop::Run() {
  if (!BeforeRun()) return;
  // The time spent in a nested run is not charged to the task that started
  // it.
  trace_event::TaskStopwatch stopwatch;
  stopwatch.Start();
  loop_->RunHandler();
  stopwatch.Stop();
  AfterRun();
}

void RunLoop::Quit() {
  quit_called_ = true;
  if (running_ && loop_->run_loop_ == this) loop_->pump_->Quit();
}

void RunLoop::QuitWhenIdle() { quit_when_idle_received_ = true; }

Closure RunLoop::QuitClosure() {
  return Bind(&RunLoop::Quit, weak_factory_.GetWeakPtr());
}

bool RunLoop::BeforeRun() {
  CHECK(!run_called_) << "A run loop runs only once";
  run_called_ = true;
  // A quit before the run is honoured without touching the loop.
  if (quit_called_) return false;
  previous_run_loop_ = loop_->run_loop_;
  run_depth_ = previous_run_loop_ ? previous_run_loop_->run_depth_ + 1 : 1;
  loop_->run_loop_ = this;
  if (run_depth_ > 1) loop_->NotifyBeginNestedLoop();
  running_ = true;
  return true;
}

void RunLoop::AfterRun() {
  running_ = false;
  loop_->run_loop_ = previous_run_loop_;
  // The outer run was quit while this one ran: end it too.
  if (previous_run_loop_ && previous_run_loop_->quit_called_)
    loop_->pump_->Quit();
}

}  // namespace base
