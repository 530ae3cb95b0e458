// Memory behind Value trees. A parsed document holds one small object per
// value; taking each from the process heap costs more than parsing it, so the
// JSON reader carves them out of large chunks instead (ValueArena).
//
// Every block, from a chunk or from the heap, starts after a header naming
// its chunk (null for a heap block of its own), so FreeValueBlock releases
// either kind and values keep single ownership: a value taken out of a
// parsed tree may be destroyed on any thread, at any time. A chunk is free
// when its last block is freed and its arena has moved on; a few free chunks
// are kept for the next parse, the rest return to the heap.
//
//   ValueArena arena(text.size());
//   void* memory = arena.Allocate(sizeof(Value));
//   ...
//   FreeValueBlock(memory);   // the chunk is free when its last block goes
#ifndef BASE_JSON_VALUE_ARENA_H_
#define BASE_JSON_VALUE_ARENA_H_

#include <stddef.h>
#include <stdint.h>

namespace base {
namespace internal {

struct ArenaChunk;

// Room before every block for the pointer to its chunk; keeps the blocks
// 8-byte aligned, enough for every value and container element.
constexpr size_t kValueBlockHeaderSize = 8;

// A block of |size| bytes of its own from the heap.
void* AllocateValueBlock(size_t size);

// Releases a block from AllocateValueBlock or ValueArena::Allocate. Safe on
// any thread; null is ignored.
void FreeValueBlock(void* block);

// Returns to the heap the free chunks kept for later parses (at most a few
// MB), for a process that is done with JSON for a while.
void ReleaseCachedValueChunks();

// Frees many blocks with one update of each chunk's count: a container's
// children usually lie side by side in one chunk. Flushes when destroyed.
class ValueBlockReleaser {
 public:
  ValueBlockReleaser() = default;
  ValueBlockReleaser(const ValueBlockReleaser&) = delete;
  ValueBlockReleaser& operator=(const ValueBlockReleaser&) = delete;
  ~ValueBlockReleaser() { Flush(); }

  // As FreeValueBlock, possibly later.
  void Free(void* block) {
    if (!block)
      return;
    ArenaChunk* chunk = *reinterpret_cast<ArenaChunk**>(
        static_cast<char*>(block) - kValueBlockHeaderSize);
    if (chunk != chunk_ || !chunk) {
      Flush();
      if (!chunk) {
        FreeValueBlock(block);
        return;
      }
      chunk_ = chunk;
    }
    ++count_;
  }

 private:
  void Flush();

  ArenaChunk* chunk_ = nullptr;
  int64_t count_ = 0;
};

// Hands out blocks from chunks by moving a cursor. One arena serves one
// thread; the blocks it gave out outlive it and are freed one by one.
class ValueArena {
 public:
  // |expected_bytes| sizes the first chunk (the length of the text being
  // parsed), so a small document does not take a large chunk.
  explicit ValueArena(size_t expected_bytes);
  ValueArena(const ValueArena&) = delete;
  ValueArena& operator=(const ValueArena&) = delete;
  ~ValueArena();

  // A block of |size| bytes, 8-byte aligned; free it with FreeValueBlock.
  void* Allocate(size_t size) {
    size_t needed = kValueBlockHeaderSize + ((size + 7) & ~size_t{7});
    if (static_cast<size_t>(limit_ - cursor_) < needed)
      return AllocateSlow(size);
    char* block = cursor_;
    cursor_ += needed;
    *reinterpret_cast<ArenaChunk**>(block) = chunk_;
    ++handed_out_;
    return block + kValueBlockHeaderSize;
  }

 private:
  void* AllocateSlow(size_t size);
  // Gives up the arena's hold on the current chunk.
  void LeaveChunk();

  ArenaChunk* chunk_ = nullptr;
  char* cursor_ = nullptr;
  char* limit_ = nullptr;
  // Blocks of |chunk_| handed out so far; published to the chunk's count
  // only when the arena leaves it, so the fast path has no atomic operation.
  int64_t handed_out_ = 0;
  size_t next_chunk_size_;
};

}  // namespace internal
}  // namespace base

#endif  // BASE_JSON_VALUE_ARENA_H_
