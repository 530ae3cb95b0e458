#include "base/json/embedded_json.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/json/json_test_support.h"

namespace base {
namespace {

TEST(EmbeddedJsonTest, DecodesOnePaddedObjectOnly) {
  // "\x01junk {"channel":"stable","n":{"x":1}} tail\x02"
  std::unique_ptr<DictionaryValue> root = DecodeEmbeddedJsonObject(
      "AWp1bmsgeyJjaGFubmVsIjoic3RhYmxlIiwibiI6eyJ4IjoxfX0gdGFpbAI=\r\n \t");
  ASSERT_TRUE(root);
  EXPECT_EQ(R"({"channel":"stable","n":{"x":1}})", WriteJson(*root));

  const char* const kCases[] = {
      "not base64!",
      "bm8gYnJhY2VzIGF0IGFsbA==",  // no braces at all
      "fSBiZWZvcmUgew==",          // } before {
      "eyJhIjp9",                  // {"a":}
      "eyJhIjoxfSB7ImIiOjJ9",      // {"a":1} {"b":2}: two objects, not one
      " e30=",                     // {}: only trailing space is cut
  };
  for (const char* text : kCases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(DecodeEmbeddedJsonObject(text));
  }
  EXPECT_TRUE(DecodeEmbeddedJsonObject("e30="));
  EXPECT_TRUE(DecodeEmbeddedJsonObject("e30=\v\f"));
}

}  // namespace
}  // namespace base
