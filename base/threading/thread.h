// A named thread that owns a MessageLoop and runs it until asked to stop.
//
//   Thread io_thread("Installer IPC thread");
//   Thread::Options options;
//   options.message_loop_type = MessageLoop::TYPE_IO;
//   if (!io_thread.StartWithOptions(options)) return false;
//   io_thread.task_runner()->PostTask(FROM_HERE, Bind(&Pipe::Open, pipe));
//   ...
//   io_thread.Stop();  // runs what is queued, drops delayed tasks, joins
//
// The loop is made by Start, so tasks may be posted as soon as Start
// returns; they run once the thread has bound the loop and run Init. Stop
// (also called by the destructor) lets the loop run every immediate task
// still queued, then ends the thread; delayed tasks not yet due are
// destroyed without running. The thread may be started again after Stop.
//
// Start, Stop and StopSoon belong to the owning thread. task_runner() may be
// used from any thread while the Thread is started; posts made after the
// loop ended return false.
//
// A non-joinable thread cannot be waited for: its Thread object must outlive
// the thread's end, which Stop only requests.
//
// Subclasses may override Init and CleanUp, which run on the new thread just
// before and just after the loop runs; such a subclass calls Stop in its own
// destructor, so the thread never calls into a half-destroyed object.
#ifndef BASE_THREADING_THREAD_H_
#define BASE_THREADING_THREAD_H_

#include <stddef.h>

#include <memory>
#include <string>

#include "base/memory/scoped_refptr.h"
#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_pump.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "base/win/scoped_handle.h"

namespace base {

class RunLoop;

class Thread : PlatformThread::Delegate {
 public:
  struct Options {
    Options() = default;
    Options(MessageLoop::Type type, size_t size)
        : message_loop_type(type), stack_size(size) {}

    MessageLoop::Type message_loop_type = MessageLoop::TYPE_DEFAULT;
    // Kept for the loop; no pump here coalesces timers.
    TimerSlack timer_slack = TIMER_SLACK_NONE;
    // When set, the loop's pump comes from here and the type is custom.
    MessageLoop::MessagePumpFactoryCallback message_pump_factory;
    // 0 takes the system default; any other size is a reservation.
    size_t stack_size = 0;
    ThreadPriority priority = ThreadPriority::NORMAL;
    bool joinable = true;
  };

  // The apartment the thread enters before Init.
  enum ComStatus {
    COM_NONE = 0,
    COM_STA = 1,  // a UI loop, as single-threaded apartments need messages
    COM_MTA = 2,
  };

  explicit Thread(const std::string& name);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Stops the thread.
  ~Thread() override;

  // Before Start only.
  void set_com_status(ComStatus status) { com_status_ = status; }

  // A default loop, or a UI loop in a single-threaded apartment.
  bool Start();
  // False (logged) when the system could not make the thread; the Thread is
  // then as before the call.
  bool StartWithOptions(const Options& options);

  // Blocks until the loop is bound and Init has run; false when the thread
  // was not started. Owning thread only.
  bool WaitUntilThreadStarted() const;

  // Runs the queued immediate tasks, ends the loop and joins the thread.
  // Does nothing on a thread that is not started. A failed wait stops the
  // process.
  void Stop();
  // Asks the loop to end once it is idle, without waiting.
  void StopSoon();

  // The loop's runner, or null when the thread is not started. Posts fail
  // once the loop has ended.
  scoped_refptr<SingleThreadTaskRunner> task_runner() const;

  const std::string& thread_name() const { return name_; }

  // The system id of the thread, waiting until it is known; 0 when the
  // thread was not started. Owning thread only.
  PlatformThreadId GetThreadId() const;

  // True from the end of Init until the loop has ended.
  bool IsRunning() const;

 protected:
  // Called on the thread right after it is named.
  virtual void OnThreadNamed() {}
  // Called on the thread before the loop runs and after it ended.
  virtual void Init() {}
  virtual void CleanUp() {}
  // Runs the loop; overrides must call the base.
  virtual void Run(RunLoop* run_loop);

 private:
  // PlatformThread::Delegate:
  void ThreadMain() override;

  // On the thread: ends the run once the loop is idle.
  void QuitWhenIdle();

  ComStatus com_status_ = COM_NONE;
  bool stopping_ = false;
  bool running_ = false;
  mutable Lock running_lock_;
  // Joinable thread; guarded by |thread_lock_| during start and stop.
  win::ScopedHandle thread_;
  Lock thread_lock_;
  PlatformThreadId id_ = 0;
  // Both events are made afresh by each start: WaitableEvent cannot reset.
  // Signalled once the id is known.
  std::unique_ptr<WaitableEvent> id_event_;
  // Made by Start; owned by the new thread from then on, which destroys it.
  MessageLoop* message_loop_ = nullptr;
  // Ours, so StopSoon never reaches into a loop the thread already freed.
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  // The thread's run loop, touched on the thread only.
  RunLoop* run_loop_ = nullptr;
  TimerSlack timer_slack_ = TIMER_SLACK_NONE;
  const std::string name_;
  // Signalled once the loop is bound and Init has run.
  std::unique_ptr<WaitableEvent> start_event_;
  bool started_ = false;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_H_
