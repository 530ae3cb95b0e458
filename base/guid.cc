#include "base/guid.h"

#include <stdint.h>
#include <stdio.h>

#include "base/rand_util.h"

namespace base {

std::string GenerateGUID() {
  const uint64_t a = RandUint64();
  const uint64_t b = RandUint64();
  char text[40];
  snprintf(text, sizeof(text), "%08x-%04x-%04x-%04x-%012llx",
           static_cast<unsigned>(a >> 32),
           static_cast<unsigned>((a >> 16) & 0xFFFF),
           static_cast<unsigned>(0x4000 | (a & 0x0FFF)),
           static_cast<unsigned>(0x8000 | ((b >> 48) & 0x3FFF)),
           static_cast<unsigned long long>(b & 0x0000FFFFFFFFFFFFULL));
  return text;
}

}  // namespace base
