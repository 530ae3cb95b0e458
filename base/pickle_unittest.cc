#include "base/pickle.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testing/guarded_buffer.h"
#include "testing/mutated_bytes.h"

namespace base {
namespace {

std::string Bytes(const Pickle& pickle) {
  return pickle.data() ? std::string(pickle.data(), pickle.size()) : "";
}

std::string Word(uint32_t value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

TEST(PickleTest, WireFormatAndRoundTrip) {
  EXPECT_EQ(std::string(4, '\0'), Bytes(Pickle()));

  Pickle pickle;
  pickle.WriteInt(19);
  pickle.WriteString("abcde");
  pickle.WriteString("");
  pickle.WriteString16(L"\u00e9t\u00e9");
  EXPECT_EQ(Word(32) + Word(19) + Word(5) + std::string("abcde\0\0\0", 8) +
                Word(0) + Word(3) + std::string("\xe9\0t\0\xe9\0\0\0", 8),
            Bytes(pickle));
  pickle.WriteInt(-7);

  // A read-only view of the bytes reads them in place, unless the length is
  // negative; an owned copy of the view reads its own. Which received bytes
  // are accepted, and the reads themselves, are checked against the bytes
  // by the mutated pickles below.
  Pickle view(pickle.data(), static_cast<int>(pickle.size()));
  EXPECT_EQ(pickle.data(), view.data());
  EXPECT_EQ(nullptr, Pickle(pickle.data(), -4).data());
  Pickle copy(view);
  EXPECT_EQ(Bytes(pickle), Bytes(copy));
  EXPECT_EQ(64u, copy.capacity_after_header());

  // The copy owns its bytes: writing to it leaves the original alone.
  copy.WriteInt(5);
  EXPECT_EQ(pickle.size() + 4, copy.size());
  EXPECT_EQ(Word(static_cast<uint32_t>(copy.payload_size())),
            Bytes(copy).substr(0, 4));
}

TEST(PickleTest, GrowthRule) {
  // A large claim takes what it needs, not the next doubling.
  Pickle large;
  large.ClaimBytes(5000);
  EXPECT_EQ(5056u, large.capacity_after_header());

  // Doubling up to a page, then whole pages less 64 bytes.
  Pickle growing;
  std::vector<size_t> capacities = {growing.capacity_after_header()};
  while (growing.payload_size() < 16320) {
    growing.WriteInt(static_cast<int>(growing.payload_size()));
    if (growing.capacity_after_header() != capacities.back())
      capacities.push_back(growing.capacity_after_header());
  }
  EXPECT_EQ(
      (std::vector<size_t>{64, 128, 256, 512, 1024, 2048, 4096, 8128, 16320}),
      capacities);
  // Nothing written was lost across the moves.
  PickleIterator iter(growing);
  for (int expected = 0; expected < 16320; expected += 4) {
    int value = -1;
    ASSERT_TRUE(iter.ReadInt(&value));
    ASSERT_EQ(expected, value);
  }
}

// Performs one read of |kind| (i, b, s or w: int, bool, string, UTF-16
// string) and renders its result as text: ints in decimal, booleans as 0 or
// 1, UTF-16 strings as their little-endian bytes.
std::string Perform(PickleIterator* iter, char kind, bool* succeeded) {
  int number = 0;
  bool flag = false;
  std::string text;
  string16 wide;
  switch (kind) {
  case 'i':
    *succeeded = iter->ReadInt(&number);
    return std::to_string(number);
  case 'b':
    *succeeded = iter->ReadBool(&flag);
    return flag ? "1" : "0";
  case 's':
    *succeeded = iter->ReadString(&text);
    return text;
  default:
    *succeeded = iter->ReadString16(&wide);
    return std::string(reinterpret_cast<const char*>(wide.data()),
                       wide.size() * sizeof(char16));
  }
}

TEST(PickleDeathTest, WritingReadOnlyOrBeyondTheHeaderStops) {
  std::string bytes = Word(4) + Word(1);  // A received one-int message.
  Pickle view(bytes.data(), static_cast<int>(bytes.size()));
  EXPECT_DEATH(view.WriteInt(2), "read-only");
  Pickle empty(nullptr, 0);
  Pickle empty_copy(empty);
  EXPECT_DEATH(empty_copy.WriteInt(2), "read-only");

  Pickle pickle;
  pickle.WriteInt(1);
  // Would wrap round to a 4-byte payload.
  EXPECT_DEATH(pickle.ClaimBytes(SIZE_MAX - 1), "32-bit header");
  // Would need a payload size of 2^32.
  EXPECT_DEATH(pickle.ClaimBytes(0xFFFFFFF9u), "32-bit header");
}

using testing_support::GuardedBuffer;

// What each read must give, worked out from the bytes alone: a failed read
// leaves the iterator at the end, except a UTF-16 length with no possible
// byte count, which consumes its length field only; the last field may lack
// its padding; a boolean is the first byte of its slot, and a short slot
// still counts.
class ReferenceReader {
 public:
  ReferenceReader(const char* payload, size_t size)
      : payload_(payload), end_(size) {}

  // Whether a read of |kind| must succeed, and its value as Perform renders
  // it.
  bool Read(char kind, std::string* value) {
    size_t left = end_ - at_;
    if (kind == 'b') {
      if (left == 0) return false;
      *value = payload_[at_] ? "1" : "0";
      at_ += std::min<size_t>(left, 4);
      return true;
    }
    if (left < 4) return Fail();
    int word;
    memcpy(&word, payload_ + at_, sizeof(word));
    at_ += 4;
    left -= 4;
    if (kind == 'i') {
      *value = std::to_string(word);
      return true;
    }
    size_t unit = kind == 's' ? 1 : 2;
    if (word < 0) return Fail();
    if (unit == 2 && word > INT_MAX / 2) return false;
    size_t bytes = static_cast<size_t>(word) * unit;
    if (bytes > left) return Fail();
    value->assign(payload_ + at_, bytes);
    size_t padded = (bytes + 3) / 4 * 4;
    at_ = padded > left ? end_ : at_ + padded;
    return true;
  }

 private:
  bool Fail() {
    at_ = end_;
    return false;
  }

  const char* payload_;
  size_t at_ = 0;
  size_t end_;
};

// Damaged pickles, mostly with a header the wrapper accepts, so that the
// reads see the body. The tokens are length and size words that lie, placed
// at any alignment.
std::string Mutate(const std::string& seed, std::mt19937* random) {
  static const std::vector<std::string> kWords = [] {
    std::vector<std::string> words;
    for (uint32_t word : {0u, 1u, 2u, 3u, 4u, 5u, 8u, 0xFFFFFFFFu, 0xFFFFFFFEu,
                          0xFFFFFFFCu, 0x7FFFFFFFu, 0x80000000u, 0x3FFFFFFFu,
                          0x40000000u, 0x7FFFFFFCu, 0x20000000u})
      words.push_back(Word(word));
    return words;
  }();
  std::string bytes = testing_support::MutatedBytes(seed, kWords, random);
  if (bytes.size() >= 8 && (*random)() % 8 != 0) {
    size_t header_size = (*random)() % 8 == 0 ? 8 : 4;
    bytes.replace(0, 4,
                  Word(static_cast<uint32_t>(bytes.size() - header_size)));
  }
  return bytes;
}

// Every kind of field, every padding, and fields longer than the tokens.
std::vector<std::string> FuzzSeeds() {
  Pickle fields;
  fields.WriteInt(19);
  for (const char* text : {"", "x", "xy", "xyz", "wxyz"})
    fields.WriteString(text);
  fields.WriteString16(L"a");
  fields.WriteString16(L"\u00e9t\u00e9");
  fields.WriteInt(-1);
  fields.WriteString16(L"");
  Pickle long_fields;
  long_fields.WriteString(std::string(40, 'q'));
  long_fields.WriteString16(string16(21, L'\u20ac'));
  return {Bytes(fields), Bytes(long_fields), Bytes(Pickle())};
}

TEST(PickleGuardPageTest, MutatedPickles) {
  GuardedBuffer buffer;
  ASSERT_TRUE(buffer.IsValid());
  const uint32_t kSeed = 16;
  std::mt19937 random(kSeed);
  const int kPickles = 1000000;
  const std::vector<std::string> seeds = FuzzSeeds();
  int accepted = 0, successful_reads = 0;
  for (int i = 0; i < kPickles; ++i) {
    std::string bytes = Mutate(seeds[random() % seeds.size()], &random);
    bytes.resize(std::min(bytes.size(), buffer.capacity()));
    const char* placed = buffer.Place(bytes).data();
    Pickle pickle(placed, static_cast<int>(bytes.size()));
    EXPECT_EQ(Pickle::kReadOnly, pickle.capacity_after_header());
    // The first word claims the payload; the header is the rest, at least
    // one word and whole words.
    uint32_t claimed = 0;
    memcpy(&claimed, bytes.data(), std::min<size_t>(bytes.size(), 4));
    const size_t header_size = bytes.size() - claimed;
    if (bytes.size() < 4 || claimed > bytes.size() - 4 || header_size % 4) {
      EXPECT_EQ(nullptr, pickle.data());
      EXPECT_EQ(0u, pickle.size());
    } else {
      ++accepted;
      EXPECT_EQ(placed, pickle.data());
      EXPECT_EQ(bytes.size(), pickle.size());
      EXPECT_EQ(placed + header_size, pickle.payload());
      EXPECT_EQ(claimed, pickle.payload_size());
    }
    if (i % 16 == 0) {
      EXPECT_EQ(Bytes(pickle), Bytes(Pickle(pickle)));
    }

    PickleIterator iter(pickle);
    ReferenceReader reference(pickle.payload(), pickle.payload_size());
    for (size_t reads = 1 + random() % 10; reads > 0; --reads) {
      char kind = "ibsw"[random() % 4];
      bool succeeded;
      std::string value = Perform(&iter, kind, &succeeded);
      std::string expected;
      bool should_succeed = reference.Read(kind, &expected);
      EXPECT_EQ(should_succeed, succeeded) << kind;
      if (succeeded) {
        ++successful_reads;
        EXPECT_EQ(expected, value) << kind;
      }
    }
    if (HasFailure()) {
      ADD_FAILURE() << "seed " << kSeed << ", pickle " << i << ": "
                    << testing::PrintToString(bytes);
      return;
    }
  }
  // The mutations must reach the fields, not stop at the header.
  EXPECT_GT(accepted, kPickles / 2);
  EXPECT_GT(successful_reads, kPickles);
}

}  // namespace
}  // namespace base
