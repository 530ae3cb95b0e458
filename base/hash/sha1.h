// SHA-1 digests (FIPS 180-1) of a buffer held in memory.
//
//   unsigned char digest[kSHA1Length];
//   SHA1HashBytes(data, size, digest);
//
// Used where an existing format names data by its SHA-1; not for new
// security decisions.
#ifndef BASE_HASH_SHA1_H_
#define BASE_HASH_SHA1_H_

#include <stddef.h>

namespace base {

// Bytes in a SHA-1 digest.
const size_t kSHA1Length = 20;

// Writes the digest of |length| bytes at |data| to |digest|, which holds
// kSHA1Length bytes.
void SHA1HashBytes(const unsigned char* data, size_t length,
                   unsigned char* digest);

}  // namespace base

#endif  // BASE_HASH_SHA1_H_
