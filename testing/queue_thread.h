// A plain thread that runs posted tasks from a queue, in posting order: the
// stand-in for a message loop in tests of task posting. The thread has a
// ThreadTaskRunnerHandle, so replies find their way back to it.
//
//   testing_support::QueueThread worker;
//   worker.task_runner()->PostTask(FROM_HERE, base::Bind(&Work));
//   worker.RunAndWait(base::Bind(&Check));  // runs after Work
//   worker.Stop();
//
// Delays are not honoured: a delayed task is queued like any other. Each
// task is released on the thread right after it ran. Stop refuses posts
// from then on, runs what is queued and joins; a refused task is released
// by the caller's post, on the posting thread.
#ifndef TESTING_QUEUE_THREAD_H_
#define TESTING_QUEUE_THREAD_H_

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

#include "base/bind.h"
#include "base/single_thread_task_runner.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/windows_types.h"

namespace testing_support {

class QueueTaskRunner : public base::SingleThreadTaskRunner {
 public:
  bool PostDelayedTask(const base::Location&, base::Closure task,
                       base::TimeDelta) override {
    return Enqueue(std::move(task));
  }
  bool PostNonNestableDelayedTask(const base::Location&, base::Closure task,
                                  base::TimeDelta) override {
    return Enqueue(std::move(task));
  }
  bool RunsTasksOnCurrentThread() const override {
    return ::GetCurrentThreadId() == thread_id_;
  }

 private:
  friend class QueueThread;
  ~QueueTaskRunner() override = default;

  bool Enqueue(base::Closure task) {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) return false;
    queue_.push_back(std::move(task));
    wake_.notify_one();
    return true;
  }

  // Runs tasks until stopped and drained.
  void RunUntilStopped() {
    for (;;) {
      base::Closure task;
      {
        std::unique_lock<std::mutex> hold(lock_);
        wake_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        task = std::move(queue_.front());
        queue_.pop_front();
      }
      task.Run();
    }
  }

  void RefusePosts() {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    wake_.notify_one();
  }

  DWORD thread_id_ = 0;  // written before the thread is announced
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<base::Closure> queue_;
  bool stopping_ = false;
};

class QueueThread {
 public:
  QueueThread() : runner_(new QueueTaskRunner) {
    std::promise<void> started;
    thread_ = std::thread([this, &started] {
      runner_->thread_id_ = ::GetCurrentThreadId();
      base::ThreadTaskRunnerHandle handle(runner_);
      started.set_value();
      runner_->RunUntilStopped();
    });
    started.get_future().wait();
  }
  ~QueueThread() { Stop(); }
  QueueThread(const QueueThread&) = delete;
  QueueThread& operator=(const QueueThread&) = delete;

  void Stop() {
    if (!thread_.joinable()) return;
    runner_->RefusePosts();
    thread_.join();
  }

  // Posts |task| and waits until it has run; false when refused.
  bool RunAndWait(base::Closure task) {
    std::promise<void> done;
    std::future<void> ran = done.get_future();
    auto run = [](const base::Closure& task, std::promise<void>* done) {
      task.Run();
      done->set_value();
    };
    if (!runner_->PostTask(FROM_HERE, base::Bind(run, std::move(task), &done)))
      return false;
    ran.wait();
    return true;
  }

  const scoped_refptr<QueueTaskRunner>& task_runner() const { return runner_; }

 private:
  scoped_refptr<QueueTaskRunner> runner_;
  std::thread thread_;
};

}  // namespace testing_support

#endif  // TESTING_QUEUE_THREAD_H_
