// Whatever the writer produces must read back to an equal tree: a
// preference file that cannot be read again loses every setting in it.

#include <float.h>
#include <limits.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/json/json_parser.h"
#include "base/json/json_reader.h"
#include "base/json/json_test_support.h"
#include "base/json/json_utf8.h"
#include "base/json/json_writer.h"
#include "base/json/values.h"

namespace base {
namespace {

// The deepest nesting the reader takes, around a list of every character it
// accepts, every kind of value, the edge numbers, and a dictionary keyed by
// each ASCII character (most of the keys escaped, many short).
TEST(JSONRoundTripTest, EveryCharacterAndEdgeNumberAtTheDeepestNesting) {
  auto list = std::make_unique<ListValue>();
  std::string chunk;
  for (uint32_t code_point = 0; code_point <= 0x10FFFF; ++code_point) {
    if (json_utf8::IsCharacter(static_cast<int32_t>(code_point)))
      json_utf8::AppendCodePoint(code_point, &chunk);
    if (chunk.size() >= 4096 || code_point == 0x10FFFF) {
      list->AppendString(chunk);
      chunk.clear();
    }
  }
  // Doubles at the edges of the text forms.
  for (double value :
       {0.0, -0.0, DBL_TRUE_MIN, -DBL_TRUE_MIN, DBL_MIN, DBL_MAX, -DBL_MAX,
        1e22, 1e23, 0.1, 1.0 / 3, 1e-7, 123456.0, 2147483648.0, -2147483649.0,
        9007199254740993.0, 2.2250738585072009e-308})
    list->AppendDouble(value);
  for (int value : {INT_MIN, INT_MIN + 1, -10, -1, 0, 9, 10, 99, 100, INT_MAX})
    list->AppendInteger(value);
  list->AppendBoolean(true);
  list->AppendBoolean(false);
  list->Append(Value::CreateNullValue());
  list->Append(std::make_unique<ListValue>());
  auto keyed = std::make_unique<DictionaryValue>();
  for (int c = 0; c < 0x80; ++c)
    keyed->SetIntegerWithoutPathExpansion(std::string(1, static_cast<char>(c)),
                                          c);
  list->Append(std::move(keyed));
  list->Append(std::make_unique<DictionaryValue>());
  std::unique_ptr<Value> tree = std::move(list);
  for (int depth = 1; depth < JSONParser::kStackMaxDepth - 2; ++depth) {
    if (depth % 2) {
      auto dictionary = std::make_unique<DictionaryValue>();
      dictionary->SetWithoutPathExpansion("k", std::move(tree));
      tree = std::move(dictionary);
    } else {
      auto outer = std::make_unique<ListValue>();
      outer->Append(std::move(tree));
      tree = std::move(outer);
    }
  }
  std::string json;
  ASSERT_TRUE(JSONWriter::Write(*tree, &json));
  int code = 0;
  std::string message;
  std::unique_ptr<Value> read =
      JSONReader::ReadAndReturnError(json, 0, &code, &message);
  ASSERT_TRUE(read) << message;
  EXPECT_TRUE(tree->Equals(read.get()));
  // The text is a fixed point too, so -0.0 keeps its sign.
  EXPECT_EQ(json, WriteJson(*read));
}

}  // namespace
}  // namespace base
