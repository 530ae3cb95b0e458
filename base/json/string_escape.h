// Quoting of UTF-8 text as a JSON string, as the JSON writer emits it.
//
//   std::string json;
//   if (!EscapeJSONString(name, &json))
//     LOG(WARNING) << "Invalid UTF-8 replaced in " << json;
//
// The output holds only characters that the JSON reader accepts: bytes that
// are not UTF-8, surrogates and noncharacters become U+FFFD.
#ifndef BASE_JSON_STRING_ESCAPE_H_
#define BASE_JSON_STRING_ESCAPE_H_

#include <stdint.h>

#include <string>

#include "base/strings/string_piece.h"

namespace base {

// Appends |text| to |out| between double quotes, escaping the quote, the
// backslash, control characters, '<', U+2028 and U+2029. Returns false when
// something had to be replaced by U+FFFD. |text| must be shorter than 2^31
// bytes.
bool EscapeJSONString(StringPiece text, std::string* out);

// Appends the fixed escape of |code_point| and returns true when it has one
// (the quote, the backslash, code points below 0x20, '<', U+2028, U+2029);
// otherwise appends nothing and returns false.
bool EscapeSpecialCodePoint(uint32_t code_point, std::string* out);

namespace internal {

class JsonOutput;

// EscapeJSONString for the JSON writer's buffer.
bool EscapeJSONStringTo(StringPiece text, JsonOutput* output);

}  // namespace internal

}  // namespace base

#endif  // BASE_JSON_STRING_ESCAPE_H_
