#include "base/cpu.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(CpuInfoTest, DecodesThisProcessor) {
  CpuInfo cpu;
  // Every x64 processor has these.
  EXPECT_TRUE(cpu.has_mmx());
  EXPECT_TRUE(cpu.has_sse());
  EXPECT_TRUE(cpu.has_sse2());
  EXPECT_TRUE(cpu.vendor_name() == "GenuineIntel" ||
              cpu.vendor_name() == "AuthenticAMD")
      << cpu.vendor_name();

  // The fields are the bit ranges of the signature.
  int signature = cpu.signature();
  EXPECT_EQ(signature & 0xF, cpu.stepping());
  EXPECT_EQ((signature >> 8) & 0xF, cpu.family());
  EXPECT_EQ((signature >> 12) & 0x3, cpu.type());
  EXPECT_EQ((signature >> 16) & 0xF, cpu.extended_model());
  EXPECT_EQ((signature >> 20) & 0xFF, cpu.extended_family());
  EXPECT_EQ(((signature >> 4) & 0xF) + cpu.extended_model() * 16,
            cpu.model());

  EXPECT_EQ(48u, cpu.cpu_brand().size());
  EXPECT_TRUE(!cpu.has_avx2() || cpu.has_avx());
  EXPECT_TRUE(!cpu.has_sse42() || cpu.has_sse41());
}

TEST(CpuInfoTest, UnreliableTimeStampCounterOnlyOnAmdFamily0Fh) {
  struct Case {
    const char* vendor;
    int family;
    int extended_family;
    bool unreliable;
  } cases[] = {
      {"AuthenticAMD", 15, 0, true},   // Family 0Fh (K8).
      {"AuthenticAMD", 15, 1, false},  // Family 10h.
      {"AuthenticAMD", 15, 8, false},  // Family 17h.
      {"AuthenticAMD", 15, 10, false}, // Family 19h.
      {"AuthenticAMD", 6, 0, false},
      {"GenuineIntel", 15, 0, false},
      {"GenuineIntel", 6, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.unreliable, HasUnreliableTimeStampCounter(
                                c.vendor, c.family, c.extended_family))
        << c.vendor << " " << c.family << "/" << c.extended_family;
  }
}

}  // namespace
}  // namespace base
