// The operating system's threads: create one with a stack reservation and a
// priority, name it, sleep, join it.
//
//   class Worker : public PlatformThread::Delegate {
//     void ThreadMain() override { ... }
//   };
//   Worker worker;
//   win::ScopedHandle handle;
//   if (!PlatformThread::CreateWithPriority(0, &worker, &handle,
//                                           ThreadPriority::NORMAL))
//     return false;
//   ...
//   PlatformThread::Join(std::move(handle));
//
// Every thread made here registers itself with the ThreadIdNameManager while
// it runs, so its name (set with PlatformThread::SetName on the thread itself)
// can be looked up by id from any thread.
#ifndef BASE_THREADING_PLATFORM_THREAD_H_
#define BASE_THREADING_PLATFORM_THREAD_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

typedef DWORD PlatformThreadId;

enum class ThreadPriority : int32_t {
  BACKGROUND = 0,
  NORMAL = 1,
  ABOVE_NORMAL = 2,
  TIME_CRITICAL = 3,
};

class PlatformThread {
 public:
  // The work of a thread. It must outlive the thread's run of ThreadMain.
  class Delegate {
   public:
    virtual void ThreadMain() = 0;

   protected:
    virtual ~Delegate() = default;
  };

  PlatformThread() = delete;

  static PlatformThreadId CurrentId() { return ::GetCurrentThreadId(); }

  // Starts a thread that runs |delegate|->ThreadMain(). A |stack_size| of 0
  // takes the executable's default; any other size is a reservation, so a
  // large stack costs address space only. On success |thread_handle| owns
  // the thread, which must be joined; on failure (logged) it is left empty.
  static bool CreateWithPriority(size_t stack_size, Delegate* delegate,
                                 win::ScopedHandle* thread_handle,
                                 ThreadPriority priority);

  // As above for a thread nobody joins.
  static bool CreateNonJoinableWithPriority(size_t stack_size,
                                            Delegate* delegate,
                                            ThreadPriority priority);

  // Waits for the thread to end, then closes its handle. A failed wait stops
  // the process: the thread could still be using its delegate.
  static void Join(win::ScopedHandle thread_handle);

  // Returns only once |duration| has passed on the monotonic clock, even
  // when the system wakes the thread early.
  static void Sleep(TimeDelta duration);

  // Names the calling thread: in the ThreadIdNameManager, in the thread's
  // description where the system keeps one, and for an attached debugger.
  static void SetName(const std::string& name);

  // The calling thread's name; empty when it has none. The pointer stays
  // valid for the life of the process.
  static const char* GetName();
};

namespace internal {

// Raises the debuggers' thread-naming exception (0x406D1388) naming thread
// |thread_id| |name|, and swallows it. Safe without a debugger. Handlers
// that other code added before see the exception first.
void RaiseThreadNameException(const char* name, DWORD thread_id);

// Names the calling thread for debuggers and dumps (its description and the
// naming exception); the part of SetName that talks to the system.
void SetNameForDebuggers(const std::string& name);

}  // namespace internal
}  // namespace base

#endif  // BASE_THREADING_PLATFORM_THREAD_H_
