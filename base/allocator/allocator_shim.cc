#include "base/allocator/allocator_shim.h"

namespace base {
namespace allocator {
namespace {

// Nothing in the program adds tables; the head is fixed before any code
// runs, so the shim needs no lock.
const AllocatorDispatch* const g_chain_head =
    &AllocatorDispatch::default_dispatch;

}  // namespace

const AllocatorDispatch* GetAllocatorDispatchChainHead() {
  return g_chain_head;
}

void* ShimMalloc(size_t size) {
  const AllocatorDispatch* const head = g_chain_head;
  return head->alloc_function(head, size);
}

void* ShimCalloc(size_t count, size_t size) {
  const AllocatorDispatch* const head = g_chain_head;
  return head->alloc_zero_initialized_function(head, count, size);
}

void* ShimRealloc(void* address, size_t size) {
  const AllocatorDispatch* const head = g_chain_head;
  return head->realloc_function(head, address, size);
}

void ShimFree(void* address) {
  const AllocatorDispatch* const head = g_chain_head;
  head->free_function(head, address);
}

}  // namespace allocator
}  // namespace base
