#include "base/threading/thread.h"

#include <objbase.h>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/run_loop.h"

namespace base {
namespace {

std::unique_ptr<WaitableEvent> MakeManualResetEvent() {
  return std::make_unique<WaitableEvent>(
      WaitableEvent::ResetPolicy::MANUAL,
      WaitableEvent::InitialState::NOT_SIGNALED);
}

}  // namespace

Thread::Thread(const std::string& name) : name_(name) {}

Thread::~Thread() {
  Stop();
}

bool Thread::Start() {
  Options options;
  if (com_status_ == COM_STA)
    options.message_loop_type = MessageLoop::TYPE_UI;
  return StartWithOptions(options);
}

bool Thread::StartWithOptions(const Options& options) {
  CHECK(!started_) << "Thread \"" << name_ << "\" started twice";
  id_ = 0;
  id_event_ = MakeManualResetEvent();
  start_event_ = MakeManualResetEvent();
  timer_slack_ = options.timer_slack;

  MessageLoop::Type type = options.message_pump_factory.is_null()
                               ? options.message_loop_type
                               : MessageLoop::TYPE_CUSTOM;
  std::unique_ptr<MessageLoop> loop =
      MessageLoop::CreateUnbound(type, options.message_pump_factory);
  // Published before the thread exists, which reads it first thing.
  message_loop_ = loop.get();
  task_runner_ = loop->task_runner();

  {
    AutoLock hold(thread_lock_);
    bool created =
        options.joinable
            ? PlatformThread::CreateWithPriority(options.stack_size, this,
                                                 &thread_, options.priority)
            : PlatformThread::CreateNonJoinableWithPriority(
                  options.stack_size, this, options.priority);
    if (!created) {
      LOG(ERROR) << "Failed to start thread \"" << name_ << "\"";
      message_loop_ = nullptr;
      task_runner_ = nullptr;
      return false;
    }
  }
  // The thread owns the loop now.
  loop.release();
  started_ = true;
  return true;
}

bool Thread::WaitUntilThreadStarted() const {
  if (!started_)
    return false;
  start_event_->Wait();
  return true;
}

void Thread::Stop() {
  AutoLock hold(thread_lock_);
  StopSoon();
  if (!thread_.IsValid())
    return;
  // The thread would wait for itself forever.
  CHECK(PlatformThread::CurrentId() != id_)
      << "Thread \"" << name_ << "\" stopped from itself";
  PlatformThread::Join(std::move(thread_));
  stopping_ = false;
  started_ = false;
  task_runner_ = nullptr;
}

void Thread::StopSoon() {
  if (stopping_ || !task_runner_)
    return;
  stopping_ = true;
  task_runner_->PostTask(FROM_HERE,
                         Bind(&Thread::QuitWhenIdle, Unretained(this)));
}

scoped_refptr<SingleThreadTaskRunner> Thread::task_runner() const {
  return task_runner_;
}

PlatformThreadId Thread::GetThreadId() const {
  if (!started_)
    return 0;
  id_event_->Wait();
  return id_;
}

bool Thread::IsRunning() const {
  AutoLock hold(running_lock_);
  return running_;
}

void Thread::Run(RunLoop* run_loop) {
  run_loop->Run();
}

void Thread::QuitWhenIdle() {
  run_loop_->QuitWhenIdle();
}

void Thread::ThreadMain() {
  id_ = PlatformThread::CurrentId();
  id_event_->Signal();

  PlatformThread::SetName(name_);
  OnThreadNamed();

  // |timer_slack_| stays with us: the loop has no pump that would use it.
  message_loop_->BindToCurrentThread();

  bool com_initialized = false;
  if (com_status_ != COM_NONE) {
    HRESULT result = ::CoInitializeEx(
        nullptr, com_status_ == COM_STA ? COINIT_APARTMENTTHREADED
                                        : COINIT_MULTITHREADED);
    com_initialized = SUCCEEDED(result);
    if (!com_initialized) {
      LOG(ERROR) << "Failed to enter a COM apartment on thread \"" << name_
                 << "\": " << logging::SystemErrorCodeToString(result);
    }
  }

  Init();
  {
    AutoLock hold(running_lock_);
    running_ = true;
  }
  start_event_->Signal();

  {
    RunLoop run_loop;
    run_loop_ = &run_loop;
    Run(&run_loop);
    {
      AutoLock hold(running_lock_);
      running_ = false;
    }
    CleanUp();
    if (com_initialized)
      ::CoUninitialize();
    run_loop_ = nullptr;
  }

  // Destroys the tasks still queued: the delayed ones not yet due.
  std::unique_ptr<MessageLoop> loop(message_loop_);
  message_loop_ = nullptr;
}

}  // namespace base
