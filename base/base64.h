// Strict Base64 decoding (RFC 4648 section 4: A-Z, a-z, 0-9, "+", "/", with
// "=" padding).
//
//   std::string bytes;
//   if (!Base64Decode(text, &bytes)) return false;
//
// Whitespace, line breaks and any other character outside the alphabet are
// refused rather than skipped, so a damaged text never decodes silently.
#ifndef BASE_BASE64_H_
#define BASE_BASE64_H_

#include <string>

#include "base/strings/string_piece.h"

namespace base {

// Decodes |input| into |output|. The length must be a multiple of 4 (an
// empty text decodes to nothing); at most two trailing "=" are allowed.
// On failure returns false and leaves |output| unchanged.
bool Base64Decode(const StringPiece& input, std::string* output);

}  // namespace base

#endif  // BASE_BASE64_H_
