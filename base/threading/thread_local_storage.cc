#include "base/threading/thread_local_storage.h"

#include <string.h>

#include <atomic>

#include "base/immediate_crash.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/synchronization/lock.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

constexpr int kThreadLocalStorageSize = 256;
// Destructors may store new values; give up after this many passes.
constexpr int kMaxDestructorPasses = 256;

enum SlotStatus : uint32_t { kSlotFree = 0, kSlotInUse = 1 };

struct SlotMetadata {
  uint32_t status;
  TLSDestructorFunc destructor;
  // Incremented each time the entry is freed.
  uint32_t version;
};

struct VectorEntry {
  void* data;
  uint32_t version;
};

static_assert(sizeof(VectorEntry) * kThreadLocalStorageSize == 4096,
              "a thread's vector is one page");

// The system TLS index of every slot vector; TLS_OUT_OF_INDEXES until the
// first vector is made.
std::atomic<DWORD> g_native_tls_index{TLS_OUT_OF_INDEXES};

// The slot table and where the next claim starts; guarded by
// GetThreadLocalStorageLock().
SlotMetadata g_slot_table[kThreadLocalStorageSize];
int g_last_claimed_slot = kThreadLocalStorageSize - 1;

// The thread's system value once its vector was torn down at exit: a late
// reader must neither see old values nor build a vector that nobody frees.
VectorEntry* const kTornDownVector = reinterpret_cast<VectorEntry*>(1);

VectorEntry* GetThreadVector(DWORD index) {
  return static_cast<VectorEntry*>(::TlsGetValue(index));
}

bool IsLiveVector(const VectorEntry* vector) {
  return vector != nullptr && vector != kTornDownVector;
}

// The calling thread's vector, made when the thread has none. Null once the
// thread's vector was torn down and |create_after_teardown| is false.
VectorEntry* GetOrCreateThreadVector(bool create_after_teardown) {
  DWORD index = g_native_tls_index.load(std::memory_order_acquire);
  if (index != TLS_OUT_OF_INDEXES) {
    VectorEntry* vector = GetThreadVector(index);
    if (IsLiveVector(vector)) return vector;
    if (vector == kTornDownVector && !create_after_teardown) return nullptr;
  }
  return static_cast<VectorEntry*>(ConstructThreadLocalStorageVector());
}

DWORD GetOrAllocateNativeIndex() {
  DWORD index = g_native_tls_index.load(std::memory_order_acquire);
  if (index != TLS_OUT_OF_INDEXES) return index;
  DWORD allocated = ::TlsAlloc();
  if (allocated == TLS_OUT_OF_INDEXES) {
    volatile DWORD error = ::GetLastError();  // kept for the crash dump
    (void)error;
    ImmediateCrash();
  }
  DWORD expected = TLS_OUT_OF_INDEXES;
  if (g_native_tls_index.compare_exchange_strong(expected, allocated,
                                                 std::memory_order_acq_rel,
                                                 std::memory_order_acquire)) {
    return allocated;
  }
  // Another thread published its index first.
  ::TlsFree(allocated);
  return expected;
}

// Runs the destructors of the ending thread's values and tears its vector
// down. Without |may_wait_for_table| the table lock is only tried; when it
// is busy, the values are left to the end of the process.
void RunThreadExit(VectorEntry* heap_vector, bool may_wait_for_table) {
  DWORD index = g_native_tls_index.load(std::memory_order_acquire);

  // Destructors run against a stack copy, which they may store into.
  VectorEntry stack_vector[kThreadLocalStorageSize];
  memcpy(stack_vector, heap_vector, sizeof(stack_vector));
  ::TlsSetValue(index, stack_vector);
  delete[] heap_vector;

  // The table is read under the lock once; destructors run outside it, since
  // they may take locks (or claim slots) of their own.
  SlotMetadata table[kThreadLocalStorageSize];
  Lock* lock = GetThreadLocalStorageLock();
  if (may_wait_for_table) {
    lock->Acquire();
  } else if (!lock->Try()) {
    ::TlsSetValue(index, kTornDownVector);
    return;
  }
  memcpy(table, g_slot_table, sizeof(table));
  lock->Release();

  for (int pass = 0; pass < kMaxDestructorPasses; ++pass) {
    bool ran_destructor = false;
    for (int slot = 0; slot < kThreadLocalStorageSize; ++slot) {
      void* value = stack_vector[slot].data;
      const SlotMetadata& entry = table[slot];
      if (!value || entry.status != kSlotInUse ||
          stack_vector[slot].version != entry.version || !entry.destructor) {
        continue;
      }
      stack_vector[slot].data = nullptr;
      entry.destructor(value);
      ran_destructor = true;
    }
    if (!ran_destructor) break;
  }

  ::TlsSetValue(index, kTornDownVector);
}

// The loader's per-module thread-exit notification. It lives in this file so
// that every module using the slots carries it: a callback alone in an
// object of a static archive would be dropped by the linker.
void NTAPI OnThreadExit(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_THREAD_DETACH && reason != DLL_PROCESS_DETACH) return;
  DWORD index = g_native_tls_index.load(std::memory_order_acquire);
  if (index == TLS_OUT_OF_INDEXES) return;
  VectorEntry* vector = GetThreadVector(index);
  if (!IsLiveVector(vector)) return;
  // When the process ends, its other threads were killed wherever they
  // were, perhaps holding the table lock: waiting for it could hang the
  // exit.
  RunThreadExit(vector, /*may_wait_for_table=*/reason == DLL_THREAD_DETACH);
}

}  // namespace

// Listed between the runtime's first and last TLS callbacks; the name lets a
// module's link line force this object in (-Wl,-u,...).
extern "C" {
extern const PIMAGE_TLS_CALLBACK velto_thread_local_storage_exit_callback;
__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK velto_thread_local_storage_exit_callback =
    &OnThreadExit;
}

Lock* GetThreadLocalStorageLock() {
  static Lock* lock = new Lock();
  return lock;
}

void* ConstructThreadLocalStorageVector() {
  DWORD index = GetOrAllocateNativeIndex();
  VectorEntry* existing = GetThreadVector(index);
  if (IsLiveVector(existing)) ImmediateCrash();

  // The allocation below may itself reach a slot (through the allocator or
  // a hook); it then finds this stack vector instead of recursing.
  VectorEntry stack_vector[kThreadLocalStorageSize];
  memset(stack_vector, 0, sizeof(stack_vector));
  ::TlsSetValue(index, stack_vector);

  VectorEntry* heap_vector = new VectorEntry[kThreadLocalStorageSize];
  memcpy(heap_vector, stack_vector, sizeof(stack_vector));
  ::TlsSetValue(index, heap_vector);
  return heap_vector;
}

void OnThreadExitForThreadLocalStorage(void* vector) {
  RunThreadExit(static_cast<VectorEntry*>(vector),
                /*may_wait_for_table=*/true);
}

ThreadLocalStorageSlot::ThreadLocalStorageSlot(TLSDestructorFunc destructor)
    : ThreadLocalStorageSlot() {
  Initialize(destructor);
}

void ThreadLocalStorageSlot::Initialize(TLSDestructorFunc destructor) {
  GetOrCreateThreadVector(/*create_after_teardown=*/true);

  slot_ = -1;
  version_ = 0;
  {
    AutoLock hold(*GetThreadLocalStorageLock());
    for (int i = 0; i < kThreadLocalStorageSize; ++i) {
      int candidate = (g_last_claimed_slot + 1 + i) % kThreadLocalStorageSize;
      SlotMetadata& entry = g_slot_table[candidate];
      if (entry.status != kSlotFree) continue;
      g_last_claimed_slot = candidate;
      entry.status = kSlotInUse;
      entry.destructor = destructor;
      slot_ = candidate;
      version_ = entry.version;
      break;
    }
  }
  CHECK_NE(slot_, -1) << "all " << kThreadLocalStorageSize
                      << " thread-local slots are in use";
  initialized_ = 1;
}

void ThreadLocalStorageSlot::Free() {
  if (slot_ >= 0) {
    AutoLock hold(*GetThreadLocalStorageLock());
    SlotMetadata& entry = g_slot_table[slot_];
    entry.status = kSlotFree;
    entry.destructor = nullptr;
    ++entry.version;
  }
  slot_ = -1;
  initialized_ = 0;
}

void* ThreadLocalStorageSlot::Get() const {
  if (slot_ < 0) return nullptr;
  VectorEntry* vector = GetOrCreateThreadVector(
      /*create_after_teardown=*/false);
  if (!vector) return nullptr;
  const VectorEntry& entry = vector[slot_];
  return entry.version == version_ ? entry.data : nullptr;
}

void ThreadLocalStorageSlot::Set(void* value) {
  int slot = slot_;
  if (slot < 0) {
    const void* volatile unclaimed_slot = this;  // kept for the crash dump
    (void)unclaimed_slot;
    ImmediateCrash();
  }
  // A store after this thread's teardown gets a new vector: the caller may
  // read the value back, though no destructor will run for it.
  VectorEntry* vector = GetOrCreateThreadVector(
      /*create_after_teardown=*/true);
  vector[slot].data = value;
  vector[slot].version = version_;
}

namespace {

std::atomic<uintptr_t> g_worker_pool_slot{kLazyInstanceStateNone};

}  // namespace

ThreadLocalStorageSlot* GetWorkerPoolThreadLocalSlot() {
  return GetOrCreateLazyPointer<ThreadLocalStorageSlot>(
      &g_worker_pool_slot, [] { return new ThreadLocalStorageSlot(nullptr); });
}

namespace internal {

bool ThreadHasLocalStorageVectorForTesting() {
  DWORD index = g_native_tls_index.load(std::memory_order_acquire);
  return index != TLS_OUT_OF_INDEXES && IsLiveVector(GetThreadVector(index));
}

}  // namespace internal
}  // namespace base
