// The default dispatch table: the private Windows heap.
#include <string.h>

#include <atomic>

#include "base/allocator/allocator_shim.h"
#include "base/immediate_crash.h"

namespace base {
namespace allocator {
namespace {

std::atomic<HANDLE> g_private_heap{nullptr};

void* HeapAllocate(size_t size) {
  if (size >= kMaxAllocationSize) return nullptr;
  return ::HeapAlloc(GetPrivateHeap(), 0, size);
}

void* DefaultAlloc(const AllocatorDispatch*, size_t size) {
  return HeapAllocate(size);
}

void* DefaultAllocZeroInitialized(const AllocatorDispatch*, size_t count,
                                  size_t size) {
  size_t total = count * size;
  if (count != 0 && total / count != size) return nullptr;  // overflow
  void* block = HeapAllocate(total);
  if (block) memset(block, 0, total);
  return block;
}

void* DefaultAllocAligned(const AllocatorDispatch*, size_t alignment,
                          size_t size) {
  // Aligned requests are not supported; a caller that needs one has no
  // fallback, so stop where it asks.
  volatile size_t requested_alignment = alignment;  // kept for the crash dump
  volatile size_t requested_size = size;
  (void)requested_alignment;
  (void)requested_size;
  ImmediateCrash();
}

void* DefaultRealloc(const AllocatorDispatch*, void* address, size_t size) {
  if (!address) return HeapAllocate(size);
  if (size == 0) {
    ::HeapFree(GetPrivateHeap(), 0, address);
    return nullptr;
  }
  if (size >= kMaxAllocationSize) return nullptr;
  return ::HeapReAlloc(GetPrivateHeap(), 0, address, size);
}

void DefaultFree(const AllocatorDispatch*, void* address) {
  if (address) ::HeapFree(GetPrivateHeap(), 0, address);
}

size_t DefaultGetSizeEstimate(const AllocatorDispatch*, void* address) {
  if (!address) return 0;
  // The heap's own header rounds each block up to the next multiple of 8.
  size_t size = ::HeapSize(GetPrivateHeap(), 0, address);
  return (size + 15) & ~static_cast<size_t>(7);
}

}  // namespace

HANDLE GetPrivateHeap() {
  HANDLE heap = g_private_heap.load(std::memory_order_acquire);
  if (heap) return heap;
  // Not a function-local static: its guard would allocate, reentering here.
  HANDLE created = ::HeapCreate(0, 0, 0);
  if (!created) {
    volatile DWORD error = ::GetLastError();  // kept for the crash dump
    (void)error;
    ImmediateCrash();
  }
  HANDLE expected = nullptr;
  if (g_private_heap.compare_exchange_strong(expected, created,
                                             std::memory_order_acq_rel,
                                             std::memory_order_acquire)) {
    return created;
  }
  // Another thread published its heap first; ours holds nothing yet.
  ::HeapDestroy(created);
  return expected;
}

const AllocatorDispatch AllocatorDispatch::default_dispatch = {
    &DefaultAlloc,       &DefaultAllocZeroInitialized,
    &DefaultAllocAligned, &DefaultRealloc,
    &DefaultFree,        &DefaultGetSizeEstimate,
    nullptr,
};

}  // namespace allocator
}  // namespace base
