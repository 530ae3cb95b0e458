#include "base/version.h"

#include <stdint.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace base {
namespace {

// Valid texts come from the random versions below.
TEST(VersionTest, RefusesAllButPlainDottedNumbers) {
  const char* const invalid[] = {
      "",     "1..2", "1.2.", ".1",         "+1.2",
      "1.+2", "1.-2", " 1.2", "1.2 ",       "1. 2",
      "1.2a", "01.2", "00",   "4294967296", "1.4294967296",
  };
  for (const char* text : invalid) {
    std::vector<uint32_t> parsed;
    EXPECT_FALSE(ParseVersionNumbers(text, &parsed)) << text;
    EXPECT_FALSE(Version(text).IsValid()) << text;
  }
}

// Random versions written as text, some components with leading zeros,
// parse back to their components and order like their component lists
// padded with zeros.
TEST(VersionTest, RandomVersionsRoundTripAndOrderLikeReference) {
  std::mt19937 random(20261206);
  auto random_components = [&random] {
    std::vector<uint32_t> components(1 + random() % 5);
    // Mostly small numbers, so equal prefixes and trailing zeros are common.
    for (uint32_t& component : components) {
      const uint32_t kind = random() % 4;
      component = kind == 0   ? random()
                  : kind == 1 ? 4294967295u - random() % 2
                              : random() % 3;
    }
    return components;
  };
  auto text_of = [&random](const std::vector<uint32_t>& components) {
    std::string text = std::to_string(components[0]);
    for (size_t i = 1; i < components.size(); ++i)
      text += (random() % 8 ? "." : ".00") + std::to_string(components[i]);
    return text;
  };
  auto reference_compare = [](std::vector<uint32_t> a,
                              std::vector<uint32_t> b) {
    const size_t length = std::max(a.size(), b.size());
    a.resize(length, 0);
    b.resize(length, 0);
    return a < b ? -1 : (a == b ? 0 : 1);
  };

  std::vector<uint32_t> previous = random_components();
  for (int round = 0; round < 100000; ++round) {
    const std::vector<uint32_t> components = random_components();
    const std::string text = text_of(components);
    const std::string previous_text = text_of(previous);
    std::vector<uint32_t> parsed;
    ASSERT_TRUE(ParseVersionNumbers(text, &parsed)) << text;
    ASSERT_EQ(components, parsed) << text;
    ASSERT_TRUE(Version(text).IsValid()) << text;
    ASSERT_EQ(reference_compare(components, previous),
              Version(text).CompareTo(Version(previous_text)))
        << text << " vs " << previous_text;
    previous = components;
  }
}

}  // namespace
}  // namespace base
