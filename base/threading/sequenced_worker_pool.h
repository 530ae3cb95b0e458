// A small pool of worker threads, started on demand, that runs posted tasks.
// Tasks that share a sequence token run one at a time, in posting order;
// tasks of different tokens, and unsequenced tasks, may run in parallel.
//
//   scoped_refptr<SequencedWorkerPool> pool =
//       new SequencedWorkerPool(2, "PrefsTaskPool");
//   scoped_refptr<SequencedTaskRunner> runner =
//       pool->GetSequencedTaskRunnerForToken(
//           pool->GetNamedSequenceToken("json_pref_store-C:\\prefs"),
//           SequencedWorkerPool::BLOCK_SHUTDOWN);
//   runner->PostTask(FROM_HERE, base::Bind(&WriteFile, path, data));
//   ...
//   pool->Shutdown();  // returns once every block-shutdown task has run
//
// Each task carries a shutdown behaviour that says whether Shutdown waits for
// it. After Shutdown every post is refused; tasks that do not block shutdown
// and have not started are destroyed unrun. Running tasks are never
// interrupted. A post is also refused while the pool has no worker and none
// can be started, so an accepted task always has a worker to run it.
//
// The pool is a counted reference shared between threads, and its workers
// hold references too until they end, so call Shutdown before dropping the
// last outside reference. The pool is deleted on the thread that created it:
// when a worker drops the last reference, the deletion is posted to the
// creating thread's runner. Deleting the pool joins every worker.
//
// On a worker running a task, SequencedTaskRunnerHandle::Get answers a
// block-shutdown runner of the running task's token.
#ifndef BASE_THREADING_SEQUENCED_WORKER_POOL_H_
#define BASE_THREADING_SEQUENCED_WORKER_POOL_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/location.h"
#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"
#include "base/task_runner.h"
#include "base/time/time.h"

namespace base {

class SimpleThread;

class SequencedWorkerPool : public TaskRunner {
 public:
  // Whether Shutdown waits for a task. Neither of the first two is started
  // once Shutdown was called.
  enum WorkerShutdown : int32_t {
    CONTINUE_ON_SHUTDOWN = 0,
    SKIP_ON_SHUTDOWN = 1,
    BLOCK_SHUTDOWN = 2,
  };

  // Names a sequence. The default token (id 0) means unsequenced.
  class SequenceToken {
   public:
    SequenceToken() = default;
    explicit SequenceToken(int32_t id) : id_(id) {}

    int32_t id() const { return id_; }
    bool IsValid() const { return id_ != 0; }
    bool operator==(SequenceToken other) const { return id_ == other.id_; }
    bool operator!=(SequenceToken other) const { return id_ != other.id_; }

   private:
    int32_t id_ = 0;
  };

  // Starts no thread yet. |max_threads| (at least 1) bounds the workers;
  // they are named |thread_name_prefix| + "Worker" + 1, 2, ... Remembers
  // the calling thread's runner for the pool's deletion.
  SequencedWorkerPool(size_t max_threads,
                      const std::string& thread_name_prefix);

  // The token remembered for |name| in this pool, made on first use. Ids
  // come from a process-wide counter, so no two tokens of any pool share one.
  SequenceToken GetNamedSequenceToken(const std::string& name);

  // A new runner that posts to |token| with |shutdown_behavior|; a delayed
  // task posted through it is always skip-on-shutdown.
  scoped_refptr<SequencedTaskRunner> GetSequencedTaskRunnerForToken(
      SequenceToken token, WorkerShutdown shutdown_behavior);

  // Refuses every later post, waits until every block-shutdown task has
  // run (a task running then is not interrupted) and lets the workers end.
  // Returns at once when called again. Never call it from a worker.
  void Shutdown();

  // TaskRunner: unsequenced; block-shutdown, or skip-on-shutdown when
  // |delay| is positive. False, with the task destroyed, after Shutdown or
  // when no worker exists and none can be started.
  bool PostDelayedTask(const Location& from_here, Closure task,
                       TimeDelta delay) override;
  // True on any worker of this pool.
  bool RunsTasksOnCurrentThread() const override;

 protected:
  ~SequencedWorkerPool() override;
  void OnDestruct() const override;

 private:
  class Inner;
  class PoolSequencedTaskRunner;
  class Worker;

  // SequencedTaskRunnerHandle's branch for the calling worker, if any.
  static scoped_refptr<SequencedTaskRunner> GetRunnerForCurrentWorker();
  static void DeletePool(const void* pool);

  // Of the thread that created the pool; null when it had none.
  const scoped_refptr<SequencedTaskRunner> constructor_task_runner_;
  const std::unique_ptr<Inner> inner_;
};

namespace internal {

// How a pool starts a worker; the real start is SimpleThread::Start. False
// when no thread could be made.
using StartWorkerFunction = bool (*)(SimpleThread* worker);

// For tests only: every pool starts its workers through |start| for the
// scope's life, since a thread that cannot be made is hard to provoke.
// Scopes nest; they must not overlap across threads.
class ScopedStartWorkerForTesting {
 public:
  explicit ScopedStartWorkerForTesting(StartWorkerFunction start);
  ~ScopedStartWorkerForTesting();
  ScopedStartWorkerForTesting(const ScopedStartWorkerForTesting&) = delete;
  ScopedStartWorkerForTesting& operator=(const ScopedStartWorkerForTesting&) =
      delete;

 private:
  const StartWorkerFunction previous_;
};

}  // namespace internal

}  // namespace base

#endif  // BASE_THREADING_SEQUENCED_WORKER_POOL_H_
