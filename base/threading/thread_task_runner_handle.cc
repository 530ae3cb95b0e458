#include "base/threading/thread_task_runner_handle.h"

#include <atomic>
#include <utility>

#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/threading/thread_local_storage.h"

namespace base {

namespace {

// Holds the address of the thread's handle; the handle is owned by its loop,
// so the slot has no destructor.
std::atomic<uintptr_t> g_handle_slot{kLazyInstanceStateNone};

ThreadLocalStorageSlot& HandleSlot() {
  return *GetOrCreateLazyPointer<ThreadLocalStorageSlot>(
      &g_handle_slot, [] { return new ThreadLocalStorageSlot(nullptr); });
}

}  // namespace

scoped_refptr<SingleThreadTaskRunner> ThreadTaskRunnerHandle::Get() {
  auto* handle = static_cast<ThreadTaskRunnerHandle*>(HandleSlot().Get());
  return handle ? handle->task_runner_ : nullptr;
}

bool ThreadTaskRunnerHandle::IsSet() { return HandleSlot().Get() != nullptr; }

ThreadTaskRunnerHandle::ThreadTaskRunnerHandle(
    scoped_refptr<SingleThreadTaskRunner> task_runner)
    : task_runner_(std::move(task_runner)) {
  CHECK(task_runner_);
  CHECK(!IsSet()) << "The thread already has a task runner";
  HandleSlot().Set(this);
}

ThreadTaskRunnerHandle::~ThreadTaskRunnerHandle() {
  CHECK(HandleSlot().Get() == this)
      << "A task runner handle destroyed off its thread";
  // The slot is cleared before the member releases the runner.
  HandleSlot().Set(nullptr);
}

}  // namespace base
