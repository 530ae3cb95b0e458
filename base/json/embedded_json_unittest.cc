#include "base/json/embedded_json.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

// Standard Base64, written out here so the test does not lean on an encoder.
std::string Base64Encode(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t group = (static_cast<uint8_t>(bytes[i]) << 16) |
                     (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                     static_cast<uint8_t>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6)
      out.push_back(kAlphabet[(group >> shift) & 0x3F]);
  }
  if (i + 1 == bytes.size()) {
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    out += {kAlphabet[group >> 18], kAlphabet[(group >> 12) & 0x3F], '=', '='};
  } else if (i + 2 == bytes.size()) {
    uint32_t group = (static_cast<uint8_t>(bytes[i]) << 16) |
                     (static_cast<uint8_t>(bytes[i + 1]) << 8);
    out += {kAlphabet[group >> 18], kAlphabet[(group >> 12) & 0x3F],
            kAlphabet[(group >> 6) & 0x3F], '='};
  }
  return out;
}

TEST(EmbeddedJsonTest, DecodesPaddedObject) {
  std::string text =
      Base64Encode("\x01junk {\"channel\":\"stable\",\"n\":{\"x\":1}} tail\x02") +
      "\r\n \t";
  std::unique_ptr<DictionaryValue> root = DecodeEmbeddedJsonObject(text);
  ASSERT_TRUE(root);
  std::string channel;
  EXPECT_TRUE(root->GetString("channel", &channel));
  EXPECT_EQ("stable", channel);
  int x = 0;
  EXPECT_TRUE(root->GetInteger("n.x", &x));
  EXPECT_EQ(1, x);
}

TEST(EmbeddedJsonTest, Failures) {
  const std::string kCases[] = {
      "not base64!",
      Base64Encode("no braces at all"),
      Base64Encode("} before {"),
      Base64Encode("{\"a\":}"),
      Base64Encode("{\"a\":1} {\"b\":2}"),  // Two objects are not one.
      " " + Base64Encode("{}"),             // Only trailing space is cut.
  };
  for (const std::string& text : kCases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(DecodeEmbeddedJsonObject(text));
  }
  EXPECT_TRUE(DecodeEmbeddedJsonObject(Base64Encode("{}")));
}

}  // namespace
}  // namespace base
