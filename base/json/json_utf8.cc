#include "base/json/json_utf8.h"

namespace base {
namespace json_utf8 {

size_t DecodeSequence(const unsigned char* p,
                      const unsigned char* end,
                      int32_t* code_point) {
  unsigned char lead = p[0];
  size_t length;
  int32_t value;
  int32_t smallest;  // Anything below is an overlong form.
  if (lead >= 0xC0 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    length = 4;
    value = lead & 0x07;
    smallest = 0x10000;
  } else if (lead >= 0xF8 && lead <= 0xFB) {
    length = 5;
    value = lead & 0x03;
    smallest = 0x200000;
  } else if (lead >= 0xFC && lead <= 0xFD) {
    length = 6;
    value = lead & 0x01;
    smallest = 0x4000000;
  } else {
    // A stray continuation byte, 0xFE or 0xFF.
    *code_point = kMalformed;
    return 1;
  }
  size_t available = static_cast<size_t>(end - p);
  for (size_t i = 1; i < length; ++i) {
    if (i >= available || (p[i] & 0xC0) != 0x80) {
      *code_point = kMalformed;
      return i;
    }
    value = (value << 6) | (p[i] & 0x3F);
  }
  *code_point = value < smallest ? kMalformed : value;
  return length;
}

void AppendCodePoint(uint32_t code_point, std::string* out) {
  char bytes[4];
  size_t length;
  if (code_point < 0x80) {
    bytes[0] = static_cast<char>(code_point);
    length = 1;
  } else if (code_point < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (code_point >> 6));
    bytes[1] = static_cast<char>(0x80 | (code_point & 0x3F));
    length = 2;
  } else if (code_point < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (code_point >> 12));
    bytes[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | (code_point & 0x3F));
    length = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (code_point >> 18));
    bytes[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    bytes[3] = static_cast<char>(0x80 | (code_point & 0x3F));
    length = 4;
  }
  out->append(bytes, length);
}

}  // namespace json_utf8
}  // namespace base
