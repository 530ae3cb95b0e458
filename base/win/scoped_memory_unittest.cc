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

}  // namespace
}  // namespace win
}  // namespace base
