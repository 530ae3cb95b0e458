// The allocator shim: every heap allocation of the module, the runtime's
// included, goes through these four entry points.
//
// The module replaces malloc, calloc, realloc, free and operator new and
// delete (allocator_shim_override.cc) with calls into the shim, which calls
// the first table of a chain of allocator dispatch tables. The only table is
// the default one: it allocates from a private Windows heap and refuses any
// single request of kMaxAllocationSize bytes or more.
//
//   void* block = ShimMalloc(size);
//   if (!block) return false;  // failure is reported, never retried
//   ShimFree(block);
//
// Failure returns null; the new handler is never called (the runtime's new
// mode is 0). A block that the private heap did not hand out must never be
// passed to ShimFree or ShimRealloc. The module therefore has its own
// _strdup, strdup, _wcsdup and wcsdup on the shim, and uses none of msvcrt's
// other functions that hand out memory (_fullpath or _getcwd with a null
// buffer, _tempnam, ...): their blocks belong to msvcrt's heap.
#ifndef BASE_ALLOCATOR_ALLOCATOR_SHIM_H_
#define BASE_ALLOCATOR_ALLOCATOR_SHIM_H_

#include <stddef.h>

#include "base/win/windows_types.h"

namespace base {
namespace allocator {

// The smallest request that fails: just below 2 GB.
constexpr size_t kMaxAllocationSize = 0x7FFFEFFF;

// One table of the chain. Each operation receives its own table first, so
// a table that forwards can find |next|.
struct AllocatorDispatch {
  using AllocFn = void*(const AllocatorDispatch* self, size_t size);
  using AllocZeroInitializedFn = void*(const AllocatorDispatch* self,
                                       size_t count, size_t size);
  using AllocAlignedFn = void*(const AllocatorDispatch* self,
                               size_t alignment, size_t size);
  using ReallocFn = void*(const AllocatorDispatch* self, void* address,
                          size_t size);
  using FreeFn = void(const AllocatorDispatch* self, void* address);
  // Bytes that a block takes at least, for memory accounting.
  using GetSizeEstimateFn = size_t(const AllocatorDispatch* self,
                                   void* address);

  AllocFn* const alloc_function;
  AllocZeroInitializedFn* const alloc_zero_initialized_function;
  AllocAlignedFn* const alloc_aligned_function;
  ReallocFn* const realloc_function;
  FreeFn* const free_function;
  GetSizeEstimateFn* const get_size_estimate_function;

  // The next table of the chain; null for the last.
  const AllocatorDispatch* next;

  // The table over the private heap.
  static const AllocatorDispatch default_dispatch;
};

// The first table of the chain (the default table).
const AllocatorDispatch* GetAllocatorDispatchChainHead();

void* ShimMalloc(size_t size);
void* ShimCalloc(size_t count, size_t size);
void* ShimRealloc(void* address, size_t size);
void ShimFree(void* address);

// The private heap, created on first use (HeapCreate with options 0, growing
// without limit). It is never destroyed: destructors that run while the
// process shuts down still free into it.
HANDLE GetPrivateHeap();

}  // namespace allocator
}  // namespace base

#endif  // BASE_ALLOCATOR_ALLOCATOR_SHIM_H_
