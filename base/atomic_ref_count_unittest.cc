#include "base/atomic_ref_count.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(AtomicRefCountDeathTest, OnlyTheLastDecrementReportsZero) {
  AtomicRefCount count{0};
  AtomicRefCountIncrement(&count);
  AtomicRefCountIncrement(&count);
  EXPECT_FALSE(AtomicRefCountDecrement(&count));  // 2 -> 1
  EXPECT_TRUE(AtomicRefCountDecrement(&count));   // 1 -> 0
  // One release too many: the object may be gone already.
  EXPECT_DEATH(AtomicRefCountDecrement(&count), "");
}

}  // namespace
}  // namespace base
