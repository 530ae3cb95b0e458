// What the JSON tests share: the compact text of a value, to compare trees
// in one assertion.
#ifndef BASE_JSON_JSON_TEST_SUPPORT_H_
#define BASE_JSON_JSON_TEST_SUPPORT_H_

#include <string>

#include "base/json/json_writer.h"

namespace base {

inline std::string WriteJson(const Value& value) {
  std::string json;
  JSONWriter::Write(value, &json);
  return json;
}

}  // namespace base

#endif  // BASE_JSON_JSON_TEST_SUPPORT_H_
