#include "components/prefs/prefs_task_pool.h"

#include <stdint.h>

#include "base/at_exit.h"
#include "base/files/file_path.h"
#include "base/threading/sequenced_worker_pool.h"
#include "base/win/windows_types.h"

namespace {

constexpr size_t kMaxWorkers = 2;
constexpr char kThreadNamePrefix[] = "PrefsTaskPool";
constexpr DWORD kReferencePollMilliseconds = 100;

// 0: no instance; 1: being created; otherwise the instance's address.
constexpr uintptr_t kBeingCreated = 1;
std::atomic<uintptr_t> g_instance{0};

}  // namespace

// static
PrefsTaskPoolOwner* PrefsTaskPoolOwner::GetInstance() {
  uintptr_t state = g_instance.load(std::memory_order_acquire);
  if (state == 0 &&
      g_instance.compare_exchange_strong(state, kBeingCreated,
                                         std::memory_order_acquire)) {
    PrefsTaskPoolOwner* owner = new PrefsTaskPoolOwner;
    g_instance.store(reinterpret_cast<uintptr_t>(owner),
                     std::memory_order_release);
    base::AtExitManager::RegisterCallback(&TearDown, owner);
    return owner;
  }
  while ((state = g_instance.load(std::memory_order_acquire)) == kBeingCreated)
    ::Sleep(0);
  return reinterpret_cast<PrefsTaskPoolOwner*>(state);
}

PrefsTaskPoolOwner::PrefsTaskPoolOwner()
    : pool_(new base::SequencedWorkerPool(kMaxWorkers, kThreadNamePrefix)) {}

PrefsTaskPoolOwner::~PrefsTaskPoolOwner() = default;

// static
void PrefsTaskPoolOwner::TearDown(void* owner) {
  PrefsTaskPoolOwner* instance = static_cast<PrefsTaskPoolOwner*>(owner);
  instance->Shutdown();
  delete instance;
  g_instance.store(0, std::memory_order_release);
}

void PrefsTaskPoolOwner::Shutdown() {
  pool_->Shutdown();
  if (wait_for_last_reference_) {
    // Task runners and workers each hold a reference to the pool.
    while (!pool_->HasOneRef())
      ::Sleep(kReferencePollMilliseconds);
  }
  pool_.reset();
}

PrefsTaskPoolOwner* GetPrefsTaskPool() {
  return PrefsTaskPoolOwner::GetInstance();
}

scoped_refptr<JsonPrefStore> CreateJsonPrefStore(PrefsTaskPoolOwner* owner,
                                                 const base::FilePath& path) {
  scoped_refptr<JsonPrefStore> store(new JsonPrefStore(
      path, JsonPrefStore::GetTaskRunnerForFile(path, owner->pool())));
  store->ReadPrefs();
  return store;
}
