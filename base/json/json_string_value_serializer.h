// JSON text in memory: a serializer that writes a tree into a caller's
// string, and a deserializer that parses a caller's text.
//
//   std::string json;
//   JSONStringValueSerializer serializer(&json);
//   serializer.Serialize(prefs);
//
//   JSONStringValueDeserializer deserializer(json, 0);
//   std::unique_ptr<Value> copy = deserializer.Deserialize(nullptr, nullptr);
#ifndef BASE_JSON_JSON_STRING_VALUE_SERIALIZER_H_
#define BASE_JSON_JSON_STRING_VALUE_SERIALIZER_H_

#include <memory>
#include <string>

#include "base/json/value_serializer.h"
#include "base/strings/string_piece.h"

namespace base {

class JSONStringValueSerializer : public ValueSerializer {
 public:
  // |json| (not owned) receives the text; it must outlive the serializer.
  explicit JSONStringValueSerializer(std::string* json);
  ~JSONStringValueSerializer() override;

  // Compact JSON into the string; false when it is null.
  bool Serialize(const Value& root) override;

 private:
  std::string* const json_;
};

class JSONStringValueDeserializer : public ValueDeserializer {
 public:
  // |json| is viewed, not copied: it must outlive the deserializer.
  JSONStringValueDeserializer(StringPiece json, int options);
  ~JSONStringValueDeserializer() override;

  // JSONReader::ReadAndReturnError of the text.
  std::unique_ptr<Value> Deserialize(int* error_code,
                                     std::string* error_message) override;

 private:
  const StringPiece json_;
  const int options_;
};

}  // namespace base

#endif  // BASE_JSON_JSON_STRING_VALUE_SERIALIZER_H_
