// UTF-8 decoding and encoding shared by the JSON reader and writer, so that
// both agree exactly on which characters a JSON text may hold: whatever the
// writer lets through, the reader accepts.
#ifndef BASE_JSON_JSON_UTF8_H_
#define BASE_JSON_JSON_UTF8_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace base {
namespace json_utf8 {

// Returned by DecodeSequence for bytes that do not form a code point.
constexpr int32_t kMalformed = -1;

// Decodes one UTF-8 sequence that starts at |p| (a byte of 0x80 or more) and
// must end before |end|. Returns the number of bytes it covers, at least 1,
// and stores the code point or kMalformed in |*code_point|. A malformed
// sequence covers its lead byte and the continuation bytes that followed it,
// so a writer replaces it by one U+FFFD. Surrogates and values above
// U+10FFFF are decoded as numbers; IsCharacter rejects them.
size_t DecodeSequence(const unsigned char* p,
                      const unsigned char* end,
                      int32_t* code_point);

// True for the code points a JSON text may carry: not a surrogate, not one
// of the noncharacters U+FDD0..U+FDEF or U+xFFFE/U+xFFFF, at most U+10FFFF.
inline bool IsCharacter(int32_t code_point) {
  return code_point >= 0 && code_point <= 0x10FFFF &&
         (code_point < 0xD800 || code_point > 0xDFFF) &&
         (code_point < 0xFDD0 || code_point > 0xFDEF) &&
         (code_point & 0xFFFE) != 0xFFFE;
}

// The length (2 to 4) of the character whose first byte, 0x80 or more, is at
// |p| and which must end before |end|; 0 when the bytes there are not one
// that IsCharacter accepts. The same verdict as DecodeSequence followed by
// IsCharacter, without building the code point for the common cases.
inline size_t ValidMultiByteLength(const unsigned char* p,
                                   const unsigned char* end) {
  unsigned char lead = p[0];
  size_t available = static_cast<size_t>(end - p);
  if (lead < 0xC2)
    return 0;  // A continuation byte, or the lead of an overlong form.
  if (lead < 0xE0)
    return available >= 2 && (p[1] & 0xC0) == 0x80 ? 2 : 0;
  if (lead < 0xF0) {
    if (available < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80)
      return 0;
    uint32_t code_point =
        ((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
    if (code_point < 0x800 || (code_point >= 0xD800 && code_point <= 0xDFFF) ||
        (code_point >= 0xFDD0 && code_point <= 0xFDEF) || code_point >= 0xFFFE)
      return 0;
    return 3;
  }
  if (lead < 0xF5) {
    if (available < 4 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80 ||
        (p[3] & 0xC0) != 0x80) {
      return 0;
    }
    uint32_t code_point = ((lead & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) |
                          ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    if (code_point < 0x10000 || code_point > 0x10FFFF ||
        (code_point & 0xFFFE) == 0xFFFE)
      return 0;
    return 4;
  }
  return 0;  // Beyond U+10FFFF, or not a lead byte at all.
}

// Appends |code_point| (at most U+10FFFF) as UTF-8.
void AppendCodePoint(uint32_t code_point, std::string* out);

}  // namespace json_utf8
}  // namespace base

#endif  // BASE_JSON_JSON_UTF8_H_
