#include "base/strings/stringprintf.h"

#include <stdint.h>

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(StringPrintfTest, FormatsAppendsAndReplaces) {
  EXPECT_EQ("7 x 1.5", StringPrintf("%d %s %.1f", 7, "x", 1.5));
  EXPECT_EQ("18446744073709551615 3",
            StringPrintf("%llu %zu", 18446744073709551615ull, size_t{3}));
  EXPECT_EQ(L"7 wide narrow",
            WideStringPrintf(L"%d %ls %s", 7, L"wide", "narrow"));

  std::string text = "a";
  StringAppendF(&text, "%d", 1);
  EXPECT_EQ("a1", text);
  EXPECT_EQ("x", StringPrintfInto(&text, "%c", 'x'));
  EXPECT_EQ("x", text);
  std::wstring wide = L"w";
  StringAppendF(&wide, L"%d", 2);
  EXPECT_EQ(L"w2", wide);
}

// Lengths around the stack buffer and a long one that needs the heap. The
// largest output is one character less than 32 MiB; anything longer appends
// nothing. (Padding a string: the runtime formats a padded integer in a
// stack buffer of the field's width.)
TEST(StringPrintfTest, OutputUpTo32MiBIsCompleteAndLongerIsRefused) {
  for (size_t length : {1022u, 1023u, 1024u, 1025u, 5000u, 100000u}) {
    const std::string expected(length, 'q');
    EXPECT_EQ(expected, StringPrintf("%s", expected.c_str())) << length;
    const std::wstring wide_expected(length, L'q');
    EXPECT_EQ(wide_expected, WideStringPrintf(L"%ls", wide_expected.c_str()))
        << length;
  }
  std::string text = "head";
  const std::string tail(5000, 'z');
  StringAppendF(&text, "%s", tail.c_str());
  EXPECT_EQ("head" + tail, text);

  const int kLimit = 32 * 1024 * 1024 - 1;
  EXPECT_EQ(static_cast<size_t>(kLimit),
            StringPrintf("%*s", kLimit, "x").size());
  EXPECT_EQ("", StringPrintf("%*s", kLimit + 1, "x"));
  text = "kept";
  StringAppendF(&text, "%*s", 40 * 1024 * 1024, "x");
  EXPECT_EQ("kept", text);
  EXPECT_EQ(L"", WideStringPrintf(L"%*s", kLimit + 1, "x"));
}

TEST(StringPrintfTest, SnprintfReportsTheFullLength) {
  char buffer[4];
  EXPECT_EQ(5, Snprintf(buffer, sizeof(buffer), "%s", "hello"));
  EXPECT_STREQ("hel", buffer);
  EXPECT_EQ(2, Snprintf(buffer, sizeof(buffer), "%d", 42));
  EXPECT_STREQ("42", buffer);
  EXPECT_EQ(3, Snprintf(nullptr, 0, "abc"));
}

}  // namespace
}  // namespace base
