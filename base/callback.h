// Callbacks: a function bound to some of its arguments, run later, perhaps on
// another thread.
//
// A Callback<R(Args...)> takes the still unbound Args and returns R. Make one
// with base::Bind (base/bind.h):
//
//   void Log(const std::string& prefix, int value);
//   base::Callback<void(int)> log = base::Bind(&Log, std::string("size"));
//   log.Run(42);                        // Log("size", 42)
//
// A callback is a counted handle to one heap block (the bind state) holding
// the function and the bound arguments. Copying shares the block, so copies
// are cheap and may be made and dropped on any thread; the bound arguments
// are destroyed, on whichever thread drops the last copy, together with the
// block. A task handed to a task runner therefore releases its arguments
// where the runner drops it: after the run, on the runner's thread, unless
// something else still holds a copy.
//
// Run does not hold an extra reference while the function runs. Code that
// may drop the callback from inside the run (a member that resets itself)
// moves it into a local first:
//
//   base::Closure done = std::move(done_);
//   done.Run();
#ifndef BASE_CALLBACK_H_
#define BASE_CALLBACK_H_

#include <utility>

#include "base/callback_forward.h"
#include "base/callback_internal.h"
#include "base/logging.h"

namespace base {

template <typename R, typename... Args>
class Callback<R(Args...)> : public internal::CallbackBase {
 public:
  using RunType = R(Args...);
  // The typed invoke function stored in the bind state.
  using PolymorphicInvoke = R (*)(internal::BindStateBase*, Args&&...);

  // An empty callback; running it stops the process.
  Callback() : CallbackBase(nullptr) {}

  // For base::Bind: takes a reference to a bind state whose invoke function
  // has the type PolymorphicInvoke.
  explicit Callback(internal::BindStateBase* bind_state)
      : CallbackBase(bind_state) {}

  R Run(Args... args) const {
    CHECK(!is_null()) << "Running an empty callback";
    PolymorphicInvoke invoke =
        reinterpret_cast<PolymorphicInvoke>(polymorphic_invoke());
    return invoke(bind_state_, std::forward<Args>(args)...);
  }
};

}  // namespace base

#endif  // BASE_CALLBACK_H_
