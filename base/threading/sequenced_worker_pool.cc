#include "base/threading/sequenced_worker_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "base/logging.h"
#include "base/metrics/histogram.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"
#include "base/threading/sequenced_task_runner_handle.h"
#include "base/threading/simple_thread.h"
#include "base/threading/thread_local_storage.h"
#include "base/trace_event/task_profiler.h"
#include "base/trace_event/trace_log.h"
#include "base/win/windows_types.h"

#include <objbase.h>

namespace base {

namespace {

// Ids of named tokens, unique across pools; 0 stays "unsequenced".
std::atomic<int32_t> g_last_sequence_token_id{0};

// Null: SimpleThread::Start. Read by every thread that starts a worker.
std::atomic<internal::StartWorkerFunction> g_start_worker{nullptr};

// Lets the standard condition variables wait on a Lock.
class LockAdapter {
 public:
  explicit LockAdapter(Lock& lock) : lock_(lock) {}
  void lock() { lock_.Acquire(); }
  void unlock() { lock_.Release(); }

 private:
  Lock& lock_;
};

}  // namespace

// One worker thread. Its fields below the thread's own are touched only by
// the worker itself.
class SequencedWorkerPool::Worker : public SimpleThread {
 public:
  Worker(SequencedWorkerPool* pool, const std::string& name)
      : SimpleThread(name), pool_(pool), owner_(pool) {}

  // The worker running on the calling thread, or null.
  static Worker* GetForCurrentThread() {
    return static_cast<Worker*>(GetWorkerPoolThreadLocalSlot()->Get());
  }

  void Run() override;

  // Null once the worker has left its loop.
  SequencedWorkerPool* pool() const { return pool_.get(); }
  const SequencedWorkerPool* owner() const { return owner_; }

  void SetRunningTask(int32_t token_id, WorkerShutdown behavior) {
    running_token_id_ = token_id;
    running_shutdown_behavior_ = behavior;
    is_processing_task_ = true;
  }
  void ResetRunningTask() {
    running_token_id_ = 0;
    running_shutdown_behavior_ = BLOCK_SHUTDOWN;
    is_processing_task_ = false;
  }
  int32_t running_token_id() const { return running_token_id_; }
  bool is_processing_task() const { return is_processing_task_; }

 private:
  scoped_refptr<SequencedWorkerPool> pool_;
  // The pool for identity checks, valid also after |pool_| is dropped.
  const SequencedWorkerPool* const owner_;
  int32_t running_token_id_ = 0;
  WorkerShutdown running_shutdown_behavior_ = BLOCK_SHUTDOWN;
  bool is_processing_task_ = false;
};

class SequencedWorkerPool::Inner {
 public:
  Inner(SequencedWorkerPool* owner, size_t max_threads,
        const std::string& thread_name_prefix)
      : owner_(owner),
        max_threads_(max_threads),
        thread_name_prefix_(thread_name_prefix) {}

  // Joins every worker. The workers hold pool references, so by now each
  // has left its loop.
  ~Inner() {
    std::map<PlatformThreadId, std::unique_ptr<Worker>> threads;
    {
      AutoLock hold(lock_);
      threads.swap(threads_);
    }
    for (auto& entry : threads) entry.second->Join();
  }

  SequenceToken GetNamedSequenceToken(const std::string& name) {
    AutoLock hold(lock_);
    auto found = named_sequence_tokens_.find(name);
    if (found != named_sequence_tokens_.end())
      return SequenceToken(found->second);
    int32_t id = g_last_sequence_token_id.fetch_add(1) + 1;
    named_sequence_tokens_.emplace(name, id);
    return SequenceToken(id);
  }

  bool PostTask(int32_t token_id, WorkerShutdown shutdown_behavior,
                const Location& from_here, Closure task, TimeDelta delay);
  void Shutdown();
  void ThreadLoop(Worker* worker);

 private:
  enum class GetWorkStatus { kFound, kNotFound, kWait };

  struct SequencedTask {
    trace_event::Births* births = nullptr;
    uint32_t time_posted = 0;
    int32_t sequence_token_id = 0;
    int32_t trace_id = 0;
    int64_t sequence_task_number = 0;
    WorkerShutdown shutdown_behavior = BLOCK_SHUTDOWN;
    Location posted_from;
    Closure task;
    TimeTicks time_to_run;
  };

  struct TaskOrder {
    bool operator()(const SequencedTask& a, const SequencedTask& b) const {
      if (a.time_to_run != b.time_to_run) return a.time_to_run < b.time_to_run;
      return a.sequence_task_number < b.sequence_task_number;
    }
  };

  // All below under |lock_|.
  bool IsSequenceTokenRunnable(int32_t token_id) const {
    return token_id == 0 || current_sequences_.count(token_id) == 0;
  }
  GetWorkStatus GetWork(SequencedTask* task, TimeDelta* wait_time,
                        std::vector<SequencedTask>* delete_these);
  // The number of the thread to create, or 0 for none; a non-zero answer
  // marks a thread as being created.
  int PrepareToStartAdditionalThreadIfHelpful();
  bool CanShutdown() const;

  // Outside |lock_|. False when the thread could not be started.
  bool FinishStartingAdditionalThread(int thread_number);

  SequencedWorkerPool* const owner_;
  Lock lock_;
  std::condition_variable_any has_work_cv_;
  // Signalled whenever a count that Shutdown waits for falls, and whenever
  // a worker start ends, which posts waiting for the first worker need too.
  std::condition_variable_any can_shutdown_cv_;
  const size_t max_threads_;
  const std::string thread_name_prefix_;
  std::map<std::string, int32_t> named_sequence_tokens_;
  std::map<PlatformThreadId, std::unique_ptr<Worker>> threads_;
  bool thread_being_created_ = false;
  size_t waiting_thread_count_ = 0;
  size_t blocking_shutdown_thread_count_ = 0;
  std::set<SequencedTask, TaskOrder> pending_tasks_;
  int64_t next_sequence_task_number_ = 0;
  size_t blocking_shutdown_pending_task_count_ = 0;
  std::set<int32_t> current_sequences_;
  int32_t trace_id_ = 0;
  bool shutdown_called_ = false;
};

void SequencedWorkerPool::Worker::Run() {
  HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool com_initialized = SUCCEEDED(result);
  if (!com_initialized) {
    LOG(ERROR) << "Failed to enter a COM apartment on worker \""
               << name_prefix() << "\": "
               << logging::SystemErrorCodeToString(result);
  }
  GetWorkerPoolThreadLocalSlot()->Set(this);
  pool_->inner_->ThreadLoop(this);
  // May be the last reference: |owner_| still names the pool, so
  // OnDestruct sees a worker and hands the deletion to the creating thread.
  pool_.reset();
  if (com_initialized) ::CoUninitialize();
}

bool SequencedWorkerPool::Inner::PostTask(int32_t token_id,
                                          WorkerShutdown shutdown_behavior,
                                          const Location& from_here,
                                          Closure task, TimeDelta delay) {
  // Built before the lock, and on refusal released after it, so no
  // destructor of a bound argument runs under the lock.
  SequencedTask sequenced;
  sequenced.births = trace_event::ThreadData::TallyBirth(
      trace_event::ThreadData::Get(), from_here);
  sequenced.time_posted = trace_event::ThreadData::Now();
  sequenced.sequence_token_id = token_id;
  sequenced.shutdown_behavior = shutdown_behavior;
  sequenced.posted_from = from_here;
  sequenced.task = std::move(task);
  sequenced.time_to_run = TimeTicks::Now() + delay;

  int64_t task_number = 0;
  int create_thread_number = 0;
  {
    AutoLock hold(lock_);
    // While the first worker is being started, wait for the outcome: should
    // the start fail, this post tries for itself instead of leaving its task
    // where no worker will ever come for it.
    LockAdapter adapter(lock_);
    can_shutdown_cv_.wait(adapter, [this] {
      return !threads_.empty() || !thread_being_created_;
    });
    if (shutdown_called_) return false;
    task_number = next_sequence_task_number_++;
    sequenced.sequence_task_number = task_number;
    sequenced.trace_id = trace_id_++;
    TRACE_EVENT_FLOW_BEGIN0(
        "disabled-by-default-toplevel.flow",
        "SequencedWorkerPool::Inner::PostTask",
        (static_cast<uint64_t>(static_cast<uint32_t>(sequenced.trace_id))
         << 32) |
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)));
    if (shutdown_behavior == BLOCK_SHUTDOWN)
      ++blocking_shutdown_pending_task_count_;
    pending_tasks_.insert(std::move(sequenced));
    create_thread_number = PrepareToStartAdditionalThreadIfHelpful();
  }
  if (!create_thread_number) {
    has_work_cv_.notify_one();
    return true;
  }
  if (FinishStartingAdditionalThread(create_thread_number)) return true;

  // Destroyed after the lock is released, like a task refused above.
  SequencedTask refused;
  {
    AutoLock hold(lock_);
    // A worker started meanwhile by another post will find the task.
    if (!threads_.empty()) return true;
    // Without a worker nothing can have taken it, and nothing would ever
    // run it: the caller must learn that, so that it does the work itself.
    auto it = std::find_if(pending_tasks_.begin(), pending_tasks_.end(),
                           [task_number](const SequencedTask& pending) {
                             return pending.sequence_task_number ==
                                    task_number;
                           });
    CHECK(it != pending_tasks_.end()) << "A task left the pool with no worker";
    refused = std::move(pending_tasks_.extract(it).value());
    if (refused.shutdown_behavior == BLOCK_SHUTDOWN)
      --blocking_shutdown_pending_task_count_;
  }
  can_shutdown_cv_.notify_all();
  return false;
}

SequencedWorkerPool::Inner::GetWorkStatus SequencedWorkerPool::Inner::GetWork(
    SequencedTask* task, TimeDelta* wait_time,
    std::vector<SequencedTask>* delete_these) {
  TimeTicks now = TimeTicks::Now();
  auto it = pending_tasks_.begin();
  while (it != pending_tasks_.end()) {
    if (!IsSequenceTokenRunnable(it->sequence_token_id)) {
      ++it;
      continue;
    }
    if (shutdown_called_ && it->shutdown_behavior != BLOCK_SHUTDOWN) {
      // Never runs; its caller destroys it outside the lock.
      auto next = std::next(it);
      delete_these->push_back(std::move(pending_tasks_.extract(it).value()));
      it = next;
      continue;
    }
    break;
  }
  if (it == pending_tasks_.end()) return GetWorkStatus::kNotFound;
  if (it->time_to_run > now) {
    *wait_time = it->time_to_run - now;
    return GetWorkStatus::kWait;
  }
  *task = std::move(pending_tasks_.extract(it).value());
  if (task->shutdown_behavior == BLOCK_SHUTDOWN)
    --blocking_shutdown_pending_task_count_;
  return GetWorkStatus::kFound;
}

int SequencedWorkerPool::Inner::PrepareToStartAdditionalThreadIfHelpful() {
  if (shutdown_called_ || thread_being_created_ ||
      threads_.size() >= max_threads_ || waiting_thread_count_ != 0) {
    return 0;
  }
  for (const SequencedTask& pending : pending_tasks_) {
    if (IsSequenceTokenRunnable(pending.sequence_token_id)) {
      thread_being_created_ = true;
      return static_cast<int>(threads_.size() + 1);
    }
  }
  return 0;
}

bool SequencedWorkerPool::Inner::FinishStartingAdditionalThread(
    int thread_number) {
  auto worker = std::make_unique<Worker>(
      owner_, thread_name_prefix_ + "Worker" + std::to_string(thread_number));
  internal::StartWorkerFunction start =
      g_start_worker.load(std::memory_order_acquire);
  bool started = start ? start(worker.get()) : worker->Start();
  if (started) {
    // The worker has registered itself in |threads_|, or is about to.
    worker.release();
    return true;
  }
  // The start has logged why. Without clearing the mark no thread would be
  // created again, and Shutdown and the posts waiting for this thread would
  // wait for ever.
  {
    AutoLock hold(lock_);
    thread_being_created_ = false;
  }
  can_shutdown_cv_.notify_all();
  return false;
}

void SequencedWorkerPool::Inner::ThreadLoop(Worker* worker) {
  AutoLock hold(lock_);
  thread_being_created_ = false;
  threads_.emplace(worker->tid(), std::unique_ptr<Worker>(worker));
  // Posts waiting for the first worker go on.
  can_shutdown_cv_.notify_all();

  LockAdapter adapter(lock_);
  std::vector<SequencedTask> delete_these;
  for (;;) {
    SequencedTask task;
    TimeDelta wait_time;
    GetWorkStatus status = GetWork(&task, &wait_time, &delete_these);
    if (status == GetWorkStatus::kFound) {
      if (task.sequence_token_id != 0)
        current_sequences_.insert(task.sequence_token_id);
      if (task.shutdown_behavior == BLOCK_SHUTDOWN)
        ++blocking_shutdown_thread_count_;
      int create_thread_number = PrepareToStartAdditionalThreadIfHelpful();
      {
        AutoUnlock unlock(lock_);
        has_work_cv_.notify_one();
        delete_these.clear();
        if (create_thread_number)
          FinishStartingAdditionalThread(create_thread_number);

        worker->SetRunningTask(task.sequence_token_id, task.shutdown_behavior);
        {
          TRACE_EVENT2("toplevel", "SequencedWorkerPool::Inner::ThreadLoop",
                       "src_file", task.posted_from.file_name(), "src_func",
                       task.posted_from.function_name());
          trace_event::TaskStopwatch stopwatch;
          stopwatch.Start();
          task.task.Run();
          stopwatch.Stop();
          trace_event::ThreadData::TallyDeath(
              stopwatch.thread_data(), task.births,
              static_cast<int32_t>(stopwatch.start_time() - task.time_posted),
              stopwatch);
        }
        // Released before the sequence is free again: a destructor of a
        // bound argument still belongs to the sequence.
        task.task = Closure();
        worker->ResetRunningTask();
      }
      if (task.shutdown_behavior == BLOCK_SHUTDOWN)
        --blocking_shutdown_thread_count_;
      if (task.sequence_token_id != 0)
        current_sequences_.erase(task.sequence_token_id);
      continue;
    }

    if (shutdown_called_ && blocking_shutdown_pending_task_count_ == 0) break;
    if (!delete_these.empty()) {
      AutoUnlock unlock(lock_);
      delete_these.clear();
      continue;
    }
    ++waiting_thread_count_;
    if (status == GetWorkStatus::kNotFound) {
      has_work_cv_.wait(adapter);
    } else {
      has_work_cv_.wait_for(
          adapter, std::chrono::milliseconds(wait_time.InMilliseconds()));
    }
    --waiting_thread_count_;
  }

  {
    AutoUnlock unlock(lock_);
    delete_these.clear();
  }
  // Passes the news on, so that every waiting worker leaves its loop.
  has_work_cv_.notify_one();
  can_shutdown_cv_.notify_all();
}

bool SequencedWorkerPool::Inner::CanShutdown() const {
  // A pending task always has a worker (PostTask refuses it otherwise), so
  // waiting for the counts to reach 0 ends.
  return !thread_being_created_ && blocking_shutdown_thread_count_ == 0 &&
         blocking_shutdown_pending_task_count_ == 0;
}

void SequencedWorkerPool::Inner::Shutdown() {
  TimeTicks wait_begin;
  {
    AutoLock hold(lock_);
    if (shutdown_called_) return;
    shutdown_called_ = true;
    has_work_cv_.notify_one();
    if (CanShutdown()) return;
    wait_begin = TimeTicks::Now();
    LockAdapter adapter(lock_);
    can_shutdown_cv_.wait(adapter, [this] { return CanShutdown(); });
  }
  Histogram::FactoryTimeGet("SequencedWorkerPool.ShutdownDelayTime",
                            TimeDelta::FromMilliseconds(1),
                            TimeDelta::FromSeconds(10))
      ->Add(static_cast<int32_t>((TimeTicks::Now() - wait_begin)
                                     .InMilliseconds()));
}

// A runner bound to one token and one shutdown behaviour.
class SequencedWorkerPool::PoolSequencedTaskRunner
    : public SequencedTaskRunner {
 public:
  PoolSequencedTaskRunner(scoped_refptr<SequencedWorkerPool> pool,
                          SequenceToken token, WorkerShutdown behavior)
      : pool_(std::move(pool)), token_(token), behavior_(behavior) {}

  bool PostDelayedTask(const Location& from_here, Closure task,
                       TimeDelta delay) override {
    WorkerShutdown behavior = delay.is_zero() ? behavior_ : SKIP_ON_SHUTDOWN;
    return pool_->inner_->PostTask(token_.id(), behavior, from_here,
                                   std::move(task), delay);
  }

  bool RunsTasksOnCurrentThread() const override {
    Worker* worker = Worker::GetForCurrentThread();
    return worker && worker->owner() == pool_.get() &&
           worker->is_processing_task() &&
           worker->running_token_id() == token_.id();
  }

  bool PostNonNestableDelayedTask(const Location& from_here, Closure task,
                                  TimeDelta delay) override {
    return PostDelayedTask(from_here, std::move(task), delay);
  }

 private:
  ~PoolSequencedTaskRunner() override = default;

  const scoped_refptr<SequencedWorkerPool> pool_;
  const SequenceToken token_;
  const WorkerShutdown behavior_;
};

SequencedWorkerPool::SequencedWorkerPool(size_t max_threads,
                                         const std::string& thread_name_prefix)
    : constructor_task_runner_(SequencedTaskRunnerHandle::Get()),
      inner_(std::make_unique<Inner>(this, max_threads, thread_name_prefix)) {
  CHECK_GE(max_threads, 1u) << "A pool without workers runs nothing";
  SequencedTaskRunnerHandle::SetPoolRunnerGetter(&GetRunnerForCurrentWorker);
}

SequencedWorkerPool::~SequencedWorkerPool() = default;

SequencedWorkerPool::SequenceToken SequencedWorkerPool::GetNamedSequenceToken(
    const std::string& name) {
  return inner_->GetNamedSequenceToken(name);
}

scoped_refptr<SequencedTaskRunner>
SequencedWorkerPool::GetSequencedTaskRunnerForToken(
    SequenceToken token, WorkerShutdown shutdown_behavior) {
  return new PoolSequencedTaskRunner(this, token, shutdown_behavior);
}

void SequencedWorkerPool::Shutdown() { inner_->Shutdown(); }

bool SequencedWorkerPool::PostDelayedTask(const Location& from_here,
                                          Closure task, TimeDelta delay) {
  WorkerShutdown behavior =
      delay > TimeDelta() ? SKIP_ON_SHUTDOWN : BLOCK_SHUTDOWN;
  return inner_->PostTask(0, behavior, from_here, std::move(task), delay);
}

bool SequencedWorkerPool::RunsTasksOnCurrentThread() const {
  Worker* worker = Worker::GetForCurrentThread();
  return worker && worker->owner() == this;
}

void SequencedWorkerPool::OnDestruct() const {
  if (!RunsTasksOnCurrentThread()) {
    delete this;
    return;
  }
  // Deleting joins the workers, which a worker cannot do to itself.
  if (constructor_task_runner_ &&
      constructor_task_runner_->DeleteSoonInternal(
          Location("OnDestruct", __FILE__, 1499, GetProgramCounter()),
          &DeletePool, this)) {
    return;
  }
  LOG(ERROR) << "Leaking a worker pool: its creating thread takes no more "
                "tasks, and a worker cannot delete the pool that joins it";
}

// static
scoped_refptr<SequencedTaskRunner>
SequencedWorkerPool::GetRunnerForCurrentWorker() {
  Worker* worker = Worker::GetForCurrentThread();
  if (!worker || !worker->pool()) return nullptr;
  return new PoolSequencedTaskRunner(worker->pool(),
                                     SequenceToken(worker->running_token_id()),
                                     BLOCK_SHUTDOWN);
}

// static
void SequencedWorkerPool::DeletePool(const void* pool) {
  delete static_cast<const SequencedWorkerPool*>(pool);
}

namespace internal {

ScopedStartWorkerForTesting::ScopedStartWorkerForTesting(
    StartWorkerFunction start)
    : previous_(g_start_worker.exchange(start, std::memory_order_acq_rel)) {}

ScopedStartWorkerForTesting::~ScopedStartWorkerForTesting() {
  g_start_worker.store(previous_, std::memory_order_release);
}

}  // namespace internal

}  // namespace base
