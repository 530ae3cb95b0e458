#include "base/task_runner.h"

#include <utility>

#include "base/memory/thread_safe_ref_count.h"
#include "base/threading/post_task_and_reply_impl.h"

namespace base {

namespace {

// Posts the relay's first half to the task runner itself.
class PostTaskAndReplyTaskRunner : public internal::PostTaskAndReplyImpl {
 public:
  explicit PostTaskAndReplyTaskRunner(TaskRunner* destination)
      : destination_(destination) {}

 private:
  bool PostTask(const Location& from_here, Closure task) override {
    return destination_->PostDelayedTask(from_here, std::move(task),
                                         TimeDelta());
  }

  TaskRunner* destination_;
};

}  // namespace

TaskRunner::TaskRunner() : ref_count_(0) {}

TaskRunner::~TaskRunner() = default;

bool TaskRunner::PostTask(const Location& from_here, Closure task) {
  return PostDelayedTask(from_here, std::move(task), TimeDelta());
}

bool TaskRunner::PostTaskAndReply(const Location& from_here, Closure task,
                                  Closure reply) {
  return PostTaskAndReplyTaskRunner(this).PostTaskAndReply(
      from_here, std::move(task), std::move(reply));
}

void TaskRunner::AddRef() const {
  ref_count_.fetch_add(1, std::memory_order_relaxed);
}

bool TaskRunner::HasOneRef() const {
  return ref_count_.load(std::memory_order_acquire) == 1;
}

void TaskRunner::Release() const {
  if (internal::DropThreadSafeReference(&ref_count_)) OnDestruct();
}

void TaskRunner::OnDestruct() const { delete this; }

}  // namespace base
