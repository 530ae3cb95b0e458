// What the processor says about itself through CPUID: its identity, the
// instruction-set extensions it offers and whether its time-stamp counter is
// invariant. The installer refuses processors without SSE2; the clocks
// decide from it whether the performance counter can be trusted.
//
//   CpuInfo cpu;
//   if (!cpu.has_sse2()) return kUnsupportedProcessor;
//
// A CpuInfo is filled once by its constructor and is immutable afterwards.
#ifndef BASE_CPU_H_
#define BASE_CPU_H_

#include <string>

namespace base {

class CpuInfo {
 public:
  CpuInfo();

  // EAX of leaf 1, as the processor reports it.
  int signature() const { return signature_; }
  int type() const { return type_; }
  // The base family, without the extended family added.
  int family() const { return family_; }
  // The base model plus the extended model times 16.
  int model() const { return model_; }
  int stepping() const { return stepping_; }
  int extended_model() const { return ext_model_; }
  int extended_family() const { return ext_family_; }

  bool has_mmx() const { return has_mmx_; }
  bool has_sse() const { return has_sse_; }
  bool has_sse2() const { return has_sse2_; }
  bool has_sse3() const { return has_sse3_; }
  bool has_ssse3() const { return has_ssse3_; }
  bool has_sse41() const { return has_sse41_; }
  bool has_sse42() const { return has_sse42_; }
  bool has_popcnt() const { return has_popcnt_; }
  // Only when the operating system also saves the AVX registers.
  bool has_avx() const { return has_avx_; }
  bool has_avx2() const { return has_avx2_; }
  bool has_aesni() const { return has_aesni_; }
  bool has_non_stop_time_stamp_counter() const {
    return has_non_stop_time_stamp_counter_;
  }

  // "GenuineIntel", "AuthenticAMD", ...; "unknown" when CPUID has no leaf 0.
  const std::string& vendor_name() const { return cpu_vendor_; }
  // The 48 characters of the brand leaves, padding included; empty when the
  // processor has none.
  const std::string& cpu_brand() const { return cpu_brand_; }

 private:
  void Initialize();

  int signature_ = 0;
  int type_ = 0;
  int family_ = 0;
  int model_ = 0;
  int stepping_ = 0;
  int ext_model_ = 0;
  int ext_family_ = 0;
  bool has_mmx_ = false;
  bool has_sse_ = false;
  bool has_sse2_ = false;
  bool has_sse3_ = false;
  bool has_ssse3_ = false;
  bool has_sse41_ = false;
  bool has_sse42_ = false;
  bool has_popcnt_ = false;
  bool has_avx_ = false;
  bool has_avx2_ = false;
  bool has_aesni_ = false;
  bool has_non_stop_time_stamp_counter_ = false;
  std::string cpu_vendor_ = "unknown";
  std::string cpu_brand_;
};

// True for the processors whose time-stamp counter drifts between cores even
// when they report it invariant: AMD's family 0Fh (base family 15 with no
// extended family). Later AMD families also report base family 15 and are
// not affected.
bool HasUnreliableTimeStampCounter(const std::string& vendor, int family,
                                   int extended_family);

}  // namespace base

#endif  // BASE_CPU_H_
