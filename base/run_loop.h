// One run of the calling thread's MessageLoop, possibly nested inside
// another (a modal dialog, a wait that keeps serving the thread).
//
//   RunLoop run_loop;
//   fetcher->Start(run_loop.QuitClosure());  // quits when the fetch is done
//   run_loop.Run();
//
//   run_loop.QuitWhenIdle();  // or: run what is queued, then return
//   run_loop.Run();
//
// A run loop runs at most once. Quit may come before the run (Run then
// returns at once), during it or after it. Quitting an outer run loop while
// an inner one runs only marks it: it ends as soon as the inner one
// returns. A quit closure run after its run loop was destroyed does nothing.
//
// A run loop belongs to the thread that made it, which must have a
// MessageLoop. A nested run started inside a task runs no tasks while that
// task runs (see base/message_loop/message_loop.h).
#ifndef BASE_RUN_LOOP_H_
#define BASE_RUN_LOOP_H_

#include "base/callback.h"
#include "base/memory/weak_ptr.h"

namespace base {

class MessageLoop;
class MessagePumpDispatcher;

class RunLoop {
 public:
  RunLoop();
  // On a UI loop, every message of the run passes through |dispatcher|.
  explicit RunLoop(MessagePumpDispatcher* dispatcher);
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;
  ~RunLoop();

  // Runs until quit.
  void Run();
  // Quits now, or as soon as the inner run loops have returned.
  void Quit();
  // Quits once the loop has nothing left to do.
  void QuitWhenIdle();
  // Runs Quit while this run loop exists; any thread may hold it, but it
  // must run on this run loop's thread.
  Closure QuitClosure();

  bool running() const { return running_; }

 private:
  friend class MessageLoop;

  // Pushes this run loop; false when it is not to run.
  bool BeforeRun();
  void AfterRun();

  MessageLoop* loop_;
  RunLoop* previous_run_loop_ = nullptr;
  MessagePumpDispatcher* dispatcher_;
  int run_depth_ = 0;
  bool run_called_ = false;
  bool quit_called_ = false;
  bool running_ = false;
  bool quit_when_idle_received_ = false;
  WeakPtrFactory<RunLoop> weak_factory_;
};

}  // namespace base

#endif  // BASE_RUN_LOOP_H_
