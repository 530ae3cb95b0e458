#include "base/json/json_string_value_serializer.h"

#include "base/json/json_reader.h"
#include "base/json/json_writer.h"

namespace base {

JSONStringValueSerializer::JSONStringValueSerializer(std::string* json)
    : json_(json) {}

JSONStringValueSerializer::~JSONStringValueSerializer() = default;

bool JSONStringValueSerializer::Serialize(const Value& root) {
  if (!json_)
    return false;
  return JSONWriter::WriteWithOptions(root, 0, json_);
}

JSONStringValueDeserializer::JSONStringValueDeserializer(StringPiece json,
                                                         int options)
    : json_(json), options_(options) {}

JSONStringValueDeserializer::~JSONStringValueDeserializer() = default;

std::unique_ptr<Value> JSONStringValueDeserializer::Deserialize(
    int* error_code,
    std::string* error_message) {
  return JSONReader::ReadAndReturnError(json_, options_, error_code,
                                        error_message);
}

}  // namespace base
