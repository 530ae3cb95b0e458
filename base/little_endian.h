// Reads of the little-endian integers that file formats store (a PE image's
// headers, for one) from byte buffers that need not be aligned. The caller
// checks that the bytes lie inside its buffer.
//
//   if (length >= 0x40 && base::ReadLittleEndian16(data) == 0x5A4D) {
//     const uint32_t pe_offset = base::ReadLittleEndian32(data + 0x3C);
//     ...
#ifndef BASE_LITTLE_ENDIAN_H_
#define BASE_LITTLE_ENDIAN_H_

#include <stdint.h>

namespace base {

inline uint16_t ReadLittleEndian16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

inline uint32_t ReadLittleEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) |
         static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 |
         static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace base

#endif  // BASE_LITTLE_ENDIAN_H_
