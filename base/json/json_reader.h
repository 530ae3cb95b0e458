// Strict UTF-8 JSON parsing into a Value tree, with comments allowed.
//
//   int error_code = 0;
//   std::string error_message;
//   std::unique_ptr<Value> root = JSONReader::ReadAndReturnError(
//       text, 0, &error_code, &error_message);
//   if (!root)
//     LOG(ERROR) << "Bad settings: " << error_message;
//
// The input needs no terminating NUL and is never read past its end. Every
// caller passes the options 0; the grammar is fixed for them (see
// json_parser.h). The functions are reentrant.
#ifndef BASE_JSON_JSON_READER_H_
#define BASE_JSON_JSON_READER_H_

#include <memory>
#include <string>

#include "base/json/values.h"
#include "base/strings/string_piece.h"

namespace base {

class JSONReader {
 public:
  // Error codes of a failed parse. A parse can also fail with JSON_NO_ERROR:
  // a number that is too large for a double.
  enum JsonParseError {
    JSON_NO_ERROR = 0,
    JSON_INVALID_ESCAPE = 1,
    JSON_SYNTAX_ERROR = 2,
    JSON_UNEXPECTED_TOKEN = 3,
    JSON_TRAILING_COMMA = 4,
    JSON_TOO_MUCH_NESTING = 5,
    JSON_UNEXPECTED_DATA_AFTER_ROOT = 6,
    JSON_UNSUPPORTED_ENCODING = 7,
    JSON_UNQUOTED_DICTIONARY_KEY = 8,
  };

  static const char kInvalidEscape[];
  static const char kSyntaxError[];
  static const char kUnexpectedToken[];
  static const char kTrailingComma[];
  static const char kTooMuchNesting[];
  static const char kUnexpectedDataAfterRoot[];
  static const char kUnsupportedEncoding[];
  static const char kUnquotedDictionaryKey[];

  JSONReader() = delete;

  // Parses |json| with the options 0. Null on any failure.
  static std::unique_ptr<Value> Read(StringPiece json);

  // Parses |json|. On failure returns null and, when the pointers are given,
  // the error code and "Line: L, column: C, <text of the code>" (the text
  // alone when no position was recorded).
  static std::unique_ptr<Value> ReadAndReturnError(StringPiece json,
                                                   int options,
                                                   int* error_code_out,
                                                   std::string* error_msg_out);

  // The text of an error code; empty for JSON_NO_ERROR and unknown codes.
  static std::string ErrorCodeToString(int error_code);
};

}  // namespace base

#endif  // BASE_JSON_JSON_READER_H_
