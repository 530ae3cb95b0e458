#include "base/hash/sha1.h"

#include <stdint.h>
#include <string.h>

namespace base {

namespace {

uint32_t RotateLeft(uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

// The state of one digest while its input is absorbed.
class SecureHashAlgorithm {
 public:
  SecureHashAlgorithm() {
    state_[0] = 0x67452301;
    state_[1] = 0xefcdab89;
    state_[2] = 0x98badcfe;
    state_[3] = 0x10325476;
    state_[4] = 0xc3d2e1f0;
  }

  void Update(const unsigned char* data, size_t length) {
    bit_count_ += static_cast<uint64_t>(length) * 8;
    while (length > 0) {
      const size_t take = length < 64 - cursor_ ? length : 64 - cursor_;
      memcpy(block_ + cursor_, data, take);
      cursor_ += take;
      data += take;
      length -= take;
      if (cursor_ == 64)
        Process();
    }
  }

  void Final(unsigned char* digest) {
    // The length is captured before the padding changes the count.
    const uint64_t message_bits = bit_count_;
    block_[cursor_++] = 0x80;
    if (cursor_ > 56) {
      memset(block_ + cursor_, 0, 64 - cursor_);
      Process();
    }
    memset(block_ + cursor_, 0, 56 - cursor_);
    for (int i = 0; i < 8; ++i)
      block_[56 + i] = static_cast<unsigned char>(message_bits >> (56 - 8 * i));
    Process();

    for (int i = 0; i < 5; ++i) {
      digest[4 * i] = static_cast<unsigned char>(state_[i] >> 24);
      digest[4 * i + 1] = static_cast<unsigned char>(state_[i] >> 16);
      digest[4 * i + 2] = static_cast<unsigned char>(state_[i] >> 8);
      digest[4 * i + 3] = static_cast<unsigned char>(state_[i]);
    }
  }

 private:
  // Mixes the full block into the state and empties the buffer.
  void Process() {
    for (int t = 0; t < 16; ++t) {
      schedule_[t] = (static_cast<uint32_t>(block_[4 * t]) << 24) |
                     (static_cast<uint32_t>(block_[4 * t + 1]) << 16) |
                     (static_cast<uint32_t>(block_[4 * t + 2]) << 8) |
                     static_cast<uint32_t>(block_[4 * t + 3]);
    }
    for (int t = 16; t < 80; ++t) {
      schedule_[t] = RotateLeft(schedule_[t - 3] ^ schedule_[t - 8] ^
                                    schedule_[t - 14] ^ schedule_[t - 16],
                                1);
    }

    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3],
             e = state_[4];
    for (int t = 0; t < 80; ++t) {
      uint32_t mixed, constant;
      if (t < 20) {
        mixed = (b & c) | (~b & d);
        constant = 0x5a827999;
      } else if (t < 40) {
        mixed = b ^ c ^ d;
        constant = 0x6ed9eba1;
      } else if (t < 60) {
        mixed = (b & c) | (b & d) | (c & d);
        constant = 0x8f1bbcdc;
      } else {
        mixed = b ^ c ^ d;
        constant = 0xca62c1d6;
      }
      const uint32_t next = RotateLeft(a, 5) + mixed + e + schedule_[t] + constant;
      e = d;
      d = c;
      c = RotateLeft(b, 30);
      b = a;
      a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    cursor_ = 0;
  }

  uint32_t state_[5];
  unsigned char block_[64];
  size_t cursor_ = 0;
  uint32_t schedule_[80];
  uint64_t bit_count_ = 0;
};

}  // namespace

void SHA1HashBytes(const unsigned char* data, size_t length,
                   unsigned char* digest) {
  SecureHashAlgorithm sha;
  sha.Update(data, length);
  sha.Final(digest);
}

}  // namespace base
