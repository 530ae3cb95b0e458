#include "base/json/json_reader.h"

#include <float.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json/json_parser.h"
#include "base/json/json_test_support.h"

namespace base {
namespace {

// Every error site, with where it reports itself. Which bytes form a
// character the writer's escaping checks; it shares the test.
TEST(JSONReaderTest, EveryErrorSiteReportsCodeLineAndColumn) {
  const struct {
    const char* name;
    std::string input;
    int code;
    int line;
    int column;
  } kErrorCases[] = {
      {"empty text", "", 3, 1, 1},
      {"only a slash", "/", 3, 1, 2},
      {"comment that closes itself", "/*/ [1]", 3, 1, 8},
      {"point before digits", ".5", 3, 1, 1},
      {"unquoted key", "{a:1}", 8, 1, 2},
      {"unclosed dictionary", "{", 8, 1, 2},
      {"no colon after key", "{\"a\" 1}", 2, 1, 6},
      {"member not followed by comma or }", "{\"a\":\"x\" \"b\":1}", 2, 1, 9},
      {"element not followed by comma or bracket", "[true false]", 2, 1, 7},
      {"trailing comma in list", "[1,]", 4, 1, 4},
      {"trailing comma in dictionary", "{\"a\":1,}", 4, 1, 8},
      {"leading zero", "01", 2, 1, 2},
      {"sign alone", "-", 2, 1, 2},
      {"point without digits", "1.", 2, 1, 3},
      {"exponent without digits", "1e+", 2, 1, 4},
      {"number followed by a letter", "1x", 2, 1, 2},
      {"slash does not separate numbers", "[1/2]", 2, 1, 4},
      {"wrong literal", "[nul]", 2, 1, 2},
      {"unterminated string", "\"abc", 2, 1, 4},
      {"truncated sequence", "\"\xE2\x82", 7, 1, 2},
      {"backslash at the end", "\"\\", 1, 1, 2},
      {"unknown escape", "\"\\q\"", 1, 1, 3},
      {"x escape cut short", "\"\\x4", 1, 1, 3},
      {"x escape not hex", "\"\\x4g\"", 1, 1, 4},
      {"u escape cut short", "\"\\u12", 1, 1, 4},
      {"u escape with sign", "\"\\u+123\"", 1, 1, 6},
      {"lone high surrogate", "\"\\uD800\"", 1, 1, 7},
      {"high surrogate before high", "\"\\uD800\\uD800\"", 1, 1, 12},
      {"high surrogate before text", "\"\\uD800abcdef\"", 1, 1, 12},
      {"lone low surrogate", "\"\\uDC00\"", 1, 1, 6},
      {"escaped noncharacter", "\"\\uFFFE\"", 1, 1, 6},
      {"two bytes after root", "{} xy", 6, 1, 5},
      {"too deep", std::string(200, '['), 5, 1, 200},
      {"too deep at a dictionary", std::string(199, '[') + "{", 5, 1, 200},
      {"line comment ends at the line break", "[1, // x\n,]", 3, 2, 2},
      {"line comment ends at a carriage return", "[1, // x\r,]", 3, 2, 2},
      {"byte-order mark counts in the column", "\xEF\xBB\xBF[1,]", 4, 1, 7},
      {"byte-order mark alone", "\xEF\xBB\xBF", 3, 1, 4},
  };
  for (const auto& error : kErrorCases) {
    SCOPED_TRACE(error.name);
    JSONParser parser(0);
    EXPECT_FALSE(parser.Parse(error.input));
    EXPECT_EQ(error.code, parser.error_code());
    EXPECT_EQ(error.line, parser.error_line());
    EXPECT_EQ(error.column, parser.error_column());
  }
}

// A number out of range fails the read without naming an error.
TEST(JSONReaderTest, ReadAndReturnErrorNamesLineAndColumn) {
  const struct {
    const char* text;
    int code;
    const char* message;
  } kCases[] = {
      {"[1,]", JSONReader::JSON_TRAILING_COMMA,
       "Line: 1, column: 4, Trailing comma not allowed."},
      {"1e999", 0, ""},
      {"1e-400", 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    int code = -1;
    std::string message = "unchanged";
    EXPECT_FALSE(JSONReader::ReadAndReturnError(c.text, 0, &code, &message));
    EXPECT_EQ(c.code, code);
    EXPECT_EQ(c.message, message);
  }
  // The texts of codes 1 to 8, in order; callers log them.
  const char* const kTexts[] = {"Invalid escape sequence.",
                                "Syntax error.",
                                "Unexpected token.",
                                "Trailing comma not allowed.",
                                "Too much nesting.",
                                "Unexpected data after root element.",
                                "Unsupported encoding. JSON must be UTF-8.",
                                "Dictionary keys must be quoted."};
  for (int code = 1; code <= 8; ++code)
    EXPECT_EQ(kTexts[code - 1], JSONReader::ErrorCodeToString(code));
  EXPECT_EQ("", JSONReader::ErrorCodeToString(0));
  EXPECT_EQ("", JSONReader::ErrorCodeToString(9));
}

TEST(JSONReaderTest, NumbersBecomeIntegersWhenTheyFit) {
  const struct {
    const char* text;
    Value::Type type;
    double value;
  } kCases[] = {
      {"0", Value::TYPE_INTEGER, 0},
      {"-0", Value::TYPE_INTEGER, 0},
      {"2147483648", Value::TYPE_DOUBLE, 2147483648.0},
      {"-2147483649", Value::TYPE_DOUBLE, -2147483649.0},
      {"1.0", Value::TYPE_DOUBLE, 1.0},
      {"1e2", Value::TYPE_DOUBLE, 100.0},
      {"18446744073709551617", Value::TYPE_DOUBLE, 18446744073709551617.0},
  };
  for (const auto& number : kCases) {
    SCOPED_TRACE(number.text);
    std::unique_ptr<Value> value = JSONReader::Read(number.text);
    ASSERT_TRUE(value);
    EXPECT_EQ(number.type, value->GetType());
    double parsed = 0.0;
    EXPECT_TRUE(value->GetAsDouble(&parsed));
    EXPECT_EQ(number.value, parsed);
  }
}

TEST(JSONReaderTest, TolerancesAfterTheRoot) {
  for (const char* text : {"{} x", "truex", "[1] ", "[1]\n// end",
                           "[1]/* never closed", "[/1]", "[1/]", "{}/", "1"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(JSONReader::Read(text));
  }
}

// Comments, a byte-order mark and CR LF are skipped; a repeated key keeps
// its last value, wherever it comes.
TEST(JSONReaderTest, DocumentShapeAndRepeatedKeys) {
  std::unique_ptr<Value> root = JSONReader::Read(
      "\xEF\xBB\xBF// settings\n"
      "{\"b\":1,\"a\":[1,2.5,\"x\"], /* inline */ \"b\":3,\"\\u0061\":4,\r\n"
      "\"c\":{\"z\":0,\"y\":true,\"y\":false},\"\":5,\"a\":6,\"e.f\":{}}");
  ASSERT_TRUE(root);
  EXPECT_EQ(R"({"":5,"a":6,"b":3,"c":{"y":false,"z":0},"e.f":{}})",
            WriteJson(*root));
  // Also where the repeat keeps the keys in order.
  root = JSONReader::Read(R"({"a":1,"a":2,"b":3})");
  ASSERT_TRUE(root);
  EXPECT_EQ(R"({"a":2,"b":3})", WriteJson(*root));
}

// The reader sorts a dictionary's keys itself, eight bytes per compare, and
// keeps long keys in its arena: the result must equal storing the entries
// in turn, in small dictionaries and in large ones.
TEST(JSONReaderTest, ParsedKeysOrderAsStoredKeys) {
  // Keys that differ at several places of one eight-byte step, in bytes of
  // either sign, and around the sixteen bytes kept in place.
  const char* const kStems[] = {"",
                                "a",
                                "B",
                                "ab",
                                "\xC3\xA9",
                                "abcdefgh",
                                "bbcdefga",
                                "abcdefgz1234567",
                                "abcdefg\xC3\xA9",
                                "aaaaaaaaaaaaaaaa",
                                "aaaaaaaaaaaaaaaaZ",
                                "aaaaaaaabaaaaaaaZ"};
  std::mt19937 random(9);
  for (int count : {3, 12, 40, 200}) {
    std::vector<std::string> keys;
    for (int i = 0; i < count; ++i) {
      keys.push_back(std::string(kStems[random() % 12]) +
                     (random() % 3 ? std::to_string(random() % 20) : ""));
    }
    std::string json = "{";
    DictionaryValue expected;
    for (int i = 0; i < count; ++i) {
      json += (i ? ",\"" : "\"") + keys[i] + "\":" + std::to_string(i);
      expected.SetIntegerWithoutPathExpansion(keys[i], i);
    }
    json += "}";
    std::unique_ptr<Value> parsed = JSONReader::Read(json);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(expected.Equals(parsed.get())) << json;
  }
}

// Strings are scanned many bytes at a time: every escape and special byte
// must be found wherever it falls in such a block, and never past the input.
TEST(JSONReaderTest, StringsDecodeAtEveryOffset) {
  for (size_t offset = 0; offset < 40; ++offset) {
    SCOPED_TRACE(offset);
    const std::string before(offset, 'a');
    const std::string after(40 - offset, 'b');
    struct {
      std::string inside;
      std::string decoded;
    } valid[] = {{"\\\"\\/\\\\\\b\\f\\n\\r\\t\\v", "\"/\\\b\f\n\r\t\v"},
                 {"\\u00e9", "\xC3\xA9"},
                 {"a\\u0000b", std::string("a\0b", 3)},
                 {"\\uD83D\\uDE00", "\xF0\x9F\x98\x80"},
                 // The ends of both surrogate ranges, and the characters
                 // just outside them.
                 {"\\uD800\\uDFFF", "\xF0\x90\x8F\xBF"},
                 {"\\uDBFF\\uDC00", "\xF4\x8F\xB0\x80"},
                 {"\\uD7FF\\uE000", "\xED\x9F\xBF\xEE\x80\x80"},
                 {"\\xE9", "\xC3\xA9"},  // Latin-1
                 {"\t\n", "\t\n"},       // raw control characters
                 {"\xC3\xA9", "\xC3\xA9"}};
    for (const auto& piece : valid) {
      std::unique_ptr<Value> value =
          JSONReader::Read("\"" + before + piece.inside + after + "\"");
      ASSERT_TRUE(value);
      std::string text;
      ASSERT_TRUE(value->GetAsString(&text));
      EXPECT_EQ(before + piece.decoded + after, text);
    }
    // Which sequences are characters the writer's tests decide: the
    // reader and writer share that check.
    for (const char* invalid : {"\x80", "\xC3\x61"}) {
      JSONParser parser(0);
      EXPECT_FALSE(parser.Parse("\"" + before + invalid + after + "\""));
      EXPECT_EQ(JSONReader::JSON_UNSUPPORTED_ENCODING, parser.error_code());
      EXPECT_EQ(static_cast<int>(offset) + 2, parser.error_column());
    }
    // Cut short inside the string: no byte past the end is looked at.
    std::string cut = "\"" + before;
    JSONParser parser(0);
    EXPECT_FALSE(parser.Parse(StringPiece(cut.data(), cut.size())));
    EXPECT_EQ(JSONReader::JSON_SYNTAX_ERROR, parser.error_code());
  }
}

// Whitespace is skipped many bytes at a time: line breaks must be counted
// (CR LF once, also when a step ends between them) wherever they fall.
TEST(JSONReaderTest, LineBreaksCountedInLongWhitespaceRuns) {
  std::mt19937 random(5);
  for (int round = 0; round < 400; ++round) {
    std::string text = "[" + std::string(1 + round % 17, '1') + ",";
    size_t run = random() % 70;
    for (size_t i = 0; i < run; ++i) text += " \t\r\n \r\n "[random() % 8];
    const size_t error_at = text.size();
    text += "x]";
    int line = 1;
    size_t line_start = 0;
    for (size_t i = 0; i < error_at; ++i) {
      if (text[i] != '\r' && text[i] != '\n') continue;
      if (!(text[i] == '\n' && text[i - 1] == '\r')) ++line;
      line_start = i;
    }
    JSONParser parser(0);
    EXPECT_FALSE(parser.Parse(text));
    EXPECT_EQ(JSONReader::JSON_UNEXPECTED_TOKEN, parser.error_code());
    EXPECT_EQ(line, parser.error_line()) << round;
    EXPECT_EQ(static_cast<int>(error_at - line_start) + 1,
              parser.error_column())
        << round;
  }
}

}  // namespace
}  // namespace base
