// Whatever the writer produces must read back to an equal tree: a
// preference file that cannot be read again loses every setting in it.

#include <float.h>
#include <limits.h>
#include <string.h>

#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "base/json/json_parser.h"
#include "base/json/json_reader.h"
#include "base/json/json_utf8.h"
#include "base/json/json_writer.h"
#include "base/json/values.h"

namespace base {
namespace {

// Doubles at the edges of the text forms; the random trees use them too.
const double kEdgeDoubles[] = {0.0,
                               -0.0,
                               DBL_TRUE_MIN,
                               -DBL_TRUE_MIN,
                               DBL_MIN,
                               DBL_MAX,
                               -DBL_MAX,
                               1e22,
                               1e23,
                               0.1,
                               1.0 / 3,
                               1e-7,
                               123456.0,
                               2147483648.0,
                               -2147483649.0,
                               9007199254740993.0,
                               2.2250738585072009e-308};

class RandomTreeBuilder {
 public:
  explicit RandomTreeBuilder(uint64_t seed) : random_(seed) {}

  std::unique_ptr<Value> Build(int depth) {
    int kind = Pick(depth > 0 ? 8 : 6);
    switch (kind) {
    case 0:
      return std::make_unique<Value>();
    case 1:
      return std::make_unique<Value>(Pick(2) == 1);
    case 2:
      return std::make_unique<Value>(RandomInteger());
    case 3:
      return std::make_unique<Value>(RandomDouble());
    case 4:
    case 5:
      return std::make_unique<Value>(RandomText());
    case 6: {
      auto dictionary = std::make_unique<DictionaryValue>();
      for (int i = Pick(6); i > 0; --i)
        dictionary->SetWithoutPathExpansion(RandomText(), Build(depth - 1));
      return dictionary;
    }
    default: {
      auto list = std::make_unique<ListValue>();
      for (int i = Pick(6); i > 0; --i) list->Append(Build(depth - 1));
      return list;
    }
    }
  }

  int RandomInteger() {
    const int kChoices[] = {INT_MIN + Pick(3), INT_MAX - Pick(3), Pick(21) - 10,
                            static_cast<int>(static_cast<uint32_t>(random_()))};
    return kChoices[Pick(4)];
  }

  // Edge values, subnormals, integral values that print without a point,
  // short fractions, and raw bit patterns (whose NaNs and infinities the
  // value turns into 0).
  double RandomDouble() {
    uint64_t bits = random_();
    switch (Pick(6)) {
    case 0:
      return kEdgeDoubles[Pick(static_cast<int>(std::size(kEdgeDoubles)))];
    case 1:
      bits &= 0x800FFFFFFFFFFFFFull;
      break;
    case 2:
      return static_cast<double>(RandomInteger());
    case 3:
      return static_cast<double>(static_cast<int64_t>(bits) >> Pick(64));
    case 4:
      return Pick(1000) / 8.0;
    }
    double value;
    memcpy(&value, &bits, sizeof(value));
    return value;
  }

  // Text of code points the reader accepts, biased to the ones the writer
  // escapes or that sit at the edges of the UTF-8 forms.
  std::string RandomText() {
    static const uint32_t kInteresting[] = {
        0x00,   0x08,   0x0B,   0x1F,   '"',     '\\',    '/',      '<',
        0x7F,   0x80,   0x7FF,  0x800,  0xD7FF,  0xE000,  0xFDCF,   0xFDF0,
        0xFFFD, 0x2028, 0x2029, 0xFEFF, 0x10000, 0x1FFFD, 0x10FFFD, '.'};
    std::string text;
    for (int i = Pick(12); i > 0; --i) {
      uint32_t code_point;
      switch (Pick(4)) {
      case 0:
        code_point =
            kInteresting[Pick(sizeof(kInteresting) / sizeof(kInteresting[0]))];
        break;
      case 1:
        code_point = static_cast<uint32_t>(Pick(0x80));
        break;
      default:
        do {
          code_point = static_cast<uint32_t>(Pick(0x110000));
        } while (!json_utf8::IsCharacter(static_cast<int32_t>(code_point)));
      }
      json_utf8::AppendCodePoint(code_point, &text);
    }
    return text;
  }

 private:
  int Pick(int count) {
    return static_cast<int>(random_() % static_cast<uint64_t>(count));
  }

  std::mt19937_64 random_;
};

void ExpectRoundTrip(const Value& value) {
  std::string json;
  ASSERT_TRUE(JSONWriter::Write(value, &json));
  int code = 0;
  std::string message;
  std::unique_ptr<Value> read =
      JSONReader::ReadAndReturnError(json, 0, &code, &message);
  ASSERT_TRUE(read) << message << " in " << json;
  EXPECT_TRUE(value.Equals(read.get())) << json;
  // The text is a fixed point too, so -0.0 keeps its sign.
  std::string again;
  JSONWriter::Write(*read, &again);
  EXPECT_EQ(json, again);
}

TEST(JSONRoundTripTest, RandomTrees) {
  const uint64_t kSeed = 20240601;
  RandomTreeBuilder builder(kSeed);
  for (int i = 0; i < 3000; ++i) {
    SCOPED_TRACE(testing::Message() << "seed " << kSeed << ", tree " << i);
    std::unique_ptr<Value> tree = builder.Build(4);
    ExpectRoundTrip(*tree);
    if (HasFailure()) return;
  }
}

// The deepest nesting the reader takes, around a list of every character it
// accepts and the edge doubles.
TEST(JSONRoundTripTest, EveryCharacterAndEdgeDoubleAtTheDeepestNesting) {
  auto list = std::make_unique<ListValue>();
  std::string chunk;
  for (uint32_t code_point = 0; code_point <= 0x10FFFF; ++code_point) {
    if (json_utf8::IsCharacter(static_cast<int32_t>(code_point)))
      json_utf8::AppendCodePoint(code_point, &chunk);
    if (chunk.size() >= 4096 || code_point == 0x10FFFF) {
      list->AppendString(chunk);
      chunk.clear();
    }
  }
  for (double value : kEdgeDoubles) list->AppendDouble(value);
  std::unique_ptr<Value> tree = std::move(list);
  for (int depth = 1; depth < JSONParser::kStackMaxDepth - 1; ++depth) {
    if (depth % 2) {
      auto dictionary = std::make_unique<DictionaryValue>();
      dictionary->SetWithoutPathExpansion("k", std::move(tree));
      tree = std::move(dictionary);
    } else {
      auto outer = std::make_unique<ListValue>();
      outer->Append(std::move(tree));
      tree = std::move(outer);
    }
  }
  ExpectRoundTrip(*tree);
}

}  // namespace
}  // namespace base
