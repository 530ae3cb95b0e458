#include "base/allocator/allocator_shim.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
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
  EXPECT_EQ(nullptr, ShimMalloc(SIZE_MAX));

  // One byte less is the heap's to decide; a 2 GB reservation succeeds
  // here and is never touched.
  void* largest = ShimMalloc(kMaxAllocationSize - 1);
  ASSERT_NE(nullptr, largest);
  EXPECT_TRUE(::HeapValidate(GetPrivateHeap(), 0, largest));
  ShimFree(largest);

  const size_t two_to_33 = size_t{1} << 33;
  EXPECT_EQ(nullptr, ShimCalloc(two_to_33, two_to_33));
  EXPECT_EQ(nullptr, ShimCalloc(SIZE_MAX, 2));
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
  EXPECT_EQ(nullptr, ShimRealloc(nullptr, kMaxAllocationSize));
  ShimFree(nullptr);
}

TEST(AllocatorShimTest, SizeEstimateRoundsAboveTheBlock) {
  const AllocatorDispatch* table = GetAllocatorDispatchChainHead();
  ASSERT_EQ(&AllocatorDispatch::default_dispatch, table);
  EXPECT_EQ(nullptr, table->next);
  EXPECT_EQ(0u, table->get_size_estimate_function(table, nullptr));

  const struct {
    size_t size;
    size_t estimate;
  } kCases[] = {
      {1, 16},
      {8, 16},
      {9, 24},
      {100, 112},
  };
  for (const auto& c : kCases) {
    void* block = table->alloc_function(table, c.size);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(c.estimate, table->get_size_estimate_function(table, block))
        << "size " << c.size;
    table->free_function(table, block);
  }
}

// Runs in a child of the test below. Not a gtest death test: its pattern is
// copied with the runtime's _strdup and freed through our free, and a block
// of another heap must never reach the private heap.
TEST(AllocatorShimDeathTest, DISABLED_AlignedAllocationInChild) {
  const AllocatorDispatch* table = GetAllocatorDispatchChainHead();
  table->alloc_aligned_function(table, 64, 128);
}

TEST(AllocatorShimDeathTest, AlignedAllocationStopsTheProcess) {
  testing_support::ChildResult result = testing_support::RunChildProcess(
      L"\"" + testing_support::SelfPath() +
      L"\" --gtest_also_run_disabled_tests --gtest_filter="
      L"AllocatorShimDeathTest.DISABLED_AlignedAllocationInChild");
  ASSERT_TRUE(result.started);
  EXPECT_NE(0u, result.exit_code) << result.output;
  EXPECT_EQ(std::string::npos, result.output.find("[       OK ]"))
      << result.output;
}

int g_new_handler_calls = 0;
void CountingNewHandler() {
  ++g_new_handler_calls;
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
  // The runtime's own answer (its export is a C++ name of its compiler).
  using QueryNewModeFunction = int(__cdecl*)();
  QueryNewModeFunction query_new_mode =
      reinterpret_cast<QueryNewModeFunction>(::GetProcAddress(
          ::GetModuleHandleW(L"msvcrt.dll"), "?_query_new_mode@@YAHXZ"));
  ASSERT_NE(nullptr, query_new_mode);
  EXPECT_EQ(0, query_new_mode());

  // operator new keeps its own failure handling: one call of the handler,
  // which removes itself, then bad_alloc.
  EXPECT_THROW(g_sink = ::operator new(kMaxAllocationSize), std::bad_alloc);
  EXPECT_EQ(1, g_new_handler_calls);
  g_sink = ::operator new(kMaxAllocationSize, std::nothrow);
  EXPECT_EQ(nullptr, g_sink);
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

  // Memory a thread of the runtime allocates lands there as well.
  void* from_thread = nullptr;
  std::thread([&] { from_thread = malloc(24); }).join();
  EXPECT_TRUE(::HeapValidate(heap, 0, from_thread));
  free(from_thread);

  // And the process heap holds none of it.
  void* block = ShimMalloc(64);
  EXPECT_FALSE(PrivateHeapContains(&heap));  // a stack address
  EXPECT_TRUE(PrivateHeapContains(static_cast<char*>(block) + 63));
  ShimFree(block);
}

TEST(AllocatorShimTest, ConcurrentAllocationsStayConsistent) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      std::vector<std::string> kept;
      for (int i = 0; i < 2000; ++i) {
        kept.emplace_back(16 + (i * 7 + t) % 300, static_cast<char>('a' + t));
        if (kept.size() > 50) kept.erase(kept.begin());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(::HeapValidate(GetPrivateHeap(), 0, nullptr));
}

// The heaps of the process, sorted.
std::vector<HANDLE> ProcessHeaps() {
  std::vector<HANDLE> heaps(64);
  heaps.resize(::GetProcessHeaps(static_cast<DWORD>(heaps.size()),
                                 heaps.data()));
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

}  // namespace
}  // namespace allocator
}  // namespace base
