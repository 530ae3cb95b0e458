// A sequenced task runner that accepts nothing: every post returns false and
// the task is released at once, on the posting thread, without running.
//
// Give it to an object that insists on a runner for work that must never
// happen. A preference store on it reads synchronously on the calling thread
// (its read cannot be posted) and every write it schedules is dropped, so
// the file it describes is only ever read:
//
//   scoped_refptr<JsonPrefStore> store = new JsonPrefStore(
//       path, scoped_refptr<SequencedTaskRunner>(new NullTaskRunner));
//   store->ReadPrefs();
//
// Counted like every task runner; any thread may post to it.
#ifndef BASE_NULL_TASK_RUNNER_H_
#define BASE_NULL_TASK_RUNNER_H_

#include "base/sequenced_task_runner.h"

namespace base {

class NullTaskRunner : public SequencedTaskRunner {
 public:
  NullTaskRunner();

  // TaskRunner: false, dropping |task|.
  bool PostDelayedTask(const Location& from_here, Closure task,
                       TimeDelta delay) override;
  // False: no task ever runs anywhere.
  bool RunsTasksOnCurrentThread() const override;

  // SequencedTaskRunner: false, dropping |task|.
  bool PostNonNestableDelayedTask(const Location& from_here, Closure task,
                                  TimeDelta delay) override;

 private:
  ~NullTaskRunner() override;
};

}  // namespace base

#endif  // BASE_NULL_TASK_RUNNER_H_
