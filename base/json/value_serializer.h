// The two halves of turning a Value tree into stored text and back. The
// preference store and the important-file writer work through these
// interfaces; the JSON implementations are in json_string_value_serializer.h
// and json_file_value_serializer.h.
#ifndef BASE_JSON_VALUE_SERIALIZER_H_
#define BASE_JSON_VALUE_SERIALIZER_H_

#include <memory>
#include <string>

#include "base/json/values.h"

namespace base {

class ValueSerializer {
 public:
  virtual ~ValueSerializer();

  // Writes |root| to the serializer's destination; false on failure.
  virtual bool Serialize(const Value& root) = 0;
};

class ValueDeserializer {
 public:
  virtual ~ValueDeserializer();

  // Reads a tree; null on failure, with an error code and a message when
  // the pointers are given.
  virtual std::unique_ptr<Value> Deserialize(int* error_code,
                                             std::string* error_message) = 0;
};

}  // namespace base

#endif  // BASE_JSON_VALUE_SERIALIZER_H_
