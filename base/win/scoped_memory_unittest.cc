#include "base/win/scoped_memory.h"

#include <gtest/gtest.h>

namespace base {
namespace win {
namespace {

constexpr DWORD kMarkerError = 0x1234;

// Frees as LocalFree does, then overwrites the last error as a failing free
// may: the owner itself must put the caller's error back.
struct ClobberingLocalTraits {
  static void Free(void* memory) {
    ::LocalFree(memory);
    ::SetLastError(ERROR_INVALID_HANDLE);
  }
};

TEST(ScopedMemoryTest, FreeingKeepsTheLastErrorAndReceiveFreesFirst) {
  GenericScopedMemory<char, ClobberingLocalTraits> memory(
      static_cast<char*>(::LocalAlloc(LMEM_FIXED, 16)));
  ASSERT_TRUE(memory.IsValid());

  // A call that fills Receive() may fail and leave its error behind.
  ::SetLastError(kMarkerError);
  char** slot = memory.Receive();
  EXPECT_EQ(kMarkerError, ::GetLastError());
  ASSERT_EQ(nullptr, *slot);
  *slot = static_cast<char*>(::LocalAlloc(LMEM_FIXED, 16));

  ::SetLastError(kMarkerError);
  memory.Free();
  EXPECT_EQ(kMarkerError, ::GetLastError());
  EXPECT_FALSE(memory.IsValid());
}

// Counts the blocks it frees.
struct CountingLocalTraits {
  static int frees;
  static void Free(void* memory) {
    ++frees;
    ::LocalFree(memory);
  }
};
int CountingLocalTraits::frees = 0;

// One owner frees each block exactly once: setting the block already owned
// keeps it, a move or Take hands it over, and Set or a move frees the one it
// replaces.
TEST(ScopedMemoryTest, EachBlockIsFreedOnceByItsOwner) {
  using Memory = GenericScopedMemory<char, CountingLocalTraits>;
  CountingLocalTraits::frees = 0;
  char* const block = static_cast<char*>(::LocalAlloc(LMEM_FIXED, 16));
  {
    Memory first(block);
    first.Set(block);
    Memory second(std::move(first));
    EXPECT_FALSE(first.IsValid());
    Memory third(static_cast<char*>(::LocalAlloc(LMEM_FIXED, 16)));
    third = std::move(second);
    EXPECT_FALSE(second.IsValid());
    EXPECT_EQ(block, third.Get());
    EXPECT_EQ(1, CountingLocalTraits::frees);

    char* const taken = third.Take();
    EXPECT_EQ(block, taken);
    EXPECT_FALSE(third.IsValid());
    third.Set(taken);
    third.Set(static_cast<char*>(::LocalAlloc(LMEM_FIXED, 16)));
    EXPECT_EQ(2, CountingLocalTraits::frees);
  }
  EXPECT_EQ(3, CountingLocalTraits::frees);
}

}  // namespace
}  // namespace win
}  // namespace base
