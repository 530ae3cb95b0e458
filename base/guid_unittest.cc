#include "base/guid.h"

#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(GUIDTest, ThousandGuidsAreDistinctVersion4) {
  std::set<std::string> seen;
  std::set<char> variants;
  // Version 4, in lower case.
  const std::regex kVersion4(
      "[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
  for (int i = 0; i < 1000; ++i) {
    const std::string guid = GenerateGUID();
    ASSERT_TRUE(std::regex_match(guid, kVersion4)) << guid;
    seen.insert(guid);
    variants.insert(guid[19]);
  }
  EXPECT_EQ(1000u, seen.size());
  // The variant digit takes its two low bits from the random source.
  EXPECT_EQ(4u, variants.size());
}

}  // namespace
}  // namespace base
