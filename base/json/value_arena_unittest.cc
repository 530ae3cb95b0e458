// Parsed values share large chunks of memory, yet each keeps its single
// owner: these tests take values out of parsed trees and check that they
// survive the tree, the arena and other threads.

#include "base/json/value_arena.h"

#include <malloc.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/win/windows_types.h"

#include "base/json/json_reader.h"
#include "base/json/json_test_support.h"
#include "base/json/values.h"

namespace base {
namespace {

// Bytes in the busy blocks of operator new's heap, free chunks kept for
// later parses included.
int64_t BusyHeapBytes() {
  // The runtime's heap, which operator new takes its blocks from.
  static const HANDLE heap = reinterpret_cast<HANDLE>(_get_heap_handle());
  int64_t bytes = 0;
  ::HeapLock(heap);
  PROCESS_HEAP_ENTRY entry = {};
  while (::HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
  }
  ::HeapUnlock(heap);
  return bytes;
}

// Bytes in use once the kept chunks are gone. Chunks that are never
// returned show up here, though the values in them are long gone.
int64_t HeapBytesInUse() {
  internal::ReleaseCachedValueChunks();
  return BusyHeapBytes();
}

// Far less than a full chunk (64 KB); a parse of the documents below takes
// many.
constexpr int64_t kHeapNoise = 16 * 1024;

// Allocates and frees enough heap memory that a freed chunk would be reused
// and overwritten.
void ChurnTheHeap() {
  std::vector<std::string> blocks;
  for (int i = 0; i < 2000; ++i)
    blocks.emplace_back(100 + i % 300, static_cast<char>('!' + i % 90));
}

// Blocks outlive their arena, keep their bytes and free in any order, one by
// one or through a releaser; then every chunk is back in the heap.
TEST(ValueArenaTest, BlocksOutliveTheArenaAndEveryChunkReturns) {
  // Sizes from one byte to beyond what the arena carves itself.
  std::vector<std::pair<unsigned char*, size_t>> blocks;
  blocks.reserve(20000);
  const int64_t before = HeapBytesInUse();
  {
    internal::ValueArena arena(100);
    for (size_t i = 0; i < 20000; ++i) {
      size_t size = 1 + (i * 37) % 200;
      if (i % 500 == 0) size = 20000;
      auto* block = static_cast<unsigned char*>(arena.Allocate(size));
      ASSERT_EQ(0u, reinterpret_cast<uintptr_t>(block) % 8);
      memset(block, static_cast<int>(i & 0xFF), size);
      blocks.emplace_back(block, size);
    }
  }
  ChurnTheHeap();
  std::shuffle(blocks.begin(), blocks.end(), std::mt19937(7));
  {
    internal::ValueBlockReleaser releaser;
    for (size_t i = 0; i < blocks.size(); ++i) {
      // The fill value was the allocation index; any byte tells it.
      unsigned char* block = blocks[i].first;
      for (size_t j = 0; j < blocks[i].second; ++j)
        ASSERT_EQ(block[0], block[j]);
      if (i % 2)
        releaser.Free(block);
      else
        internal::FreeValueBlock(block);
    }
    releaser.Free(internal::AllocateValueBlock(100000));  // a heap block
  }
  internal::FreeValueBlock(nullptr);
  EXPECT_LT(HeapBytesInUse() - before, kHeapNoise);
}

// A large parse leaves its chunks for the next one, which takes them
// instead of new ones; what is kept stays bounded however large the tree.
TEST(ValueArenaTest, FreeChunksServeTheNextParseUpToALimit) {
  constexpr int64_t kKeptLimit = 16 * 1024 * 1024;
  std::string medium = "[";
  for (int i = 0; i < 100000; ++i) medium += i ? ",[1.5,2]" : "[1.5,2]";
  medium += "]";
  std::string huge = "[";
  for (int i = 0; i < 700000; ++i)
    huge += i ? ",7" : "7";  // About 28 MB of values.
  huge += "]";

  const int64_t before = HeapBytesInUse();
  ASSERT_TRUE(JSONReader::Read(medium));
  const int64_t kept = BusyHeapBytes() - before;
  EXPECT_GT(kept, 1024 * 1024);
  ASSERT_TRUE(JSONReader::Read(medium));
  EXPECT_LT(BusyHeapBytes() - before, kept + kHeapNoise);

  ASSERT_TRUE(JSONReader::Read(huge));
  EXPECT_LT(BusyHeapBytes() - before, kKeptLimit + kHeapNoise);
  EXPECT_LT(HeapBytesInUse() - before, kHeapNoise);
}

// Values taken out of a parsed tree, and contents swapped out of its
// containers, stay valid after the tree is gone.
TEST(ParsedValuesTest, PartsTakenOutOutliveTheirTree) {
  const std::string kInner =
      "{\"a key longer than sixteen bytes\":1,"
      "\"list\":[1,2.5,\"a string longer than any small buffer\",null],"
      "\"text\":\"caf\xC3\xA9\"}";
  std::unique_ptr<Value> root = JSONReader::Read(
      "{\"a\":" + kInner +
      ",\"b\":[true,false,\"x\"],\"d\":{\"k1\":1,\"k3\":3},\"l\":[1,2]}");
  ASSERT_TRUE(root);
  DictionaryValue* dictionary = nullptr;
  ASSERT_TRUE(root->GetAsDictionary(&dictionary));
  std::unique_ptr<Value> a;
  ASSERT_TRUE(dictionary->RemoveWithoutPathExpansion("a", &a));
  ListValue* b = nullptr;
  ASSERT_TRUE(dictionary->GetList("b", &b));
  std::unique_ptr<Value> x;
  ASSERT_TRUE(b->Remove(2, &x));
  DictionaryValue* d = nullptr;
  ASSERT_TRUE(dictionary->GetDictionary("d", &d));
  ListValue* l = nullptr;
  ASSERT_TRUE(dictionary->GetList("l", &l));

  // Containers filled at their exact size grow past it.
  for (int i = 0; i < 50; ++i) {
    d->SetIntegerWithoutPathExpansion(
        "k2 and a key longer than sixteen bytes " + std::to_string(i), i);
    l->AppendInteger(i);
  }
  EXPECT_EQ(52u, d->size());
  EXPECT_EQ(52u, l->GetSize());
  DictionaryValue kept_dictionary;
  kept_dictionary.SetInteger("old", 0);
  kept_dictionary.Swap(d);
  ListValue kept_list;
  kept_list.Swap(l);
  EXPECT_EQ("{\"old\":0}", WriteJson(*d));
  EXPECT_TRUE(l->empty());
  const std::string expected =
      WriteJson(kept_dictionary) + WriteJson(kept_list);

  root.reset();
  ChurnTheHeap();
  EXPECT_EQ(kInner, WriteJson(*a));
  EXPECT_EQ("\"x\"", WriteJson(*x));
  EXPECT_EQ(expected, WriteJson(kept_dictionary) + WriteJson(kept_list));
  int value = 0;
  EXPECT_TRUE(kept_dictionary.GetIntegerWithoutPathExpansion("k3", &value));
  EXPECT_EQ(3, value);
}

TEST(ParsedValuesTest, PartsOfOneTreeDieOnManyThreads) {
  // Values of one parse share chunks; their counts must survive concurrent
  // frees, and the last free of each chunk returns it to the heap.
  std::string json = "[";
  for (int part = 0; part < 8; ++part) {
    json += part ? ",[" : "[";
    for (int i = 0; i < 2000; ++i)
      json += (i ? ",{\"k\":" : "{\"k\":") + std::to_string(i) + "}";
    json += "]";
  }
  json += "]";
  const int64_t before = HeapBytesInUse();
  for (int round = 0; round < 5; ++round) {
    std::unique_ptr<Value> root = JSONReader::Read(json);
    ASSERT_TRUE(root);
    ListValue* list = nullptr;
    ASSERT_TRUE(root->GetAsList(&list));
    std::vector<std::unique_ptr<Value>> parts(8);
    for (int part = 7; part >= 0; --part)
      ASSERT_TRUE(list->Remove(static_cast<size_t>(part), &parts[part]));
    std::vector<std::thread> threads;
    for (auto& part : parts) threads.emplace_back([&part] { part.reset(); });
    root.reset();
    for (std::thread& thread : threads) thread.join();
  }
  EXPECT_LT(HeapBytesInUse() - before, kHeapNoise);
}

}  // namespace
}  // namespace base
