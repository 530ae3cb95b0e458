#include "base/threading/simple_thread.h"

#include <stdint.h>

#include "base/logging.h"

namespace base {

SimpleThread::SimpleThread(const std::string& name_prefix)
    : SimpleThread(name_prefix, Options()) {}

SimpleThread::SimpleThread(const std::string& name_prefix,
                           const Options& options)
    : name_prefix_(name_prefix),
      options_(options),
      event_(WaitableEvent::ResetPolicy::MANUAL,
             WaitableEvent::InitialState::NOT_SIGNALED),
      tid_(0),
      started_(false),
      joined_(false) {}

SimpleThread::~SimpleThread() {
  // The thread would run on in a destroyed object.
  CHECK(!started_ || joined_ || !options_.joinable)
      << "SimpleThread \"" << name_prefix_ << "\" destroyed before Join";
}

bool SimpleThread::Start() {
  CHECK(!started_) << "SimpleThread \"" << name_prefix_ << "\" started twice";
  bool created =
      options_.joinable
          ? PlatformThread::CreateWithPriority(options_.stack_size, this,
                                               &thread_, options_.priority)
          : PlatformThread::CreateNonJoinableWithPriority(
                options_.stack_size, this, options_.priority);
  // Without a thread nobody would ever signal the event.
  if (!created)
    return false;
  started_ = true;
  event_.Wait();
  return true;
}

void SimpleThread::Join() {
  CHECK(options_.joinable) << "Join of a non-joinable thread";
  CHECK(started_ && !joined_) << "Join of a thread not running";
  PlatformThread::Join(std::move(thread_));
  joined_ = true;
}

void SimpleThread::ThreadMain() {
  tid_ = PlatformThread::CurrentId();
  PlatformThread::SetName(internal::SimpleThreadName(name_prefix_, tid_));
  // From here on the owner may destroy a non-joinable thread's object once
  // Run is done, so touch no member after Run.
  event_.Signal();
  Run();
}

namespace internal {

std::string SimpleThreadName(const std::string& prefix, PlatformThreadId id) {
  return prefix + "/" + std::to_string(static_cast<int32_t>(id));
}

}  // namespace internal
}  // namespace base
