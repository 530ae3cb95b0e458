#include "base/allocator/allocator_shim.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "testing/child_process.h"

namespace base {
namespace allocator {
namespace {

// True when |address| lies inside a busy block of the private heap. Finds
// interior pointers too, such as an exception object behind the runtime's
// header.
bool PrivateHeapContains(const void* address) {
  HANDLE heap = GetPrivateHeap();
  const char* target = static_cast<const char*>(address);
  bool found = false;
  ::HeapLock(heap);
  PROCESS_HEAP_ENTRY entry = {};
  while (!found && ::HeapWalk(heap, &entry)) {
    if (!(entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)) continue;
    const char* begin = static_cast<const char*>(entry.lpData);
    found = target >= begin && target < begin + entry.cbData;
  }
  ::HeapUnlock(heap);
  return found;
}

// Keeps the compiler from pairing and removing calls it knows.
void* volatile g_sink;

// The cap is checked before the heap, for calloc after its overflow check.
TEST(AllocatorShimTest, SizeLimitAndCallocOverflow) {
  EXPECT_EQ(nullptr, ShimMalloc(kMaxAllocationSize));

  // One byte less is the heap's to decide; a 2 GB reservation succeeds
  // here and is never touched.
  void* largest = ShimMalloc(kMaxAllocationSize - 1);
  ASSERT_NE(nullptr, largest);
  EXPECT_TRUE(::HeapValidate(GetPrivateHeap(), 0, largest));
  ShimFree(largest);

  const size_t two_to_33 = size_t{1} << 33;
  EXPECT_EQ(nullptr, ShimCalloc(two_to_33, two_to_33));
  EXPECT_EQ(nullptr, ShimCalloc(1, kMaxAllocationSize));

  void* empty = ShimCalloc(0, 16);
  EXPECT_NE(nullptr, empty);
  ShimFree(empty);
}

TEST(AllocatorShimTest, CallocZeroesReusedMemory) {
  // Dirty a block, free it, and ask for the same size: the heap usually
  // hands the same memory back, which calloc must clear.
  for (int attempt = 0; attempt < 8; ++attempt) {
    unsigned char* dirty = static_cast<unsigned char*>(ShimMalloc(256));
    ASSERT_NE(nullptr, dirty);
    memset(dirty, 0xAB, 256);
    ShimFree(dirty);

    unsigned char* zeroed = static_cast<unsigned char*>(ShimCalloc(32, 8));
    ASSERT_NE(nullptr, zeroed);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(0, zeroed[i]) << "byte " << i;
    ShimFree(zeroed);
  }
}

TEST(AllocatorShimTest, ReallocCases) {
  char* block = static_cast<char*>(ShimRealloc(nullptr, 10));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(10u, ::HeapSize(GetPrivateHeap(), 0, block));
  memcpy(block, "123456789", 10);

  // Growing keeps the contents; a refused size leaves the block as it was.
  block = static_cast<char*>(ShimRealloc(block, 100000));
  ASSERT_NE(nullptr, block);
  EXPECT_STREQ("123456789", block);
  EXPECT_EQ(nullptr, ShimRealloc(block, kMaxAllocationSize));
  EXPECT_TRUE(::HeapValidate(GetPrivateHeap(), 0, block));
  EXPECT_STREQ("123456789", block);
  EXPECT_EQ(nullptr, ShimRealloc(block, 0));  // Frees the block.
  EXPECT_FALSE(PrivateHeapContains(block));
  EXPECT_EQ(nullptr, ShimRealloc(nullptr, kMaxAllocationSize));
  ShimFree(nullptr);
}

// The estimate is 8 to 15 bytes more than the block, a multiple of 8.
TEST(AllocatorShimTest, SizeEstimate) {
  const AllocatorDispatch* head = GetAllocatorDispatchChainHead();
  EXPECT_EQ(0u, head->get_size_estimate_function(head, nullptr));
  const struct {
    size_t size;
    size_t estimate;
  } kCases[] = {{1, 16}, {8, 16}, {9, 24}, {16, 24}, {17, 32}};
  for (const auto& c : kCases) {
    void* block = ShimMalloc(c.size);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(c.estimate, head->get_size_estimate_function(head, block))
        << c.size;
    ShimFree(block);
  }
}

TEST(AllocatorShimDeathTest, AlignedAllocationStopsTheProcess) {
  const AllocatorDispatch* table = GetAllocatorDispatchChainHead();
  EXPECT_DEATH(table->alloc_aligned_function(table, 64, 128), "");
}

int g_new_handler_calls = 0;
int g_new_handler_calls_to_take = 1;
void CountingNewHandler() {
  if (++g_new_handler_calls == g_new_handler_calls_to_take)
    std::set_new_handler(nullptr);  // the next failure throws
}

TEST(AllocatorShimTest, MallocFailureNeverCallsTheNewHandler) {
  g_new_handler_calls = 0;
  std::set_new_handler(&CountingNewHandler);
  g_sink = malloc(kMaxAllocationSize);
  EXPECT_EQ(nullptr, g_sink);
  g_sink = calloc(kMaxAllocationSize, 1);
  EXPECT_EQ(nullptr, g_sink);
  EXPECT_EQ(0, g_new_handler_calls);

  // operator new keeps its own failure handling: it retries after each call
  // of the handler, until the handler removes itself, then throws.
  g_new_handler_calls_to_take = 2;
  EXPECT_THROW(g_sink = ::operator new(kMaxAllocationSize), std::bad_alloc);
  EXPECT_EQ(2, g_new_handler_calls);
  g_sink = ::operator new(kMaxAllocationSize, std::nothrow);
  EXPECT_EQ(nullptr, g_sink);
  g_sink = ::operator new[](kMaxAllocationSize, std::nothrow);
  EXPECT_EQ(nullptr, g_sink);
  g_new_handler_calls_to_take = 1;
  std::set_new_handler(nullptr);
}

TEST(AllocatorShimTest, RuntimeAllocationsComeFromThePrivateHeap) {
  HANDLE heap = GetPrivateHeap();
  ASSERT_NE(nullptr, heap);
  ASSERT_NE(::GetProcessHeap(), heap);

  void* from_malloc = malloc(40);
  g_sink = from_malloc;
  EXPECT_TRUE(::HeapValidate(heap, 0, from_malloc));
  from_malloc = realloc(from_malloc, 4000);
  EXPECT_TRUE(::HeapValidate(heap, 0, from_malloc));
  free(from_malloc);

  std::string text(500, 'x');
  EXPECT_TRUE(::HeapValidate(heap, 0, text.data()));

  // libsupc++ allocates exception objects with its own call of malloc.
  try {
    throw std::runtime_error(std::string(300, 'e'));
  } catch (const std::runtime_error& error) {
    EXPECT_TRUE(PrivateHeapContains(&error));
  }

  // The runtime's string copies too, whichever way they are called: the
  // caller frees them with free.
  for (char* copy : {_strdup("copy"), strdup("copy")}) {
    EXPECT_TRUE(::HeapValidate(heap, 0, copy));
    EXPECT_STREQ("copy", copy);
    free(copy);
  }
  wchar_t* wide = _wcsdup(L"copy");
  EXPECT_TRUE(::HeapValidate(heap, 0, wide));
  EXPECT_EQ(sizeof(L"copy"), ::HeapSize(heap, 0, wide));
  EXPECT_STREQ(L"copy", wide);
  free(wide);
  EXPECT_EQ(nullptr, _strdup(nullptr));

  // Memory a thread of the runtime allocates lands there as well.
  void* from_thread = nullptr;
  std::thread([&] { from_thread = malloc(24); }).join();
  EXPECT_TRUE(::HeapValidate(heap, 0, from_thread));
  free(from_thread);

  // The walk finds no more than it should.
  EXPECT_FALSE(PrivateHeapContains(&heap));  // a stack address
}

// Every form of release gives the block back to the private heap.
TEST(AllocatorShimTest, EveryReleaseFreesTheBlock) {
  using Allocate = void* (*)();
  using Release = void (*)(void*);
  const Allocate kMalloc = [] { return malloc(48); };
  const Allocate kNew = [] { return ::operator new(48); };
  const Allocate kNewArray = [] { return ::operator new[](48); };
  const std::vector<std::pair<Allocate, Release>> kPairs = {
      {kMalloc, [](void* p) { free(p); }},
      {kMalloc, [](void* p) { g_sink = realloc(p, 0); }},
      {kNew, [](void* p) { ::operator delete(p); }},
      {kNew, [](void* p) { ::operator delete(p, size_t{48}); }},
      {kNew, [](void* p) { ::operator delete(p, std::nothrow); }},
      {kNewArray, [](void* p) { ::operator delete[](p); }},
      {kNewArray, [](void* p) { ::operator delete[](p, size_t{48}); }},
      {kNewArray, [](void* p) { ::operator delete[](p, std::nothrow); }},
  };
  for (size_t i = 0; i < kPairs.size(); ++i) {
    void* block = kPairs[i].first();
    g_sink = block;
    ASSERT_TRUE(PrivateHeapContains(block)) << i;
    kPairs[i].second(block);
    EXPECT_FALSE(PrivateHeapContains(block)) << i;
  }
}

// The heaps of the process, sorted.
std::vector<HANDLE> ProcessHeaps() {
  std::vector<HANDLE> heaps(64);
  heaps.resize(
      ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
  std::sort(heaps.begin(), heaps.end());
  return heaps;
}

// The DLL carries the shim and the thread-local storage's exit callback: its
// runtime must start, serve a thread's attach and detach, and unload. Its
// private heap is never destroyed, not even when the DLL unloads: blocks
// freed by late clean-up must still find it.
TEST(AllocatorShimTest, InstallerDllLoadsAndUnloads) {
  // The system libraries it imports make heaps of their own: load them first.
  ASSERT_NE(nullptr, ::LoadLibraryW(L"shell32.dll"));
  const std::vector<HANDLE> heaps_before = ProcessHeaps();
  std::wstring path = testing_support::SelfFolder() + L"\\velto_installer.dll";
  HMODULE dll = ::LoadLibraryW(path.c_str());
  ASSERT_NE(nullptr, dll) << "error " << ::GetLastError();
  std::thread([] {
    g_sink = malloc(16);
    free(g_sink);
  }).join();
  const std::vector<HANDLE> heaps_loaded = ProcessHeaps();
  EXPECT_EQ(heaps_before.size() + 1, heaps_loaded.size());
  EXPECT_TRUE(::FreeLibrary(dll));
  EXPECT_EQ(heaps_loaded, ProcessHeaps());
}

// The functions a module imports, by lower-case DLL name. The file is mapped
// as an image that runs no code, so addresses in it are offsets from its
// base.
using ImportTable = std::map<std::string, std::set<std::string>>;

bool ReadImports(const std::wstring& path, ImportTable* imports) {
  std::unique_ptr<std::remove_pointer<HMODULE>::type, decltype(&::FreeLibrary)>
      image(::LoadLibraryExW(path.c_str(), nullptr,
                             LOAD_LIBRARY_AS_IMAGE_RESOURCE),
            &::FreeLibrary);
  if (!image) return false;
  // The handle's low bits mark it as an image mapping.
  const char* base = reinterpret_cast<const char*>(
      reinterpret_cast<uintptr_t>(image.get()) & ~uintptr_t{3});
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return false;
  for (const auto* descriptor =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
               base + directory.VirtualAddress);
       descriptor->Name; ++descriptor) {
    std::string dll = base + descriptor->Name;
    std::transform(dll.begin(), dll.end(), dll.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    // The linker always writes the lookup table, which loading leaves as is.
    const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA64*>(
        base + descriptor->OriginalFirstThunk);
    for (; thunk->u1.AddressOfData; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL64(thunk->u1.Ordinal)) continue;
      (*imports)[dll].insert(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                 base + thunk->u1.AddressOfData)
                                 ->Name);
    }
  }
  return true;
}

// A block that msvcrt allocates comes from its heap, not ours, so a caller
// that frees it corrupts one of them. The DLL must take no such function
// from msvcrt, nor one that works on a caller's block.
TEST(AllocatorShimTest, InstallerDllTakesNoHeapFunctionFromTheRuntime) {
  ImportTable imports;
  ASSERT_TRUE(ReadImports(
      testing_support::SelfFolder() + L"\\velto_installer.dll", &imports));
  // The reader finds what the shim itself calls.
  EXPECT_EQ(1u, imports["kernel32.dll"].count("HeapAlloc"));
  ASSERT_EQ(1u, imports.count("msvcrt.dll"));

  const std::set<std::string>& runtime = imports["msvcrt.dll"];
  for (const char* name :
       {"malloc",   "calloc",    "realloc",   "free",       "_msize",
        "_expand",  "_recalloc", "_strdup",   "strdup",     "_wcsdup",
        "wcsdup",   "_mbsdup",   "_fullpath", "_wfullpath", "_getcwd",
        "_wgetcwd", "_getdcwd",  "_wgetdcwd", "_tempnam",   "_wtempnam",
        "tempnam",  "_dupenv_s", "_wdupenv_s"}) {
    EXPECT_EQ(0u, runtime.count(name)) << name;
  }
}

}  // namespace
}  // namespace allocator
}  // namespace base
