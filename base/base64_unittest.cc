#include "base/base64.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(Base64Test, Decodes) {
  const struct {
    const char* text;
    std::string bytes;
  } kCases[] = {
      {"", ""},
      {"QR==", "A"},  // Spare low bits of the last character are ignored.
      {"QUJ=", "AB"},
      {"QUJDRA==", "ABCD"},
      {"AP8A", std::string("\x00\xff\x00", 3)},
      {"+/+/", "\xfb\xff\xbf"},
  };
  for (const auto& test : kCases) {
    std::string output = "previous";
    EXPECT_TRUE(Base64Decode(test.text, &output)) << test.text;
    EXPECT_EQ(test.bytes, output) << test.text;
  }
}

TEST(Base64Test, RejectsAndLeavesOutputAlone) {
  const std::string kInvalid[] = {
      "Q",         // too short
      "QUJDR",     // not a multiple of four
      "QQ=A",      // padding inside the text
      "Q===",      // at most two "=" are padding
      "=QQQ",      //
      "QU-D",      // URL-safe alphabet is not this one
      "QUJD====",  // padding after a full group
      std::string("QU\0D", 4),
      "QU\xc3\xa9",  // not ASCII
  };
  for (const std::string& text : kInvalid) {
    std::string output = "previous";
    EXPECT_FALSE(Base64Decode(text, &output)) << text;
    EXPECT_EQ("previous", output) << text;
  }
}

}  // namespace
}  // namespace base
