#include "base/cpu.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(CpuInfoTest, UnreliableTimeStampCounterOnlyOnAmdFamily0Fh) {
  struct Case {
    const char* vendor;
    int family;
    int extended_family;
    bool unreliable;
  } cases[] = {
      {"AuthenticAMD", 15, 0, true},   // Family 0Fh (K8).
      {"AuthenticAMD", 15, 1, false},  // Family 10h.
      {"AuthenticAMD", 6, 0, false},
      {"GenuineIntel", 15, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.unreliable, HasUnreliableTimeStampCounter(c.vendor, c.family,
                                                          c.extended_family))
        << c.vendor << " " << c.family << "/" << c.extended_family;
  }
}

}  // namespace
}  // namespace base
