#include "base/hash/md5.h"
#include "base/hash/sha1.h"

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

std::string MD5Of(const std::string& data) {
  MD5Context context;
  MD5Init(&context);
  MD5Update(&context, data);
  MD5Digest digest;
  MD5Final(&digest, &context);
  return ToHex(digest);
}

std::string SHA1Of(const std::string& data) {
  unsigned char digest[kSHA1Length];
  SHA1HashBytes(reinterpret_cast<const unsigned char*>(data.data()),
                data.size(), digest);
  return ToLowerASCII(HexEncode(digest, sizeof(digest)));
}

// Bytes whose position within a block matters, so a misplaced byte changes
// the digest.
std::string Pattern(size_t length) {
  std::string data;
  for (size_t i = 0; i < length; ++i)
    data.push_back(static_cast<char>((i * 7 + 3) & 0xff));
  return data;
}

// "", "abc" and a million "a" are published examples for both digests; the
// patterns put the message end on every side of the padding boundary.
// Expected values were computed with an independent implementation.
TEST(HashTest, MatchesPublishedAndBoundaryVectors) {
  const struct {
    std::string input;
    const char* md5;
    const char* sha1;
  } kVectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e",
       "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72",
       "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {Pattern(55), "52c0e574e1198de5fe3f8f11440dcb1b",
       "ddf57317ef34bfee3b6df83d359098930eb278bc"},
      {Pattern(56), "46c9907fc908ee68b1e7b8e71286a518",
       "a0d492bb0fc889d0eca3bc137066ab6f4f74f369"},
      {Pattern(63), "a62f6d59e837867693f042f5b8f5a236",
       "c55856749bef509bdfe6bfebfc7bf4e793e82132"},
      {Pattern(64), "7160b8fb5e9e4023d549c3971fbaeead",
       "bede92be29c3874e1b54ddc77988d606fc857a8e"},
      {Pattern(65), "70bd662e7aefbda85a0f7244167b7897",
       "b05a80522b053d6dc7e0a517d0e70212c7dad11f"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
       "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const auto& vector : kVectors) {
    SCOPED_TRACE(testing::Message() << "input length " << vector.input.size());
    EXPECT_EQ(vector.md5, MD5Of(vector.input));
    EXPECT_EQ(vector.sha1, SHA1Of(vector.input));
  }
}

// A first piece of any length, then the rest in pieces short and long, gives
// the digest of the whole: the block buffer carries bytes between calls,
// whatever it holds when a piece of several blocks comes. Nothing of the
// input is left behind in the context.
TEST(MD5Test, PiecewiseUpdatesEqualOneCall) {
  const std::string data = Pattern(200);
  const std::string whole = MD5Of(data);
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

// Past 2^29 bytes the bit count carries into its high word.
TEST(MD5Test, BitCountCarriesPast512MiB) {
  const std::string mebibyte(1 << 20, 'a');
  MD5Context context;
  MD5Init(&context);
  for (int i = 0; i < 513; ++i) MD5Update(&context, mebibyte);
  MD5Digest digest;
  MD5Final(&digest, &context);
  EXPECT_EQ("f0abebcac19eb4914e7cb04084dd54a6", ToHex(digest));
}

}  // namespace
}  // namespace base
