// Reads and parses a whole JSON file, classifying read failures so that the
// preference store can tell a missing file from a locked or unreadable one.
//
//   JSONFileValueDeserializer deserializer(path, 0);
//   int error_code = 0;
//   std::string error_message;
//   std::unique_ptr<Value> root =
//       deserializer.Deserialize(&error_code, &error_message);
//   if (!root && error_code == JSONFileValueDeserializer::JSON_NO_SUCH_FILE)
//     ...first run...
//
// Error codes are the JSONReader codes for text that does not parse, and
// the read-error codes below for a file that cannot be read.
#ifndef BASE_JSON_JSON_FILE_VALUE_SERIALIZER_H_
#define BASE_JSON_JSON_FILE_VALUE_SERIALIZER_H_

#include <stddef.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/json/value_serializer.h"

namespace base {

class JSONFileValueDeserializer : public ValueDeserializer {
 public:
  enum ReadError {
    JSON_ACCESS_DENIED = 1000,
    JSON_CANNOT_READ_FILE = 1001,
    JSON_FILE_LOCKED = 1002,
    JSON_NO_SUCH_FILE = 1003,
  };

  static const char kAccessDenied[];
  static const char kCannotReadFile[];
  static const char kFileLocked[];
  static const char kNoSuchFile[];

  JSONFileValueDeserializer(const FilePath& json_file_path, int options);
  ~JSONFileValueDeserializer() override;

  // Reads the whole file and parses it. On a read failure returns null
  // with a ReadError code and its text.
  std::unique_ptr<Value> Deserialize(int* error_code,
                                     std::string* error_message) override;

  // Size in bytes of the file last read; 0 until a read succeeded.
  size_t get_last_read_size() const { return last_read_size_; }

 private:
  // Reads the file into |contents|; on failure returns the Win32 error of
  // the step that failed, else ERROR_SUCCESS.
  unsigned long ReadFileContents(std::string* contents) const;
  // The ReadError for a read that failed with the Win32 |error|.
  int ReadErrorFromSystemError(unsigned long error) const;
  static const char* ReadErrorToString(int error_code);

  const FilePath json_file_path_;
  const int options_;
  size_t last_read_size_ = 0;
};

}  // namespace base

#endif  // BASE_JSON_JSON_FILE_VALUE_SERIALIZER_H_
