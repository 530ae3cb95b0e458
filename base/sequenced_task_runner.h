// A task runner whose tasks run one at a time, in posting order, so tasks
// posted to it need no locks among themselves. DeleteSoon hands an object's
// deletion to the runner, for objects that must die on its sequence:
//
//   runner->DeleteSoon(FROM_HERE, watcher_.release());
#ifndef BASE_SEQUENCED_TASK_RUNNER_H_
#define BASE_SEQUENCED_TASK_RUNNER_H_

#include "base/task_runner.h"

namespace base {

class SequencedTaskRunner : public TaskRunner {
 public:
  // Like PostDelayedTask, but the task never runs inside a nested run loop.
  virtual bool PostNonNestableDelayedTask(const Location& from_here,
                                          Closure task, TimeDelta delay) = 0;

  // Deletes |object| in a non-nestable task on this runner. When the runner
  // refuses the task, returns false and |object| is not deleted: deleting it
  // on the wrong thread could be worse than the leak.
  template <class T>
  bool DeleteSoon(const Location& from_here, const T* object) {
    return DeleteSoonInternal(from_here, &DeleteObject<T>, object);
  }

  // Posts deleter(object) as a non-nestable task without delay; the post's
  // result.
  bool DeleteSoonInternal(const Location& from_here,
                          void (*deleter)(const void*), const void* object);

 protected:
  ~SequencedTaskRunner() override = default;

 private:
  template <class T>
  static void DeleteObject(const void* object) {
    delete static_cast<const T*>(object);
  }
};

}  // namespace base

#endif  // BASE_SEQUENCED_TASK_RUNNER_H_
