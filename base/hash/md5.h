// MD5 message digests (RFC 1321), computed incrementally.
//
//   MD5Context context;
//   MD5Init(&context);
//   MD5Update(&context, "first part");
//   MD5Update(&context, "second part");
//   MD5Digest digest;
//   MD5Final(&digest, &context);  // |context| is zeroed and must be re-inited
//
// MD5 is not collision resistant: it serves as a compact, stable name for
// data (for example a 64-bit id from a histogram name), never for security.
#ifndef BASE_HASH_MD5_H_
#define BASE_HASH_MD5_H_

#include <stddef.h>
#include <stdint.h>

#include "base/strings/string_piece.h"

namespace base {

// The running state of one digest. Owned by the caller; one thread at a time.
struct MD5Context {
  uint32_t state[4];
  uint32_t bit_count[2];  // Message length in bits: low word, then high word.
  uint8_t block[64];      // Bytes of the block not yet transformed.
};

// The 16-byte result.
struct MD5Digest {
  uint8_t a[16];
};

// Sets the standard initial state words and a zero length.
void MD5Init(MD5Context* context);

// Absorbs |data|; may be called any number of times between init and final.
void MD5Update(MD5Context* context, const StringPiece& data);

// Pads the message, writes the digest and zeroes the whole context.
void MD5Final(MD5Digest* digest, MD5Context* context);

}  // namespace base

#endif  // BASE_HASH_MD5_H_
