// Recovery of a JSON dictionary carried as Base64 text, such as the one an
// installer executable carries in its payload.
//
//   std::unique_ptr<DictionaryValue> options =
//       DecodeEmbeddedJsonObject(payload_text);
//   if (!options) return false;
#ifndef BASE_JSON_EMBEDDED_JSON_H_
#define BASE_JSON_EMBEDDED_JSON_H_

#include <memory>

#include "base/json/values.h"
#include "base/strings/string_piece.h"

namespace base {

// Cuts trailing whitespace from |text|, decodes it as Base64, keeps the
// bytes from the first '{' through the last '}' and parses them as JSON.
// Null when any step fails or the root is not a dictionary.
std::unique_ptr<DictionaryValue> DecodeEmbeddedJsonObject(StringPiece text);

}  // namespace base

#endif  // BASE_JSON_EMBEDDED_JSON_H_
