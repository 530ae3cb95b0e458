#include "base/json/embedded_json.h"

#include <string>

#include "base/base64.h"
#include "base/json/json_parser.h"

namespace base {

namespace {

bool IsTrailingWhitespace(char c) {
  return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
         c == ' ';
}

}  // namespace

std::unique_ptr<DictionaryValue> DecodeEmbeddedJsonObject(StringPiece text) {
  while (!text.empty() && IsTrailingWhitespace(text.back()))
    text.remove_suffix(1);

  std::string decoded;
  if (!Base64Decode(text, &decoded))
    return nullptr;

  // The payload may pad the object on either side.
  size_t first = decoded.find('{');
  if (first == std::string::npos)
    return nullptr;
  size_t last = decoded.rfind('}');
  if (last == std::string::npos || last < first)
    return nullptr;

  JSONParser parser(0);
  return DictionaryValue::From(
      parser.Parse(StringPiece(decoded.data() + first, last - first + 1)));
}

}  // namespace base
