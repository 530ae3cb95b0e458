#include "base/json/value_arena.h"

#include <atomic>
#include <new>

#include "base/synchronization/lock.h"

namespace base {
namespace internal {

namespace {

// Chunks are sized well below the size at which the heap turns to the
// virtual-memory functions, which are far slower.
constexpr size_t kSmallestChunkSize = 1024;
constexpr size_t kLargestChunkSize = 64 * 1024;
// A block larger than this takes the heap: it would waste most of a chunk.
constexpr size_t kLargestArenaBlock = kLargestChunkSize / 8;

// While its arena still cuts blocks from it, a chunk's count holds this
// bias on top of its live blocks, so frees that happen before the arena has
// published its count never bring it to zero.
constexpr int64_t kArenaHold = int64_t{1} << 62;

}  // namespace

struct ArenaChunk {
  // Live blocks, plus kArenaHold minus the unpublished ones while the arena
  // holds the chunk.
  std::atomic<int64_t> count;
  // Bytes for blocks after this header.
  size_t capacity;
  // The next chunk in the cache of free chunks.
  ArenaChunk* next_free;
};

namespace {

// Free chunks of the full size wait here for the next parse. Returned to the
// heap, their pages go back to the system, and the next parse of a large
// document would fault every page in afresh: that costs more than the parse.
// The cache holds at most kCachedChunkLimit chunks (16 MB).
constexpr size_t kCachedChunkLimit = 256;
Lock g_chunk_cache_lock;
ArenaChunk* g_cached_chunks = nullptr;
size_t g_cached_chunk_count = 0;

// A chunk of |capacity| bytes, from the cache when one fits.
ArenaChunk* NewChunk(size_t capacity) {
  if (capacity == kLargestChunkSize) {
    AutoLock hold(g_chunk_cache_lock);
    if (ArenaChunk* chunk = g_cached_chunks) {
      g_cached_chunks = chunk->next_free;
      --g_cached_chunk_count;
      return chunk;
    }
  }
  char* raw = static_cast<char*>(::operator new(sizeof(ArenaChunk) + capacity));
  ArenaChunk* chunk = ::new (raw) ArenaChunk;
  chunk->capacity = capacity;
  return chunk;
}

void DeleteChunk(ArenaChunk* chunk) {
  chunk->~ArenaChunk();
  ::operator delete(chunk);
}

// Takes back a chunk whose last block is gone.
void RecycleChunk(ArenaChunk* chunk) {
  if (chunk->capacity == kLargestChunkSize) {
    AutoLock hold(g_chunk_cache_lock);
    if (g_cached_chunk_count < kCachedChunkLimit) {
      chunk->next_free = g_cached_chunks;
      g_cached_chunks = chunk;
      ++g_cached_chunk_count;
      return;
    }
  }
  DeleteChunk(chunk);
}

}  // namespace

void ReleaseCachedValueChunks() {
  ArenaChunk* chunks;
  {
    AutoLock hold(g_chunk_cache_lock);
    chunks = g_cached_chunks;
    g_cached_chunks = nullptr;
    g_cached_chunk_count = 0;
  }
  while (chunks) {
    ArenaChunk* next = chunks->next_free;
    DeleteChunk(chunks);
    chunks = next;
  }
}

void* AllocateValueBlock(size_t size) {
  char* raw = static_cast<char*>(::operator new(kValueBlockHeaderSize + size));
  *reinterpret_cast<ArenaChunk**>(raw) = nullptr;
  return raw + kValueBlockHeaderSize;
}

namespace {

void ReleaseFromChunk(ArenaChunk* chunk, int64_t count) {
  if (chunk->count.fetch_sub(count, std::memory_order_acq_rel) == count)
    RecycleChunk(chunk);
}

}  // namespace

void FreeValueBlock(void* block) {
  if (!block)
    return;
  char* raw = static_cast<char*>(block) - kValueBlockHeaderSize;
  ArenaChunk* chunk = *reinterpret_cast<ArenaChunk**>(raw);
  if (!chunk) {
    ::operator delete(raw);
    return;
  }
  ReleaseFromChunk(chunk, 1);
}

void ValueBlockReleaser::Flush() {
  if (chunk_)
    ReleaseFromChunk(chunk_, count_);
  chunk_ = nullptr;
  count_ = 0;
}

ValueArena::ValueArena(size_t expected_bytes) {
  // Parsed values take about twice the bytes of their text.
  size_t size = expected_bytes < kLargestChunkSize / 2 ? expected_bytes * 2
                                                       : kLargestChunkSize;
  next_chunk_size_ = size < kSmallestChunkSize ? kSmallestChunkSize : size;
}

ValueArena::~ValueArena() {
  LeaveChunk();
}

void* ValueArena::AllocateSlow(size_t size) {
  if (size > kLargestArenaBlock)
    return AllocateValueBlock(size);
  LeaveChunk();
  size_t chunk_size = next_chunk_size_;
  next_chunk_size_ = kLargestChunkSize;
  chunk_ = NewChunk(chunk_size);
  chunk_->count.store(kArenaHold, std::memory_order_relaxed);
  cursor_ = reinterpret_cast<char*>(chunk_) + sizeof(ArenaChunk);
  limit_ = cursor_ + chunk_size;
  handed_out_ = 0;
  return Allocate(size);
}

void ValueArena::LeaveChunk() {
  if (!chunk_)
    return;
  // Publishes the blocks handed out and drops the hold in one step.
  ReleaseFromChunk(chunk_, kArenaHold - handed_out_);
  chunk_ = nullptr;
  cursor_ = nullptr;
  limit_ = nullptr;
  handed_out_ = 0;
}

}  // namespace internal
}  // namespace base
