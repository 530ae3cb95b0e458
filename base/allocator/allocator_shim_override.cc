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

// msvcrt's string copies come from msvcrt's own heap, which our free does not
// know, and every caller frees them with free: the module gets its own,
// from the shim. They carry the runtime's names as assembler labels, because
// the runtime's headers, which this file reaches through its includes,
// declare those names imported.
extern "C" {
char* ShimStrdup(const char* text) __asm__("_strdup");
char* ShimStrdupAlias(const char* text) __asm__("strdup");
wchar_t* ShimWcsdup(const wchar_t* text) __asm__("_wcsdup");
wchar_t* ShimWcsdupAlias(const wchar_t* text) __asm__("wcsdup");
}  // extern "C"

namespace {

template <typename Char>
Char* Duplicate(const Char* text) {
  if (!text) return nullptr;
  size_t length = 0;
  while (text[length]) ++length;
  const size_t bytes = (length + 1) * sizeof(Char);
  Char* copy = static_cast<Char*>(ShimMalloc(bytes));
  if (copy) __builtin_memcpy(copy, text, bytes);
  return copy;
}

}  // namespace

char* ShimStrdup(const char* text) { return Duplicate(text); }
char* ShimStrdupAlias(const char* text) { return Duplicate(text); }
wchar_t* ShimWcsdup(const wchar_t* text) { return Duplicate(text); }
wchar_t* ShimWcsdupAlias(const wchar_t* text) { return Duplicate(text); }

// Code compiled against those headers calls the imported functions through
// these pointers (gtest's among them); defined here, they lead to
// the copies above instead of msvcrt's.
extern "C" {
extern char* (*const g_strdup_import)(const char*) __asm__("__imp__strdup");
extern wchar_t* (*const g_wcsdup_import)(const wchar_t*) __asm__(
    "__imp__wcsdup");
char* (*const g_strdup_import)(const char*) = &ShimStrdup;
wchar_t* (*const g_wcsdup_import)(const wchar_t*) = &ShimWcsdup;
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
