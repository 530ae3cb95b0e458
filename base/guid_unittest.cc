#include "base/guid.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

bool IsLowerHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// xxxxxxxx-xxxx-4xxx-[89ab]xxx-xxxxxxxxxxxx in lower case.
bool IsVersion4Text(const std::string& guid) {
  if (guid.size() != 36)
    return false;
  for (size_t i = 0; i < guid.size(); ++i) {
    const bool dash_position = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash_position ? guid[i] != '-' : !IsLowerHex(guid[i]))
      return false;
  }
  return guid[14] == '4' && std::string("89ab").find(guid[19]) != std::string::npos;
}

TEST(GUIDTest, ThousandGuidsAreDistinctVersion4) {
  std::set<std::string> seen;
  std::set<char> variants;
  for (int i = 0; i < 1000; ++i) {
    const std::string guid = GenerateGUID();
    ASSERT_TRUE(IsVersion4Text(guid)) << guid;
    seen.insert(guid);
    variants.insert(guid[19]);
  }
  EXPECT_EQ(1000u, seen.size());
  // The variant digit takes its two low bits from the random source.
  EXPECT_EQ(4u, variants.size());
}

}  // namespace
}  // namespace base
