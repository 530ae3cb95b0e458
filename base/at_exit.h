// Runs clean-up callbacks when the program's work is over.
//
// RunInstaller keeps one manager on its stack for the whole run. Lazy
// singletons, pools and other process-wide objects register a function and
// a parameter; the manager calls them, the last registered first, when it
// is destroyed:
//
//   void ShutdownPool(void* pool) { static_cast<Pool*>(pool)->Shutdown(); }
//   AtExitManager::RegisterCallback(&ShutdownPool, pool);
//
// Managers nest: a new one shadows the current top manager, collects the
// registrations made while it exists and runs them at its own destruction;
// then the previous manager is the top again. Managers are destroyed in the
// reverse order of creation, on the thread that created them, while no
// other thread registers.
//
// Registration may come from any thread. Without a manager the callback is
// dropped and never runs. A callback registered while the callbacks run is
// dropped unrun with the manager.
#ifndef BASE_AT_EXIT_H_
#define BASE_AT_EXIT_H_

#include <vector>

#include "base/callback.h"
#include "base/synchronization/lock.h"

namespace base {

class AtExitManager {
 public:
  using AtExitCallbackType = void (*)(void*);

  AtExitManager();
  // Runs this manager's callbacks, then makes the previous manager the top.
  ~AtExitManager();
  AtExitManager(const AtExitManager&) = delete;
  AtExitManager& operator=(const AtExitManager&) = delete;

  // Registers func(param) with the top manager.
  static void RegisterCallback(AtExitCallbackType func, void* param);

  // Runs the top manager's callbacks registered so far, the last registered
  // first, without holding its lock. Does nothing without a manager.
  static void ProcessCallbacksNow();

 private:
  Lock lock_;
  std::vector<Closure> stack_;  // the last element runs first
  AtExitManager* next_manager_;
};

}  // namespace base

#endif  // BASE_AT_EXIT_H_
