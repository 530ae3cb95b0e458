#include "base/at_exit.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"

namespace base {

namespace {

// Changed only by managers' constructors and destructors, on one thread
// while no other thread registers: no lock.
AtExitManager* g_top_manager = nullptr;

}  // namespace

AtExitManager::AtExitManager() : next_manager_(g_top_manager) {
  g_top_manager = this;
}

AtExitManager::~AtExitManager() {
  CHECK(g_top_manager == this)
      << "At-exit managers destroyed out of creation order";
  ProcessCallbacksNow();
  g_top_manager = next_manager_;
  // Callbacks registered while ours ran go with |stack_|, unrun.
}

// static
void AtExitManager::RegisterCallback(AtExitCallbackType func, void* param) {
  Closure callback = Bind(func, param);
  AtExitManager* manager = g_top_manager;
  if (!manager) return;  // no clean-up phase left to run it in
  AutoLock hold(manager->lock_);
  manager->stack_.push_back(std::move(callback));
}

// static
void AtExitManager::ProcessCallbacksNow() {
  AtExitManager* manager = g_top_manager;
  if (!manager) return;
  std::vector<Closure> callbacks;
  {
    AutoLock hold(manager->lock_);
    callbacks.swap(manager->stack_);
  }
  // Unlocked, so a callback may register another without deadlock; that one
  // lands in the emptied stack.
  while (!callbacks.empty()) {
    Closure callback = callbacks.back();
    callback.Run();
    callbacks.pop_back();
  }
}

}  // namespace base
