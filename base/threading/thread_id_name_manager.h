// The process-wide register of thread names, by thread id.
//
// Threads made by PlatformThread register their handle under their id while
// they run; PlatformThread::SetName files the name here. Any thread may look
// a name up:
//
//   const char* name = ThreadIdNameManager::GetInstance()->GetName(id);
//
// Each distinct name is stored once and never freed, so the returned
// pointers stay valid for the life of the process. A thread that no
// PlatformThread made (the process's main thread) has no registered handle:
// naming it makes it the main thread for GetName. All maps are guarded by
// one lock.
#ifndef BASE_THREADING_THREAD_ID_NAME_MANAGER_H_
#define BASE_THREADING_THREAD_ID_NAME_MANAGER_H_

#include <map>
#include <string>

#include "base/lazy_instance.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"

namespace base {

class ThreadIdNameManager {
 public:
  static ThreadIdNameManager* GetInstance();

  ThreadIdNameManager(const ThreadIdNameManager&) = delete;
  ThreadIdNameManager& operator=(const ThreadIdNameManager&) = delete;

  // The name given to a thread that has none: the empty string.
  static const char* GetDefaultInternedString();

  // Records the running thread |handle| under |id|, with the default name.
  void RegisterThread(HANDLE handle, PlatformThreadId id);

  // Names thread |id|: its registered handle when it has one, else it
  // becomes the main thread.
  void SetName(PlatformThreadId id, const std::string& name);

  // The name of thread |id|, or the default name for an unknown id.
  const char* GetName(PlatformThreadId id);

  // Forgets |handle|, and |id| when it still maps to |handle| (the system
  // may already have given the id to a new thread).
  void RemoveName(HANDLE handle, PlatformThreadId id);

 private:
  friend class LazyInstance<ThreadIdNameManager>;

  ThreadIdNameManager();
  ~ThreadIdNameManager() = delete;

  // The stored copy of |name|, made on first use. Caller holds |lock_|.
  const std::string* Intern(const std::string& name);

  Lock lock_;
  std::map<std::string, std::string*> name_to_interned_name_;
  std::map<PlatformThreadId, HANDLE> thread_id_to_handle_;
  std::map<HANDLE, const std::string*> thread_handle_to_interned_name_;
  const std::string* main_thread_name_;
  PlatformThreadId main_thread_id_;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_ID_NAME_MANAGER_H_
