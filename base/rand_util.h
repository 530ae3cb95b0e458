// Random numbers from the operating system's cryptographic source. Every
// function may be called from any thread; none keeps state of its own.
//
//   uint64_t id = RandUint64();
//   int die = RandInt(1, 6);
#ifndef BASE_RAND_UTIL_H_
#define BASE_RAND_UTIL_H_

#include <stddef.h>
#include <stdint.h>

namespace base {

// Fills |length| bytes at |output|. Stops the process when the system source
// fails: callers depend on the bytes being unpredictable.
void RandBytes(void* output, size_t length);

// Eight random bytes.
uint64_t RandUint64();

// A uniformly distributed value in [min, max]; the full 32-bit span is
// allowed. Requires min <= max.
int RandInt(int min, int max);

}  // namespace base

#endif  // BASE_RAND_UTIL_H_
