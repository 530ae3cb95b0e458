#include "base/threading/thread_id_name_manager.h"

#include "base/trace_event/heap_profiler_allocation_context_tracker.h"

namespace base {
namespace {

LazyInstance<ThreadIdNameManager> g_thread_id_name_manager =
    LAZY_INSTANCE_INITIALIZER;

const std::string* g_default_name = nullptr;

}  // namespace

// static
ThreadIdNameManager* ThreadIdNameManager::GetInstance() {
  return g_thread_id_name_manager.Pointer();
}

// static
const char* ThreadIdNameManager::GetDefaultInternedString() {
  // The manager interns the default name while it is built.
  GetInstance();
  return g_default_name->c_str();
}

ThreadIdNameManager::ThreadIdNameManager()
    : main_thread_name_(nullptr), main_thread_id_(0) {
  g_default_name = Intern(std::string());
  main_thread_name_ = g_default_name;
}

const std::string* ThreadIdNameManager::Intern(const std::string& name) {
  auto found = name_to_interned_name_.find(name);
  if (found != name_to_interned_name_.end())
    return found->second;
  std::string* interned = new std::string(name);
  name_to_interned_name_[name] = interned;
  return interned;
}

void ThreadIdNameManager::RegisterThread(HANDLE handle, PlatformThreadId id) {
  AutoLock hold(lock_);
  thread_id_to_handle_[id] = handle;
  thread_handle_to_interned_name_[handle] = g_default_name;
}

void ThreadIdNameManager::SetName(PlatformThreadId id,
                                  const std::string& name) {
  const std::string* interned;
  {
    AutoLock hold(lock_);
    interned = Intern(name);
    auto handle = thread_id_to_handle_.find(id);
    if (handle == thread_id_to_handle_.end()) {
      main_thread_name_ = interned;
      main_thread_id_ = id;
      return;
    }
    thread_handle_to_interned_name_[handle->second] = interned;
  }
  if (trace_event::AllocationContextTracker::capture_enabled())
    trace_event::AllocationContextTracker::SetCurrentThreadName(
        interned->c_str());
}

const char* ThreadIdNameManager::GetName(PlatformThreadId id) {
  AutoLock hold(lock_);
  if (id == main_thread_id_ && main_thread_id_ != 0)
    return main_thread_name_->c_str();
  auto handle = thread_id_to_handle_.find(id);
  if (handle == thread_id_to_handle_.end())
    return g_default_name->c_str();
  auto name = thread_handle_to_interned_name_.find(handle->second);
  if (name == thread_handle_to_interned_name_.end())
    return g_default_name->c_str();
  return name->second->c_str();
}

void ThreadIdNameManager::RemoveName(HANDLE handle, PlatformThreadId id) {
  AutoLock hold(lock_);
  thread_handle_to_interned_name_.erase(handle);
  auto registered = thread_id_to_handle_.find(id);
  if (registered != thread_id_to_handle_.end() && registered->second == handle)
    thread_id_to_handle_.erase(registered);
}

}  // namespace base
