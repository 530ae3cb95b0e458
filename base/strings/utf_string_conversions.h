// Conversion between UTF-8 (narrow strings) and UTF-16 (wide strings).
//
// Decoding is strict: malformed UTF-8 (overlong forms, surrogates, values
// above U+10FFFF, truncated sequences, stray continuation bytes) and lone
// UTF-16 surrogates never pass through; each bad sequence becomes one U+FFFD
// and conversion goes on. The string-returning forms hide that a replacement
// happened; the forms with an output pointer return false when one did.
//
//   std::wstring title = UTF8ToWide(json_text);
//   std::string utf8;
//   if (!WideToUTF8(buffer, length, &utf8)) LOG(WARNING) << "Bad UTF-16";
#ifndef BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
#define BASE_STRINGS_UTF_STRING_CONVERSIONS_H_

#include <stddef.h>

#include <string>

#include "base/strings/string_piece.h"

namespace base {

// UTF-16 to UTF-8. A lone or reversed surrogate becomes EF BF BD.
bool WideToUTF8(const wchar_t* src, size_t src_len, std::string* output);
std::string WideToUTF8(StringPiece16 wide);
std::string WideStringToUTF8(const std::wstring& wide);

// UTF-8 to UTF-16. Each malformed sequence, and each decoded code point that
// IsValidCodePoint() refuses (noncharacters such as U+FFFE), becomes U+FFFD.
bool UTF8ToWide(const char* src, size_t src_len, std::wstring* output);
std::wstring UTF8ToWide(StringPiece utf8);

// For text known to be ASCII: each byte is widened, or each unit narrowed,
// unchanged in value. Non-ASCII input is a programming error (DCHECK).
std::wstring ASCIIToWide(StringPiece ascii);
std::string WideToASCII(StringPiece16 wide);

// Wide strings are UTF-16 on this platform; these names say so at call sites
// that deal in UTF-16 rather than in Windows wide strings.
inline std::wstring UTF8ToUTF16(StringPiece utf8) { return UTF8ToWide(utf8); }
inline std::string UTF16ToUTF8(StringPiece16 utf16) {
  return WideToUTF8(utf16);
}
inline std::wstring ASCIIToUTF16(StringPiece ascii) {
  return ASCIIToWide(ascii);
}
inline std::string UTF16ToASCII(StringPiece16 utf16) {
  return WideToASCII(utf16);
}

}  // namespace base

#endif  // BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
