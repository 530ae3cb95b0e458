// Test helpers for the message loop, run loop and thread tests: closures
// from lambdas that capture, running a loop or another thread's tasks to a
// point, and ways to run code outside any task (a window message, an I/O
// completion), where a nested run loop does run tasks.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_TEST_HELPERS_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_TEST_HELPERS_H_

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_window.h"
#include "base/run_loop.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {
namespace test {

inline Closure Fn(std::function<void()> function) {
  return Bind([](const std::function<void()>& f) { f(); }, std::move(function));
}

// Runs what is queued on the calling thread's loop, then returns.
inline void RunUntilIdle() {
  RunLoop run_loop;
  run_loop.QuitWhenIdle();
  run_loop.Run();
}

// What tasks on several threads add to, read by the test.
template <typename T>
class LockedList {
 public:
  void Add(T value) {
    AutoLock hold(lock_);
    values_.push_back(std::move(value));
  }
  // Takes what was added so far.
  std::vector<T> Take() {
    AutoLock hold(lock_);
    std::vector<T> taken;
    taken.swap(values_);
    return taken;
  }

 private:
  Lock lock_;
  std::vector<T> values_;
};

class ManualEvent : public WaitableEvent {
 public:
  ManualEvent()
      : WaitableEvent(ResetPolicy::MANUAL, InitialState::NOT_SIGNALED) {}
};

// Posts |task| to another thread's |runner| and waits until it has run.
inline void RunAndWait(TaskRunner* runner, Closure task) {
  ManualEvent done;
  CHECK(runner->PostTask(FROM_HERE, Fn([&] {
                           task.Run();
                           done.Signal();
                         })));
  done.Wait();
}

// How often a closure's bound state died, and on which thread: a
// WitnessedTask tells whether and where its closure was released.
struct DeathRecord {
  std::atomic<int> count{0};
  std::atomic<DWORD> thread{0};
  WaitableEvent* died = nullptr;  // signalled at each death when set
};

struct DeathWitness {
  ~DeathWitness() {
    record->thread = ::GetCurrentThreadId();
    ++record->count;
    if (record->died) record->died->Signal();
  }
  DeathRecord* record;
};

inline Closure WitnessedTask(
    DeathRecord* record, std::function<void()> function = [] {}) {
  return Bind([](const std::function<void()>& f, DeathWitness*) { f(); },
              std::move(function), Owned(new DeathWitness{record}));
}

// Runs |function| when the loop it watches is about to be destroyed.
class DestructionCallback : public MessageLoop::DestructionObserver {
 public:
  explicit DestructionCallback(std::function<void()> function)
      : function_(std::move(function)) {}
  void WillDestroyCurrentMessageLoop() override { function_(); }

 private:
  std::function<void()> function_;
};

// Runs code outside any task on the calling thread's loop.
class OutsideTaskPoster {
 public:
  virtual ~OutsideTaskPoster() = default;
  virtual void Post(std::function<void()> function) = 0;
};

// A message-only window: each posted function arrives as WM_APP.
class WindowPoster : public OutsideTaskPoster {
 public:
  WindowPoster() { CHECK(window_.Create(Bind(&WindowPoster::OnMessage))); }

  void Post(std::function<void()> function) override {
    auto* heap_function = new std::function<void()>(std::move(function));
    CHECK(::PostMessageW(window_.hwnd(), WM_APP, 0,
                         reinterpret_cast<LPARAM>(heap_function)));
  }

 private:
  static bool OnMessage(UINT message, WPARAM, LPARAM lparam, LRESULT*) {
    if (message != WM_APP) return false;
    std::unique_ptr<std::function<void()>> function(
        reinterpret_cast<std::function<void()>*>(lparam));
    (*function)();
    return true;
  }

  win::MessageWindow window_;
};

// A pipe registered with the thread's IO loop: each posted function is one
// byte written to the pipe and runs when its read completes.
class PipePoster : public OutsideTaskPoster,
                   public MessageLoopForIO::IOHandler {
 public:
  PipePoster() {
    static int counter = 0;
    std::wstring name = L"\\\\.\\pipe\\velto_loop_test_" +
                        std::to_wstring(::GetCurrentProcessId()) + L"_" +
                        std::to_wstring(++counter);
    server_.Set(::CreateNamedPipeW(name.c_str(),
                                   PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE, 1, 0, 4096, 0, nullptr));
    CHECK(server_.IsValid());
    client_.Set(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    CHECK(client_.IsValid());
    CHECK(MessageLoopForIO::current()->RegisterIOHandler(server_.Get(), this));
    StartRead();
  }

  void Post(std::function<void()> function) override {
    functions_.push_back(std::move(function));
    DWORD written = 0;
    char byte = 1;
    CHECK(::WriteFile(client_.Get(), &byte, 1, &written, nullptr));
  }

  void OnIOCompleted(OVERLAPPED* context, DWORD bytes, DWORD error) override {
    CHECK_EQ(context, &context_.overlapped);
    CHECK_EQ(error, 0u);
    std::function<void()> function = std::move(functions_.front());
    functions_.pop_front();
    StartRead();
    function();
  }

 private:
  void StartRead() {
    context_ = MessageLoopForIO::IOContext();
    if (!::ReadFile(server_.Get(), &buffer_, 1, nullptr,
                    &context_.overlapped)) {
      CHECK_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    }
  }

  win::ScopedHandle server_;
  win::ScopedHandle client_;
  MessageLoopForIO::IOContext context_;
  char buffer_ = 0;
  std::deque<std::function<void()>> functions_;
};

// The way to run code outside any task on a loop of |type|, UI or IO.
inline std::unique_ptr<OutsideTaskPoster>
MakeOutsideTaskPoster(MessageLoop::Type type) {
  if (type == MessageLoop::TYPE_UI) return std::make_unique<WindowPoster>();
  return std::make_unique<PipePoster>();
}

}  // namespace test
}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_TEST_HELPERS_H_
