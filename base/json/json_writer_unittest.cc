#include "base/json/json_writer.h"

#include <limits.h>

#include <string.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json/json_reader.h"
#include "base/json/json_string_value_serializer.h"
#include "base/json/json_test_support.h"
#include "base/json/json_utf8.h"
#include "base/json/string_escape.h"
#include "base/strings/number_text.h"

namespace base {
namespace {

// What is written reads back: the round trips check every character. A
// replaced character makes the result false.
TEST(JSONWriterTest, EscapeJSONString) {
  const std::string kReplacement = "\xEF\xBF\xBD";
  const struct {
    const char* name;
    std::string text;
    std::string json = "\"\xEF\xBF\xBD\"";
  } kCases[] = {
      {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
      {"named controls", "\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
      {"other controls", std::string("\x0B\x1F\0", 3),
       "\"\\u000B\\u001F\\u0000\""},
      {"less-than", "</script>", "\"\\u003C/script>\""},
      {"line separators", "\xE2\x80\xA8\xE2\x80\xA9", "\"\\u2028\\u2029\""},
      {"DEL and slash", "\x7F/", "\"\x7F/\""},
      {"multi-byte UTF-8", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
       "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\""},
      {"stray continuation byte", "\x80"},
      {"overlong NUL", "\xC0\x80"},
      {"overlong three-byte slash", "\xE0\x80\xAF"},
      {"overlong four-byte slash", "\xF0\x80\x80\xAF"},
      {"encoded surrogate", "\xED\xA0\x80"},
      {"truncated sequence", "\xE2\x82\x41", "\"" + kReplacement + "A\""},
      {"above U+10FFFF", "\xF4\x90\x80\x80"},
      {"noncharacter U+FDD0", "\xEF\xB7\x90"},
      {"noncharacter U+FDEF", "\xEF\xB7\xAF"},
      {"noncharacter U+FFFE", "\xEF\xBF\xBE"},
      {"noncharacter U+10FFFF", "\xF4\x8F\xBF\xBF"},
      {"U+FDCF and U+FDF0 are characters", "\xEF\xB7\x8F\xEF\xB7\xB0",
       "\"\xEF\xB7\x8F\xEF\xB7\xB0\""},
  };
  for (const auto& escape : kCases) {
    SCOPED_TRACE(escape.name);
    std::string json = "prefix";
    EXPECT_EQ(escape.json.find(kReplacement) == std::string::npos,
              EscapeJSONString(escape.text, &json));
    EXPECT_EQ("prefix" + escape.json, json);
  }
}

TEST(JSONStringValueSerializerTest, WritesAndReads) {
  std::string json;
  DictionaryValue prefs;
  prefs.SetInteger("a", 1);
  EXPECT_TRUE(JSONStringValueSerializer(&json).Serialize(prefs));
  EXPECT_EQ("{\"a\":1}", json);
  EXPECT_FALSE(JSONStringValueSerializer(nullptr).Serialize(prefs));
  EXPECT_TRUE(
      JSONStringValueDeserializer(json, 0).Deserialize(nullptr, nullptr));

  int code = 0;
  std::string message;
  JSONStringValueDeserializer broken("{\"a\":}", 0);
  EXPECT_FALSE(broken.Deserialize(&code, &message));
  EXPECT_EQ(JSONReader::JSON_UNEXPECTED_TOKEN, code);
  EXPECT_EQ("Line: 1, column: 6, Unexpected token.", message);
}

// The writer lays doubles out itself; it must agree with the number-text
// layout plus the JSON additions everywhere, not only at the edges. Layout
// without spaces, literals, integers and escaped keys are checked by the
// exact documents of the reader and value tests and by the round trips; the
// sign of zero, which survives neither a read nor a comparison, is checked
// here (the powers of ten below the least double give -0.0).
TEST(JSONWriterTest, DoublesFollowTheNumberTextLayout) {
  std::mt19937_64 random(11);
  std::vector<double> values;
  for (int exponent = -330; exponent <= 308; ++exponent) {
    values.push_back(std::pow(10.0, exponent));
    values.push_back(-1.25 * std::pow(10.0, exponent));
  }
  while (values.size() < 20000) {
    uint64_t bits = random();
    double value;
    memcpy(&value, &bits, sizeof(value));
    if (std::isfinite(value)) values.push_back(value);
    values.push_back(static_cast<double>(random() % 100000000) / 1000);
  }
  for (double value : values) {
    char buffer[kShortestDoubleBufferSize];
    std::string expected = FormatShortestDouble(buffer, value);
    size_t digits = expected[0] == '-' ? 1 : 0;
    if (expected[digits] == '.') expected.insert(digits, "0");
    if (expected.find_first_of(".eE") == std::string::npos) expected += ".0";
    ListValue list;
    list.AppendDouble(value);
    ASSERT_EQ("[" + expected + "]", WriteJson(list)) << value;
  }
}

// The character-by-character rule the fast escaping must match.
std::string EscapeOneByOne(const std::string& text, bool* valid) {
  std::string json = "\"";
  *valid = true;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    int32_t code_point = *p;
    size_t length = 1;
    if (*p >= 0x80) length = json_utf8::DecodeSequence(p, end, &code_point);
    if (!json_utf8::IsCharacter(code_point)) {
      json_utf8::AppendCodePoint(0xFFFD, &json);
      *valid = false;
    } else if (!EscapeSpecialCodePoint(static_cast<uint32_t>(code_point),
                                       &json)) {
      json.append(reinterpret_cast<const char*>(p), length);
    }
    p += length;
  }
  return json + "\"";
}

TEST(JSONWriterTest, EscapingMatchesTheCharacterRuleAtEveryOffset) {
  // Pieces that need care, mixed into runs of plain text of every length.
  const std::string kPieces[] = {"\"",
                                 "\\",
                                 "<",
                                 "\n",
                                 std::string(1, '\0'),
                                 "\x1F",
                                 "\x7F",
                                 "\xC3\xA9",
                                 "\xE2\x80\xA8",
                                 "\xE2\x80\xA9",
                                 "\xEF\xBF\xBD",
                                 "\xF0\x9F\x98\x80",
                                 "\x80",
                                 "\xFF",
                                 "\xC3",
                                 "\xED\xA0\x80",
                                 "\xEF\xBF\xBF",
                                 "\xF4\x90\x80\x80",
                                 "\xFC\x80\x80\x80\x80\x80"};
  std::mt19937 random(5);
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    int pieces = static_cast<int>(random() % 6);
    for (int piece = 0; piece < pieces; ++piece) {
      text.append(random() % 40, static_cast<char>('a' + random() % 26));
      text += kPieces[random() % (sizeof(kPieces) / sizeof(kPieces[0]))];
    }
    text.append(random() % 20, 'z');
    bool expected_valid = true;
    std::string expected = EscapeOneByOne(text, &expected_valid);
    std::string json = "x";
    EXPECT_EQ(expected_valid, EscapeJSONString(text, &json));
    ASSERT_EQ("x" + expected, json);
  }
  // Text that grows sixfold fills the output's room at every offset, so
  // the last step before a regrowth lands at each distance from the limit.
  for (size_t plain = 0; plain < 40; ++plain) {
    for (size_t escaped = 0; escaped < 40; ++escaped) {
      std::string text(escaped, '<');
      text.append(plain, 'a');
      text += "<\xE2\x80\xA8" + std::string(plain % 17, 'b') + "\x01";
      bool expected_valid = true;
      std::string expected = EscapeOneByOne(text, &expected_valid);
      std::string json;
      EscapeJSONString(text, &json);
      ASSERT_EQ(expected, json) << plain << " " << escaped;
      ListValue list;
      list.AppendString(text);
      list.AppendString(text + text);
      ASSERT_TRUE(JSONWriter::Write(list, &json));
      ASSERT_EQ("[" + expected + "," +
                    EscapeOneByOne(text + text, &expected_valid) + "]",
                json);
    }
  }
}

}  // namespace
}  // namespace base
