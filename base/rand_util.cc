#include "base/rand_util.h"

#include <limits>

#include "base/logging.h"
#include "base/win/windows_types.h"

// RtlGenRandom has no import library name of its own: advapi32 exports it as
// SystemFunction036.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

namespace base {

void RandBytes(void* output, size_t length) {
  char* cursor = static_cast<char*>(output);
  while (length > 0) {
    const ULONG request = static_cast<ULONG>(
        length < 0xFFFFFFFFu ? length : static_cast<size_t>(0xFFFFFFFFu));
    const bool filled = SystemFunction036(cursor, request) != FALSE;
    CHECK(filled) << "RtlGenRandom failed for " << request << " bytes";
    cursor += request;
    length -= request;
  }
}

uint64_t RandUint64() {
  uint64_t value;
  RandBytes(&value, sizeof(value));
  return value;
}

int RandInt(int min, int max) {
  DCHECK_LE(min, max);
  const uint64_t range =
      static_cast<uint64_t>(static_cast<int64_t>(max) - min + 1);
  // Values above |limit| would make the low residues more likely; draw again.
  const uint64_t kMax = std::numeric_limits<uint64_t>::max();
  const uint64_t limit = kMax - (kMax % range) - 1;
  uint64_t value;
  do {
    value = RandUint64();
  } while (value > limit);
  return static_cast<int>(static_cast<int64_t>(min) +
                          static_cast<int64_t>(value % range));
}

}  // namespace base
