// The recursive-descent parser behind JSONReader. One JSONParser serves one
// parse at a time; it tracks the line and column of the first error.
//
// Grammar for the options 0:
// - An optional UTF-8 byte-order mark, one value, then at most one stray
//   byte ("{} x" and "truex" are accepted, "{} xy" is not).
// - Whitespace is tab, LF, CR and space. "//" comments run to the line end,
//   "/*" comments to "*/" or the end of input; a '/' followed by any other
//   byte is skipped by itself.
// - Strings hold valid UTF-8 without surrogates or noncharacters; escapes
//   are \" \/ \\ \b \f \n \r \t \v, \uXXXX (surrogate pairs combined) and
//   \xXX.
// - Numbers: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)? followed by ',',
//   '}', ']' or the end of input. One that fits a signed 32-bit integer
//   becomes an integer value, any other a double; a number that overflows a
//   double fails without an error code.
// - Dictionaries and lists nest at most 199 deep; a later key replaces an
//   earlier equal one; trailing commas are errors.
#ifndef BASE_JSON_JSON_PARSER_H_
#define BASE_JSON_JSON_PARSER_H_

#include <deque>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/json/json_reader.h"
#include "base/json/value_arena.h"
#include "base/json/values.h"
#include "base/strings/string_piece.h"

namespace base {

class JSONParser {
 public:
  // The 200th nested dictionary or list is refused.
  static constexpr int kStackMaxDepth = 200;

  explicit JSONParser(int options);
  JSONParser(const JSONParser&) = delete;
  JSONParser& operator=(const JSONParser&) = delete;
  ~JSONParser();

  // Parses the whole of |input|; null on failure. Nothing outside
  // [input.data(), input.data() + input.size()) is read.
  std::unique_ptr<Value> Parse(StringPiece input);

  JSONReader::JsonParseError error_code() const { return error_code_; }
  // 1-based line of the error; 0 when none was recorded.
  int error_line() const { return error_line_; }
  int error_column() const { return error_column_; }
  // The formatted message of the last error; empty after a success.
  std::string GetErrorMessage() const;

 private:
  enum Token {
    T_OBJECT_BEGIN,
    T_OBJECT_END,
    T_ARRAY_BEGIN,
    T_ARRAY_END,
    T_STRING,
    T_NUMBER,
    T_BOOL_TRUE,
    T_BOOL_FALSE,
    T_NULL,
    T_LIST_SEPARATOR,
    T_OBJECT_PAIR_SEPARATOR,
    T_END_OF_INPUT,
    T_INVALID_TOKEN,
  };

  // A decoded string: a view of the input while no escape was met, else the
  // built text in |buffer|.
  struct StringResult {
    StringPiece view;
    std::string buffer;
    bool built = false;
    StringPiece text() const { return built ? StringPiece(buffer) : view; }
  };

  // Skips whitespace and comments, then classifies the byte at pos_.
  Token GetNextToken();
  void EatWhitespaceAndComments();

  std::unique_ptr<Value> ParseToken(Token token);
  std::unique_ptr<Value> ConsumeDictionary();
  std::unique_ptr<Value> ConsumeList();
  std::unique_ptr<Value> ConsumeStringValue();
  std::unique_ptr<Value> ConsumeNumber();
  // Steps over |word| at pos_; false after reporting a mismatch.
  bool ConsumeLiteral(const char* word, size_t length);

  // A new value of type T in the arena of the running parse.
  template <typename T, typename... Args>
  T* NewValue(Args&&... args) {
    return ::new (arena_->Allocate(sizeof(T))) T(std::forward<Args>(args)...);
  }
  // Builds the dictionary from the entries stacked from |first_entry| on;
  // |sorted| tells whether their keys arrived strictly ascending.
  std::unique_ptr<Value> FinishDictionary(size_t first_entry, bool sorted);

  // Reads the string whose opening quote is at pos_; leaves pos_ after the
  // closing quote.
  bool ConsumeString(StringResult* result);
  // Decodes the escape whose backslash is at |*p| into |out| and moves |*p|
  // past it.
  bool DecodeEscape(const char** p, std::string* out);
  // Reads the \uXXXX (or surrogate pair) escape whose 'u' is at |*p|.
  bool DecodeUnicodeEscape(const char** p, std::string* out);

  // Records |code| with the column of the byte at |position| adjusted by
  // |column_adjust|.
  void ReportError(JSONReader::JsonParseError code,
                   const char* position,
                   int column_adjust);

  const int options_;
  // Holds every value of the running parse; null between parses.
  internal::ValueArena* arena_ = nullptr;
  // Elements of the lists and entries of the dictionaries being parsed,
  // innermost last: a container is built once, at its final size, in one
  // block of the arena.
  std::vector<std::unique_ptr<Value>> element_stack_;
  struct PendingEntry {
    // A view of the input, or of |decoded_keys_| when it held escapes.
    std::string_view key;
    std::unique_ptr<Value> value;
  };
  std::vector<PendingEntry> entry_stack_;
  // Keys that held escapes, for the rest of the parse.
  std::deque<std::string> decoded_keys_;
  const char* start_ = nullptr;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  int depth_ = 0;
  int line_ = 1;
  // Index of the last line break seen; 0 on the first line.
  int line_start_ = 0;
  JSONReader::JsonParseError error_code_ = JSONReader::JSON_NO_ERROR;
  int error_line_ = 0;
  int error_column_ = 0;
};

}  // namespace base

#endif  // BASE_JSON_JSON_PARSER_H_
