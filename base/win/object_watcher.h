// Turns the signalling of a kernel object (a process, an event) into a call
// on the thread that watches it.
//
//   class ChildWatch : public base::win::ObjectWatcher::Delegate {
//     bool Start(HANDLE process) {
//       return watcher_.StartWatchingOnce(process, this);
//     }
//     void OnObjectSignaled(HANDLE process) override { ... }  // it ended
//     base::win::ObjectWatcher watcher_;
//   };
//
// The wait runs on a system wait thread, which only posts a task to the
// watching thread's runner; the delegate is called from that task. A watch
// fires once: the watcher stops before calling the delegate, which may
// then start a new watch or destroy the watcher.
//
// The watcher belongs to the thread that starts it, which needs a task
// runner (a message loop). Destroying or stopping it waits for a wait
// callback already running, and a notification already posted but not yet
// run is dropped. The handle must stay open while it is watched.
#ifndef BASE_WIN_OBJECT_WATCHER_H_
#define BASE_WIN_OBJECT_WATCHER_H_

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/sequenced_task_runner.h"
#include "base/win/windows_types.h"

namespace base {
namespace win {

class ObjectWatcher {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // |object| has been signalled; the watch is already over.
    virtual void OnObjectSignaled(HANDLE object) = 0;
  };

  ObjectWatcher();
  // Stops a watch in progress.
  ~ObjectWatcher();
  ObjectWatcher(const ObjectWatcher&) = delete;
  ObjectWatcher& operator=(const ObjectWatcher&) = delete;

  // Calls |delegate| once |object| is signalled; an object signalled
  // already is reported too. Stops a watch in progress first. False, with
  // nothing watched, on a thread without a task runner or when the system
  // refuses the wait.
  bool StartWatchingOnce(HANDLE object, Delegate* delegate);

  // Ends the watch; a notification already posted is dropped. False when
  // nothing was watched or the wait could not be unregistered.
  bool StopWatching();

  bool IsWatching() const { return wait_object_ != nullptr; }

  // The object watched, or null.
  HANDLE GetWatchedObject() const { return object_; }

 private:
  // Runs on a system wait thread once the object is signalled.
  static void CALLBACK DoneWaiting(void* param, BOOLEAN timed_out);

  // On the watching thread, posted by DoneWaiting.
  void Signal(Delegate* delegate);
  void Reset();

  // Signal bound to this watcher (weakly) and the delegate.
  Closure callback_;
  HANDLE object_ = nullptr;
  // From RegisterWaitForSingleObject; null when not watching.
  HANDLE wait_object_ = nullptr;
  scoped_refptr<SequencedTaskRunner> task_runner_;
  WeakPtrFactory<ObjectWatcher> weak_factory_{this};
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_OBJECT_WATCHER_H_
