#include "base/cpu.h"

#include <cpuid.h>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(CpuInfoTest, UnreliableTimeStampCounterOnlyOnAmdFamily0Fh) {
  EXPECT_TRUE(HasUnreliableTimeStampCounter("AuthenticAMD", 15, 0));   // K8
  EXPECT_FALSE(HasUnreliableTimeStampCounter("AuthenticAMD", 15, 1));  // 10h
  EXPECT_FALSE(HasUnreliableTimeStampCounter("AuthenticAMD", 6, 0));
  EXPECT_FALSE(HasUnreliableTimeStampCounter("GenuineIntel", 15, 0));
}

// The record agrees with the compiler's own processor detection, which also
// asks whether the system saves the AVX registers, and splits the signature
// into its bit fields.
TEST(CpuInfoTest, MatchesTheProcessor) {
  CpuInfo cpu;
  __builtin_cpu_init();
  EXPECT_EQ(!!__builtin_cpu_supports("mmx"), cpu.has_mmx());
  EXPECT_EQ(!!__builtin_cpu_supports("sse"), cpu.has_sse());
  EXPECT_EQ(!!__builtin_cpu_supports("sse2"), cpu.has_sse2());
  EXPECT_EQ(!!__builtin_cpu_supports("sse3"), cpu.has_sse3());
  EXPECT_EQ(!!__builtin_cpu_supports("ssse3"), cpu.has_ssse3());
  EXPECT_EQ(!!__builtin_cpu_supports("sse4.1"), cpu.has_sse41());
  EXPECT_EQ(!!__builtin_cpu_supports("sse4.2"), cpu.has_sse42());
  EXPECT_EQ(!!__builtin_cpu_supports("popcnt"), cpu.has_popcnt());
  EXPECT_EQ(!!__builtin_cpu_supports("aes"), cpu.has_aesni());
  EXPECT_EQ(!!__builtin_cpu_supports("avx"), cpu.has_avx());
  EXPECT_EQ(!!__builtin_cpu_supports("avx2"), cpu.has_avx2());
  EXPECT_EQ(__builtin_cpu_is("intel"), cpu.vendor_name() == "GenuineIntel");
  EXPECT_EQ(__builtin_cpu_is("amd"), cpu.vendor_name() == "AuthenticAMD");

  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  ASSERT_TRUE(__get_cpuid(1, &eax, &ebx, &ecx, &edx));
  EXPECT_EQ(static_cast<int>(eax), cpu.signature());
  EXPECT_EQ(static_cast<int>(eax & 0xF), cpu.stepping());
  EXPECT_EQ(static_cast<int>((eax >> 4) & 0xF) + cpu.extended_model() * 16,
            cpu.model());
  EXPECT_EQ(static_cast<int>((eax >> 8) & 0xF), cpu.family());
  EXPECT_EQ(static_cast<int>((eax >> 12) & 0x3), cpu.type());
  EXPECT_EQ(static_cast<int>((eax >> 16) & 0xF), cpu.extended_model());
  EXPECT_EQ(static_cast<int>((eax >> 20) & 0xFF), cpu.extended_family());

  // The invariant counter is the one flag the compiler does not detect.
  if (__get_cpuid(0x80000007, &eax, &ebx, &ecx, &edx)) {
    EXPECT_EQ(((edx >> 8) & 1) != 0, cpu.has_non_stop_time_stamp_counter());
  }
}

}  // namespace
}  // namespace base
