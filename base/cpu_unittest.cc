#include "base/cpu.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(CpuInfoTest, UnreliableTimeStampCounterOnlyOnAmdFamily0Fh) {
  EXPECT_TRUE(HasUnreliableTimeStampCounter("AuthenticAMD", 15, 0));   // K8
  EXPECT_FALSE(HasUnreliableTimeStampCounter("AuthenticAMD", 15, 1));  // 10h
  EXPECT_FALSE(HasUnreliableTimeStampCounter("AuthenticAMD", 6, 0));
  EXPECT_FALSE(HasUnreliableTimeStampCounter("GenuineIntel", 15, 0));
}

}  // namespace
}  // namespace base
