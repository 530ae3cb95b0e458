// A named thread that runs one piece of work: subclass it and implement Run.
//
//   class Terminator : public SimpleThread {
//    public:
//     Terminator() : SimpleThread("Terminator") {}
//     void Run() override { ... }
//   };
//   Terminator terminator;
//   if (!terminator.Start()) return false;
//   ...
//   terminator.Join();
//
// The thread names itself "<prefix>/<thread id>" before Run starts, and Start
// returns only once it has. A joinable thread must be joined before the
// object is destroyed; a non-joinable one must keep the object alive until
// Run returns. Start and Join belong to the owning thread.
#ifndef BASE_THREADING_SIMPLE_THREAD_H_
#define BASE_THREADING_SIMPLE_THREAD_H_

#include <stddef.h>

#include <string>

#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "base/win/scoped_handle.h"

namespace base {

class SimpleThread : public PlatformThread::Delegate {
 public:
  struct Options {
    // 0 takes the system default; any other size is a reservation.
    size_t stack_size = 0;
    ThreadPriority priority = ThreadPriority::NORMAL;
    bool joinable = true;
  };

  explicit SimpleThread(const std::string& name_prefix);
  SimpleThread(const std::string& name_prefix, const Options& options);
  SimpleThread(const SimpleThread&) = delete;
  SimpleThread& operator=(const SimpleThread&) = delete;
  ~SimpleThread() override;

  // Starts the thread and waits until it has named itself. False (logged)
  // when the system could not make the thread; Run then never runs, and the
  // object may be started again.
  virtual bool Start();

  // Waits for a started joinable thread to end. A failed wait stops the
  // process.
  virtual void Join();

  // The thread's work, on the new thread.
  virtual void Run() = 0;

  // The id of the started thread; 0 before Start.
  PlatformThreadId tid() const { return tid_; }
  const std::string& name_prefix() const { return name_prefix_; }
  bool HasBeenStarted() const { return started_; }
  bool HasBeenJoined() const { return joined_; }

  // PlatformThread::Delegate:
  void ThreadMain() override;

 private:
  const std::string name_prefix_;
  const Options options_;
  win::ScopedHandle thread_;
  WaitableEvent event_;
  PlatformThreadId tid_;
  bool started_;
  bool joined_;
};

namespace internal {

// "<prefix>/<id>", the id read as a signed 32-bit number.
std::string SimpleThreadName(const std::string& prefix, PlatformThreadId id);

}  // namespace internal
}  // namespace base

#endif  // BASE_THREADING_SIMPLE_THREAD_H_
