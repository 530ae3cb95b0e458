// Replaces the runtime's heap functions with the shim. Linked as an object
// (never from an archive), so these definitions win over msvcrt's for every
// caller in the module: our code, and the statically linked libstdc++,
// libgcc and winpthreads.
#include <stddef.h>

#include <new>

#include "base/allocator/allocator_shim.h"

using base::allocator::ShimCalloc;
using base::allocator::ShimFree;
using base::allocator::ShimMalloc;
using base::allocator::ShimRealloc;

extern "C" {

void* malloc(size_t size) { return ShimMalloc(size); }

void* calloc(size_t count, size_t size) { return ShimCalloc(count, size); }

void* realloc(void* address, size_t size) {
  return ShimRealloc(address, size);
}

void free(void* address) { ShimFree(address); }

}  // extern "C"

namespace {

// operator new's own failure handling: ask the new handler, if one is
// installed, then retry; without one, throw.
void* NewOrThrow(size_t size) {
  for (;;) {
    void* block = ShimMalloc(size);
    if (block) return block;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* NewOrNull(size_t size) noexcept {
  try {
    return NewOrThrow(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

void* operator new(size_t size) { return NewOrThrow(size); }
void* operator new[](size_t size) { return NewOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return NewOrNull(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return NewOrNull(size);
}

void operator delete(void* address) noexcept { ShimFree(address); }
void operator delete[](void* address) noexcept { ShimFree(address); }
void operator delete(void* address, size_t) noexcept { ShimFree(address); }
void operator delete[](void* address, size_t) noexcept { ShimFree(address); }
void operator delete(void* address, const std::nothrow_t&) noexcept {
  ShimFree(address);
}
void operator delete[](void* address, const std::nothrow_t&) noexcept {
  ShimFree(address);
}
