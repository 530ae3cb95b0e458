#include "base/null_task_runner.h"

namespace base {

NullTaskRunner::NullTaskRunner() = default;

NullTaskRunner::~NullTaskRunner() = default;

// |task| is a by-value parameter: it and what it owns are released here,
// before the call returns.
bool NullTaskRunner::PostDelayedTask(const Location& /*from_here*/,
                                     Closure /*task*/, TimeDelta /*delay*/) {
  return false;
}

bool NullTaskRunner::RunsTasksOnCurrentThread() const { return false; }

bool NullTaskRunner::PostNonNestableDelayedTask(const Location& /*from_here*/,
                                                Closure /*task*/,
                                                TimeDelta /*delay*/) {
  return false;
}

}  // namespace base
