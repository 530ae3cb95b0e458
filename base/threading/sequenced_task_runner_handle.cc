#include "base/threading/sequenced_task_runner_handle.h"

#include <atomic>

#include "base/threading/thread_task_runner_handle.h"

namespace base {

namespace {
std::atomic<SequencedTaskRunnerHandle::PoolRunnerGetter> g_pool_getter{nullptr};
}  // namespace

scoped_refptr<SequencedTaskRunner> SequencedTaskRunnerHandle::Get() {
  if (PoolRunnerGetter getter = g_pool_getter.load(std::memory_order_acquire)) {
    if (scoped_refptr<SequencedTaskRunner> runner = getter()) return runner;
  }
  return ThreadTaskRunnerHandle::Get();
}

void SequencedTaskRunnerHandle::SetPoolRunnerGetter(PoolRunnerGetter getter) {
  g_pool_getter.store(getter, std::memory_order_release);
}

}  // namespace base
