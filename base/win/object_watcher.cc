#include "base/win/object_watcher.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {
namespace win {

ObjectWatcher::ObjectWatcher() = default;

ObjectWatcher::~ObjectWatcher() { StopWatching(); }

bool ObjectWatcher::StartWatchingOnce(HANDLE object, Delegate* delegate) {
  CHECK(delegate);
  // A second registration would leak the first wait, whose callback would
  // then post through state that no longer belongs to it.
  if (wait_object_ && !StopWatching()) return false;

  scoped_refptr<SequencedTaskRunner> task_runner =
      SequencedTaskRunnerHandle::Get();
  if (!task_runner) {
    LOG(ERROR) << "ObjectWatcher started on a thread without a task runner";
    return false;
  }

  // Everything DoneWaiting reads is set before the wait is registered: an
  // object signalled already makes the callback run at once.
  task_runner_ = std::move(task_runner);
  callback_ = Bind(&ObjectWatcher::Signal, weak_factory_.GetWeakPtr(),
                   delegate);
  object_ = object;

  // The callback only posts, so it may run on the wait thread itself.
  if (!::RegisterWaitForSingleObject(&wait_object_, object,
                                     &ObjectWatcher::DoneWaiting, this,
                                     INFINITE,
                                     WT_EXECUTEINWAITTHREAD |
                                         WT_EXECUTEONLYONCE)) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "RegisterWaitForSingleObject failed: "
               << logging::SystemErrorCodeToString(error);
    wait_object_ = nullptr;
    Reset();
    return false;
  }
  return true;
}

bool ObjectWatcher::StopWatching() {
  if (!wait_object_) return false;

  // INVALID_HANDLE_VALUE: block until a callback already running has
  // returned, so it never touches this watcher afterwards.
  if (!::UnregisterWaitEx(wait_object_, INVALID_HANDLE_VALUE)) {
    DWORD error = ::GetLastError();
    LOG(ERROR) << "UnregisterWaitEx failed: "
               << logging::SystemErrorCodeToString(error);
    return false;
  }
  Reset();
  return true;
}

// static
void CALLBACK ObjectWatcher::DoneWaiting(void* param, BOOLEAN timed_out) {
  auto* that = static_cast<ObjectWatcher*>(param);
  // The watcher is alive: stopping it waits for this callback to return.
  that->task_runner_->PostTask(FROM_HERE, that->callback_);
  // The wait fires once: the posted copy is the only one needed.
  that->callback_ = Closure();
}

void ObjectWatcher::Signal(Delegate* delegate) {
  HANDLE object = object_;
  // Stopped first, so the delegate may watch again or destroy the watcher.
  StopWatching();
  delegate->OnObjectSignaled(object);
}

void ObjectWatcher::Reset() {
  callback_ = Closure();
  object_ = nullptr;
  wait_object_ = nullptr;
  task_runner_ = nullptr;
  weak_factory_.InvalidateWeakPtrs();
}

}  // namespace win
}  // namespace base
