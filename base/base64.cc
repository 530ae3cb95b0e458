#include "base/base64.h"

#include <stdint.h>

namespace base {

namespace {

// The 6-bit value of |c|, or -1 outside the alphabet ("=" included).
int DecodeCharacter(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool Base64Decode(const StringPiece& input, std::string* output) {
  if (input.empty()) {
    output->clear();
    return true;
  }
  if (input.size() < 4 || input.size() % 4 != 0)
    return false;

  size_t length = input.size();
  if (input[length - 1] == '=') {
    --length;
    if (input[length - 1] == '=')
      --length;
  }

  std::string decoded;
  decoded.reserve(input.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int pending = 0;  // Characters gathered in |bits| for the current group.
  for (size_t i = 0; i < length; ++i) {
    const int value = DecodeCharacter(input[i]);
    if (value < 0)
      return false;
    bits = (bits << 6) | static_cast<uint32_t>(value);
    if (++pending == 4) {
      decoded.push_back(static_cast<char>(bits >> 16));
      decoded.push_back(static_cast<char>(bits >> 8));
      decoded.push_back(static_cast<char>(bits));
      bits = 0;
      pending = 0;
    }
  }
  // A short last group: its final character's spare low bits are dropped.
  if (pending == 3) {
    decoded.push_back(static_cast<char>(bits >> 10));
    decoded.push_back(static_cast<char>(bits >> 2));
  } else if (pending == 2) {
    decoded.push_back(static_cast<char>(bits >> 4));
  }

  output->swap(decoded);
  return true;
}

}  // namespace base
