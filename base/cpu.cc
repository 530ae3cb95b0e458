#include "base/cpu.h"

#include <cpuid.h>
#include <stdint.h>

namespace base {

namespace {

struct CpuidRegisters {
  uint32_t eax = 0;
  uint32_t ebx = 0;
  uint32_t ecx = 0;
  uint32_t edx = 0;
};

CpuidRegisters Cpuid(uint32_t leaf, uint32_t subleaf = 0) {
  CpuidRegisters r;
  __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
  return r;
}

// The register-state mask the operating system has enabled; only valid when
// CPUID reports OSXSAVE.
uint64_t ReadXcr0() {
  uint32_t low;
  uint32_t high;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (static_cast<uint64_t>(high) << 32) | low;
}

bool Bit(uint32_t value, int bit) { return (value >> bit) & 1; }

void AppendRegister(std::string* text, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    text->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

constexpr char kAmdVendor[] = "AuthenticAMD";

}  // namespace

CpuInfo::CpuInfo() { Initialize(); }

void CpuInfo::Initialize() {
  CpuidRegisters leaf0 = Cpuid(0);
  uint32_t highest_leaf = leaf0.eax;
  std::string vendor;
  AppendRegister(&vendor, leaf0.ebx);
  AppendRegister(&vendor, leaf0.edx);
  AppendRegister(&vendor, leaf0.ecx);
  cpu_vendor_ = vendor;

  if (highest_leaf >= 1) {
    CpuidRegisters leaf1 = Cpuid(1);
    uint32_t eax = leaf1.eax;
    signature_ = static_cast<int>(eax);
    stepping_ = eax & 0xF;
    model_ = ((eax >> 4) & 0xF) + ((eax >> 16) & 0xF) * 16;
    type_ = (eax >> 12) & 0x3;
    family_ = (eax >> 8) & 0xF;
    ext_model_ = (eax >> 16) & 0xF;
    ext_family_ = (eax >> 20) & 0xFF;

    has_mmx_ = Bit(leaf1.edx, 23);
    has_sse_ = Bit(leaf1.edx, 25);
    has_sse2_ = Bit(leaf1.edx, 26);
    has_sse3_ = Bit(leaf1.ecx, 0);
    has_ssse3_ = Bit(leaf1.ecx, 9);
    has_sse41_ = Bit(leaf1.ecx, 19);
    has_sse42_ = Bit(leaf1.ecx, 20);
    has_popcnt_ = Bit(leaf1.ecx, 23);
    has_aesni_ = Bit(leaf1.ecx, 25);
    // AVX needs the processor (bit 28), XSAVE (26) and the operating system
    // saving the XMM and YMM state (OSXSAVE, 27, then XCR0 bits 1 and 2).
    // XGETBV faults without OSXSAVE, so it is read last.
    has_avx_ = Bit(leaf1.ecx, 26) && Bit(leaf1.ecx, 27) &&
               Bit(leaf1.ecx, 28) && (ReadXcr0() & 0x6) == 0x6;
    has_avx2_ = has_avx_ && highest_leaf >= 7 && Bit(Cpuid(7, 0).ebx, 5);
  }

  uint32_t highest_extended_leaf = Cpuid(0x80000000).eax;
  if (highest_extended_leaf >= 0x80000004) {
    std::string brand;
    for (uint32_t leaf = 0x80000002; leaf <= 0x80000004; ++leaf) {
      CpuidRegisters r = Cpuid(leaf);
      AppendRegister(&brand, r.eax);
      AppendRegister(&brand, r.ebx);
      AppendRegister(&brand, r.ecx);
      AppendRegister(&brand, r.edx);
    }
    cpu_brand_ = brand;
  }
  if (highest_extended_leaf >= 0x80000007)
    has_non_stop_time_stamp_counter_ = Bit(Cpuid(0x80000007).edx, 8);
}

bool HasUnreliableTimeStampCounter(const std::string& vendor, int family,
                                   int extended_family) {
  return vendor == kAmdVendor && family == 15 && extended_family == 0;
}

}  // namespace base
