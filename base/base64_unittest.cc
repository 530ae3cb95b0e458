#include "base/base64.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

// A refused text leaves the output alone.
TEST(Base64Test, DecodesOrRefuses) {
  const struct {
    std::string text;
    bool decodes;
    std::string bytes;
  } kCases[] = {
      {"", true, ""},
      {"QR==", true, "A"},  // Spare low bits of the last character are ignored.
      {"QUJ=", true, "AB"},
      {"QUJDRA==", true, "ABCD"},
      {"AP8A", true, std::string("\x00\xff\x00", 3)},
      {"+/+/", true, "\xfb\xff\xbf"},
      {"QUJDR", false},     // not a multiple of four
      {"QQ=A", false},      // padding before the end
      {"Q===", false},      // at most two "=" are padding
      {"QU-D", false},      // URL-safe alphabet is not this one
      {"QUJD====", false},  // padding after a full group
      {std::string("QU\0D", 4), false},
      {"QU\xc3\xa9", false},  // not ASCII
  };
  for (const auto& test : kCases) {
    std::string output = "previous";
    EXPECT_EQ(test.decodes, Base64Decode(test.text, &output)) << test.text;
    EXPECT_EQ(test.decodes ? test.bytes : "previous", output) << test.text;
  }
}

}  // namespace
}  // namespace base
