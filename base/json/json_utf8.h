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

// Appends |code_point| (at most U+10FFFF) as UTF-8.
void AppendCodePoint(uint32_t code_point, std::string* out);

}  // namespace json_utf8
}  // namespace base

#endif  // BASE_JSON_JSON_UTF8_H_
