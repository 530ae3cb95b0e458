// The relay behind TaskRunner::PostTaskAndReply, shared by every kind of
// runner: an implementation says only how the first half is posted.
//
//   class PostTaskAndReplyWorkerPool : public internal::PostTaskAndReplyImpl {
//     bool PostTask(const Location& from_here, Closure task) override {
//       return WorkerPool::PostTask(from_here, std::move(task), task_is_slow_);
//     }
//   };
#ifndef BASE_THREADING_POST_TASK_AND_REPLY_IMPL_H_
#define BASE_THREADING_POST_TASK_AND_REPLY_IMPL_H_

#include "base/callback.h"
#include "base/location.h"

namespace base {
namespace internal {

class PostTaskAndReplyImpl {
 public:
  virtual ~PostTaskAndReplyImpl() = default;

  // Posts |task| through PostTask, then |reply| back to the calling thread's
  // runner; the ownership rules are those of TaskRunner::PostTaskAndReply.
  bool PostTaskAndReply(const Location& from_here, Closure task, Closure reply);

 private:
  // Posts the relay's first half; true when accepted. A refused closure is
  // released before this returns.
  virtual bool PostTask(const Location& from_here, Closure task) = 0;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_THREADING_POST_TASK_AND_REPLY_IMPL_H_
