// The process's one worker pool for preference files, "PrefsTaskPool", and
// the way to make preference stores on it.
//
//   PrefsTaskPoolOwner* owner = GetPrefsTaskPool();
//   scoped_refptr<JsonPrefStore> prefs =
//       CreateJsonPrefStore(owner, folder.Append(L"installer_prefs.json"));
//
// Every store made here runs its reads and writes on the pool's sequence
// named after its file, so operations on one file never overlap, whichever
// store they come from. The pool is shut down by the at-exit manager that
// was current when it was created: writes already posted then (a store's
// last commit included) reach the disk before the teardown returns.
#ifndef COMPONENTS_PREFS_PREFS_TASK_POOL_H_
#define COMPONENTS_PREFS_PREFS_TASK_POOL_H_

#include <atomic>

#include "base/memory/scoped_refptr.h"
#include "components/prefs/json_pref_store.h"

namespace base {
class FilePath;
class SequencedWorkerPool;
}  // namespace base

class PrefsTaskPoolOwner {
 public:
  // The process-wide owner, made on the first call from any thread.
  static PrefsTaskPoolOwner* GetInstance();

  PrefsTaskPoolOwner(const PrefsTaskPoolOwner&) = delete;
  PrefsTaskPoolOwner& operator=(const PrefsTaskPoolOwner&) = delete;

  base::SequencedWorkerPool* pool() const { return pool_.get(); }

  // When set, the teardown also waits until every task runner of the pool
  // has been released, so that nothing is still running on the pool when
  // the process goes on to end.
  void set_wait_for_last_reference(bool wait) { wait_for_last_reference_ = wait; }

 private:
  PrefsTaskPoolOwner();
  ~PrefsTaskPoolOwner();

  // The at-exit teardown of the instance.
  static void TearDown(void*);
  void Shutdown();

  std::atomic<bool> wait_for_last_reference_{false};
  scoped_refptr<base::SequencedWorkerPool> pool_;
};

// PrefsTaskPoolOwner::GetInstance.
PrefsTaskPoolOwner* GetPrefsTaskPool();

// A store for |path| on the file's sequence of |owner|'s pool, which has
// read the file already.
scoped_refptr<JsonPrefStore> CreateJsonPrefStore(PrefsTaskPoolOwner* owner,
                                                 const base::FilePath& path);

#endif  // COMPONENTS_PREFS_PREFS_TASK_POOL_H_
