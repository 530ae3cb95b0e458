// Mutated documents placed flush against a no-access page: a read past the
// end of the input faults at once instead of passing unnoticed.

#include <string.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/json/json_reader.h"
#include "base/json/json_test_support.h"
#include "base/win/windows_types.h"
#include "testing/guarded_buffer.h"
#include "testing/mutated_bytes.h"

namespace base {
namespace {

using testing_support::GuardedBuffer;

const char* const kSeeds[] = {
    "{\"a\":[1,2.5,\"x\"],\"b\":null,\"c\":{\"d\":true,\"e\":false}}",
    "\xEF\xBB\xBF// prefs\n{ \"k\" : -12.5e-3 , /* c */ \"l\" : [ ] }",
    "[\"\\u00e9\\uD83D\\uDE00\\x41\\n\\\"\", \"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98"
    "\x80\"]",
    "[0,-0,10,2147483648,-2147483649,1e999,5e-324,0.1,1E+2,123456789012345678]",
    "{\"profile\":{\"exit_type\":\"Normal\",\"name\":\"Person 1\"},\r\n"
    "\"browser\":{\"window\":[100,200,1024,768]}}",
    "[[[[{\"deep\":[[[true]]]}]]]]",
    "\"\\uDBFF\\uDFFD\\/\\b\\f\\r\\t\\v\"",
    "[1/2, 3] // trailing\r",
    "nullx",
    "[1,2,3,]",
};

// Pieces that steer the parser into its less common paths.
std::vector<std::string> Tokens() {
  std::vector<std::string> tokens = {
      "\\u", "\\x", "/*", "//", "\r\n", "true", "null", "e-", "\xEF\xBB\xBF"};
  for (char byte : std::string("\"\\{}[],:/*-+.0123456789eExutfnl \t\r\n"))
    tokens.push_back(std::string(1, byte));
  return tokens;
}

// A document the reader accepts must survive a write and a second read.
void ExpectRereadable(const Value& value) {
  const std::string json = WriteJson(value);
  std::unique_ptr<Value> again = JSONReader::Read(json);
  ASSERT_TRUE(again) << json;
  EXPECT_TRUE(value.Equals(again.get())) << json;
}

// Every prefix of the seeds, then mutants of them.
TEST(JSONReaderGuardPageTest, PrefixesAndMutatedDocuments) {
  GuardedBuffer buffer(1);
  ASSERT_TRUE(buffer.IsValid());
  for (const char* seed : kSeeds) {
    for (size_t length = 0; length <= strlen(seed); ++length) {
      std::unique_ptr<Value> value =
          JSONReader::Read(buffer.Place(std::string(seed, length)));
      if (value) ExpectRereadable(*value);
    }
  }
  const uint32_t kSeed = 7;
  std::mt19937 random(kSeed);
  const int kDocuments = 100000;
  int accepted = 0;
  std::vector<std::string> corpus(std::begin(kSeeds), std::end(kSeeds));
  const std::vector<std::string> tokens = Tokens();
  for (int i = 0; i < kDocuments; ++i) {
    std::string text = testing_support::MutatedBytes(
        corpus[random() % corpus.size()], tokens, &random);
    if (text.size() > buffer.capacity()) text.resize(buffer.capacity());
    int code = 0;
    std::string message;
    std::unique_ptr<Value> value =
        JSONReader::ReadAndReturnError(buffer.Place(text), 0, &code, &message);
    if (value) {
      ++accepted;
      ExpectRereadable(*value);
      // Accepted mutants breed, so later rounds reach deeper.
      if (corpus.size() < 200 && text.size() < 512) corpus.push_back(text);
    } else {
      EXPECT_GE(code, 0);
      EXPECT_LE(code, 8);
    }
    if (HasFailure()) {
      ADD_FAILURE() << "seed " << kSeed << ", document " << i;
      return;
    }
  }
  // The mutations must not all be rejected at the first byte.
  EXPECT_GT(accepted, kDocuments / 20);
}

}  // namespace
}  // namespace base
