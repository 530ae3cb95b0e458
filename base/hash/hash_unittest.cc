#include "base/hash/md5.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"

namespace base {
namespace {

std::string ToHex(const MD5Digest& digest) {
  return ToLowerASCII(HexEncode(digest.a, sizeof(digest.a)));
}

std::string DigestOf(const std::string& data) {
  MD5Context context;
  MD5Init(&context);
  MD5Update(&context, data);
  MD5Digest digest;
  MD5Final(&digest, &context);
  return ToHex(digest);
}

// Bytes whose position within a block matters, so a misplaced byte changes
// the digest.
std::string Pattern(size_t length) {
  std::string data;
  for (size_t i = 0; i < length; ++i)
    data.push_back(static_cast<char>((i * 7 + 3) & 0xff));
  return data;
}

struct Vector {
  std::string input;
  const char* digest;
};

// Three of the suite of RFC 1321; the patterns put the message end on every
// side of the padding boundary. Expected values were computed with
// an independent implementation.
TEST(MD5Test, MatchesPublishedAndBoundaryVectors) {
  const Vector kVectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {Pattern(55), "52c0e574e1198de5fe3f8f11440dcb1b"},
      {Pattern(56), "46c9907fc908ee68b1e7b8e71286a518"},
      {Pattern(63), "a62f6d59e837867693f042f5b8f5a236"},
      {Pattern(64), "7160b8fb5e9e4023d549c3971fbaeead"},
      {Pattern(65), "70bd662e7aefbda85a0f7244167b7897"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const Vector& vector : kVectors) {
    EXPECT_EQ(vector.digest, DigestOf(vector.input))
        << "input length " << vector.input.size();
  }
}

// A first piece of any length, then the rest in pieces short and long, gives
// the digest of the whole: the block buffer carries bytes between calls,
// whatever it holds when a piece of several blocks comes. Nothing of the
// input is left behind in the context.
TEST(MD5Test, PiecewiseUpdatesEqualOneCall) {
  const std::string data = Pattern(200);
  const std::string whole = DigestOf(data);
  for (size_t first = 0; first <= data.size(); ++first) {
    for (size_t piece : {1u, 17u, 63u, 200u}) {
      MD5Context context;
      MD5Init(&context);
      MD5Update(&context, StringPiece(data).substr(0, first));
      for (size_t i = first; i < data.size(); i += piece)
        MD5Update(&context, StringPiece(data).substr(i, piece));
      MD5Digest digest;
      MD5Final(&digest, &context);
      ASSERT_EQ(whole, ToHex(digest)) << first << ", then pieces of " << piece;
      const MD5Context zero = {};
      ASSERT_EQ(0, memcmp(&zero, &context, sizeof(context)));
    }
  }
}

}  // namespace
}  // namespace base
