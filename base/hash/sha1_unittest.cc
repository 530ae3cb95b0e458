#include "base/hash/sha1.h"

#include <string>

#include <gtest/gtest.h>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"

namespace base {
namespace {

std::string DigestOf(const std::string& data) {
  unsigned char digest[kSHA1Length];
  SHA1HashBytes(reinterpret_cast<const unsigned char*>(data.data()),
                data.size(), digest);
  return ToLowerASCII(HexEncode(digest, sizeof(digest)));
}

std::string Pattern(size_t length) {
  std::string data;
  for (size_t i = 0; i < length; ++i)
    data.push_back(static_cast<char>((i * 7 + 3) & 0xff));
  return data;
}

// "abc" and the 56-byte text are the FIPS 180 examples; the pattern inputs
// end on every side of the padding boundary. Expected values were computed
// with an independent implementation.
TEST(SHA1Test, MatchesPublishedAndBoundaryVectors) {
  const struct {
    std::string input;
    const char* digest;
  } kVectors[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {Pattern(55), "ddf57317ef34bfee3b6df83d359098930eb278bc"},
      {Pattern(56), "a0d492bb0fc889d0eca3bc137066ab6f4f74f369"},
      {Pattern(63), "c55856749bef509bdfe6bfebfc7bf4e793e82132"},
      {Pattern(64), "bede92be29c3874e1b54ddc77988d606fc857a8e"},
      {Pattern(65), "b05a80522b053d6dc7e0a517d0e70212c7dad11f"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& vector : kVectors) {
    EXPECT_EQ(vector.digest, DigestOf(vector.input))
        << "input length " << vector.input.size();
  }
}

}  // namespace
}  // namespace base
