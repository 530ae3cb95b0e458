#include "base/sequenced_task_runner.h"

#include "base/bind.h"

namespace base {

bool SequencedTaskRunner::DeleteSoonInternal(const Location& from_here,
                                             void (*deleter)(const void*),
                                             const void* object) {
  return PostNonNestableDelayedTask(from_here, Bind(deleter, object),
                                    TimeDelta());
}

}  // namespace base
