#include "base/json/string_escape.h"

#include <stddef.h>
#include <string.h>

#include "base/json/json_utf8.h"
#include "base/logging.h"

namespace base {

namespace {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// Bytes that EscapeJSONString cannot copy blindly: control characters, the
// quote, the backslash, '<' and every byte of a multi-byte sequence.
struct BytesNeedingCare {
  bool table[256];
  constexpr BytesNeedingCare() : table() {
    for (int i = 0; i < 256; ++i)
      table[i] = i < 0x20 || i == '"' || i == '\\' || i == '<' || i >= 0x80;
  }
};
constexpr BytesNeedingCare kBytesNeedingCare;

// True when none of the eight bytes of |word| needs care: all below 0x80,
// none below 0x20, none of '"', '\\' and '<'.
inline bool IsPlainWord(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  auto has_byte_below = [](uint64_t x, unsigned n) {
    return (x - kOnes * n) & ~x & kHighBits;
  };
  auto has_byte_equal = [&](uint64_t x, unsigned n) {
    return has_byte_below(x ^ (kOnes * n), 1);
  };
  return ((word & kHighBits) | has_byte_below(word, 0x20) |
          has_byte_equal(word, '"') | has_byte_equal(word, '\\') |
          has_byte_equal(word, '<')) == 0;
}

// Returns the first byte at or after |p| that cannot be copied as it is:
// an ASCII byte that needs an escape, or the start of a sequence that is
// malformed, not a character, or U+2028/U+2029.
const unsigned char* SkipPlainText(const unsigned char* p,
                                   const unsigned char* end) {
  while (p < end) {
    if (end - p >= 8) {
      uint64_t word;
      memcpy(&word, p, sizeof(word));
      if (IsPlainWord(word)) {
        p += 8;
        continue;
      }
    }
    unsigned char lead = *p;
    if (lead < 0x80) {
      if (kBytesNeedingCare.table[lead])
        return p;
      ++p;
      continue;
    }
    if (lead < 0xE0) {
      if (lead < 0xC2 || end - p < 2 || (p[1] & 0xC0) != 0x80)
        return p;
      p += 2;
      continue;
    }
    if (lead < 0xF0) {
      if (end - p < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80)
        return p;
      uint32_t code_point = ((lead & 0x0Fu) << 12) |
                            ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
      if (code_point < 0x800 || (code_point >= 0xD800 && code_point <= 0xDFFF) ||
          (code_point >= 0xFDD0 && code_point <= 0xFDEF) ||
          code_point >= 0xFFFE || code_point == 0x2028 ||
          code_point == 0x2029) {
        return p;
      }
      p += 3;
      continue;
    }
    if (end - p < 4 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80 ||
        (p[3] & 0xC0) != 0x80) {
      return p;
    }
    uint32_t code_point = ((lead & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) |
                          ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    if (lead > 0xF4 || code_point < 0x10000 || code_point > 0x10FFFF ||
        (code_point & 0xFFFE) == 0xFFFE) {
      return p;
    }
    p += 4;
  }
  return p;
}

}  // namespace

bool EscapeSpecialCodePoint(uint32_t code_point, std::string* out) {
  switch (code_point) {
    case '"':
      out->append("\\\"", 2);
      return true;
    case '\\':
      out->append("\\\\", 2);
      return true;
    case '\b':
      out->append("\\b", 2);
      return true;
    case '\t':
      out->append("\\t", 2);
      return true;
    case '\n':
      out->append("\\n", 2);
      return true;
    case '\f':
      out->append("\\f", 2);
      return true;
    case '\r':
      out->append("\\r", 2);
      return true;
    case '<':
      // Keeps "</script>" out of JSON embedded in a page.
      out->append("\\u003C", 6);
      return true;
    case 0x2028:
      out->append("\\u2028", 6);
      return true;
    case 0x2029:
      out->append("\\u2029", 6);
      return true;
    default:
      break;
  }
  if (code_point < 0x20) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    char escape[6] = {'\\', 'u', '0', '0', kHexDigits[code_point >> 4],
                      kHexDigits[code_point & 0xF]};
    out->append(escape, 6);
    return true;
  }
  return false;
}

bool EscapeJSONString(StringPiece text, std::string* out) {
  CHECK_LT(text.size(), size_t{0x80000000u});
  bool replaced = false;
  out->push_back('"');
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    const unsigned char* run = p;
    p = SkipPlainText(p, end);
    out->append(reinterpret_cast<const char*>(run), p - run);
    if (p >= end)
      break;
    if (*p < 0x80) {
      EscapeSpecialCodePoint(*p, out);
      ++p;
      continue;
    }
    int32_t code_point;
    size_t length = json_utf8::DecodeSequence(p, end, &code_point);
    if (!json_utf8::IsCharacter(code_point)) {
      // The reader refuses these, so one of them would make the whole
      // document unreadable later.
      json_utf8::AppendCodePoint(kReplacementCharacter, out);
      replaced = true;
    } else if (!EscapeSpecialCodePoint(static_cast<uint32_t>(code_point),
                                       out)) {
      out->append(reinterpret_cast<const char*>(p), length);
    }
    p += length;
  }
  out->push_back('"');
  return !replaced;
}

}  // namespace base
