#include "base/threading/post_task_and_reply_impl.h"

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {
namespace internal {

namespace {

// Carries a task to its runner and the reply back. Each half is bound with
// the relay as a passed argument, so whichever closure holds the relay owns
// it: a half that is refused or dropped unrun destroys the relay with it,
// where it is dropped, instead of leaking it.
class PostTaskAndReplyRelay {
 public:
  PostTaskAndReplyRelay(const Location& from_here,
                        scoped_refptr<SequencedTaskRunner> origin_task_runner,
                        Closure reply, Closure task)
      : from_here_(from_here),
        origin_task_runner_(std::move(origin_task_runner)),
        reply_(std::move(reply)), task_(std::move(task)) {}
  PostTaskAndReplyRelay(const PostTaskAndReplyRelay&) = delete;
  PostTaskAndReplyRelay& operator=(const PostTaskAndReplyRelay&) = delete;

  // On the destination: runs the task, then sends the relay home.
  static void
  RunTaskAndPostReply(std::unique_ptr<PostTaskAndReplyRelay> relay) {
    relay->task_.Run();
    // The relay may be gone on the origin thread before PostDelayedTask
    // returns: keep what the post itself needs.
    Location from_here = relay->from_here_;
    scoped_refptr<SequencedTaskRunner> origin = relay->origin_task_runner_;
    origin->PostDelayedTask(
        from_here, Bind(&RunReplyAndSelfDestruct, Passed(std::move(relay))),
        TimeDelta());
  }

  // On the origin thread.
  static void
  RunReplyAndSelfDestruct(std::unique_ptr<PostTaskAndReplyRelay> relay) {
    // The task's bound arguments are gone before the reply runs.
    relay->task_.Reset();
    relay->reply_.Run();
    relay->reply_.Reset();
    relay->origin_task_runner_.reset();
  }

 private:
  // Destroyed in reverse order: task, reply, then the origin reference.
  Location from_here_;
  scoped_refptr<SequencedTaskRunner> origin_task_runner_;
  Closure reply_;
  Closure task_;
};

}  // namespace

bool PostTaskAndReplyImpl::PostTaskAndReply(const Location& from_here,
                                            Closure task, Closure reply) {
  scoped_refptr<SequencedTaskRunner> origin = SequencedTaskRunnerHandle::Get();
  if (!origin) {
    // Nowhere to send the reply; task and reply die here with the arguments.
    LOG(ERROR) << "PostTaskAndReply from " << from_here.function_name() << " ("
               << from_here.file_name() << ":" << from_here.line_number()
               << ") on a thread without a task runner";
    return false;
  }
  auto relay = std::make_unique<PostTaskAndReplyRelay>(
      from_here, std::move(origin), std::move(reply), std::move(task));
  return PostTask(from_here, Bind(&PostTaskAndReplyRelay::RunTaskAndPostReply,
                                  Passed(std::move(relay))));
}

}  // namespace internal
}  // namespace base
