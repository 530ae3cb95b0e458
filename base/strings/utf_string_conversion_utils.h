// Code-point level building blocks of the UTF-8 and UTF-16 conversions:
// strict decoding of one UTF-8 sequence, encoding of one code point, and the
// test for code points that may appear in interchanged text.
//
//   size_t i = 0;
//   int32_t code_point = ReadUnicodeCharacterUTF8(
//       text.data(), &i, text.size(), static_cast<unsigned char>(text[0]));
//   if (code_point < 0) ...  // i is past the malformed sequence
#ifndef BASE_STRINGS_UTF_STRING_CONVERSION_UTILS_H_
#define BASE_STRINGS_UTF_STRING_CONVERSION_UTILS_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace base {

// The character that stands in for undecodable input.
constexpr int32_t kUnicodeReplacementCharacter = 0xFFFD;

// True for U+0000 to U+D7FF, U+E000 to U+FDCF and U+FDF0 to U+10FFFF, except
// the noncharacters whose low 16 bits are FFFE or FFFF.
inline bool IsValidCodePoint(uint32_t code_point) {
  return code_point < 0xD800u ||
         (code_point >= 0xE000u && code_point < 0xFDD0u) ||
         (code_point > 0xFDEFu && code_point <= 0x10FFFFu &&
          (code_point & 0xFFFEu) != 0xFFFEu);
}

// Decodes the sequence whose lead byte |lead| sits at |src|[*index], reading
// no further than |src_len|. Returns the code point and leaves *index just
// past the sequence. Only well-formed UTF-8 is accepted: overlong forms,
// surrogates, values above U+10FFFF and 5- or 6-byte forms give -1; *index
// then moves past the lead byte and the continuation bytes (10xxxxxx) that
// follow it, at most as many as the lead byte announced.
int32_t ReadUnicodeCharacterUTF8(const char* src, size_t* index, size_t src_len,
                                 unsigned char lead);

// Appends |code_point| to |output| in UTF-8 and returns the number of bytes
// written (1 to 4). The caller passes a code point up to U+10FFFF.
size_t WriteUnicodeCharacterUTF8(uint32_t code_point, std::string* output);

// Appends |code_point| to |output| in UTF-16 and returns the number of units
// written (1, or 2 for a surrogate pair from U+10000 on).
size_t WriteUnicodeCharacterUTF16(uint32_t code_point, std::wstring* output);

}  // namespace base

#endif  // BASE_STRINGS_UTF_STRING_CONVERSION_UTILS_H_
