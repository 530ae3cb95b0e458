// Compact JSON text from a Value tree: no whitespace at all, dictionary
// entries in key order, doubles as the shortest text that reads back to the
// same number (always with a point or an exponent, so they read back as
// doubles).
//
//   std::string json;
//   JSONWriter::Write(settings, &json);   // {"a":[1,2.5,"x"],"b":null}
//
// Whatever the writer produces, JSONReader reads back to an equal tree:
// text that is not valid UTF-8, surrogates and noncharacters are replaced
// by U+FFFD on the way out.
#ifndef BASE_JSON_JSON_WRITER_H_
#define BASE_JSON_JSON_WRITER_H_

#include <string>

#include "base/json/values.h"

namespace base {

namespace internal {
class JsonOutput;
}  // namespace internal

class JSONWriter {
 public:
  JSONWriter() = delete;

  // WriteWithOptions with the options 0.
  static bool Write(const Value& value, std::string* json);

  // Replaces |json| with the text of |value|. Every caller passes the
  // options 0. Returns true: replaced characters do not fail the write.
  static bool WriteWithOptions(const Value& value,
                               int options,
                               std::string* json);

 private:
  static void BuildJSONString(const Value& value,
                              internal::JsonOutput* output);
};

}  // namespace base

#endif  // BASE_JSON_JSON_WRITER_H_
