#include "base/strings/utf_string_conversions.h"

#include <stdint.h>

#include <string>

#include <gtest/gtest.h>

#include "base/strings/utf_string_conversion_utils.h"

namespace base {
namespace {

// Malformed input must never pass through: each bad sequence becomes exactly
// one U+FFFD, and the bytes after it are decoded afresh.
TEST(UTFStringConversionsTest, UTF8ToWideDecodesStrictly) {
  const struct {
    const char* name;
    std::string utf8;
    std::wstring utf16;
    bool valid;
  } cases[] = {
      {"NUL and emoji among ASCII", std::string("a\0\xF0\x9F\x98\x80z", 7),
       std::wstring(L"a\0\xD83D\xDE00z", 5), true},
      {"overlong two-byte", "\xC1\xBF", L"\xFFFD", false},
      {"overlong three-byte top", "\xE0\x9F\xBF", L"\xFFFD", false},
      {"overlong four-byte top", "\xF0\x8F\xBF\xBF", L"\xFFFD", false},
      {"lead surrogate", "\xED\xA0\x80", L"\xFFFD", false},
      {"trail surrogate", "\xED\xBF\xBF", L"\xFFFD", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", L"\xFFFD", false},
      {"five-byte form", "\xF8\x88\x80\x80\x80", L"\xFFFD", false},
      {"six-byte form", "\xFC\x84\x80\x80\x80\x80", L"\xFFFD", false},
      {"lone continuation", "a\x80z", L"a\xFFFDz", false},
      {"byte FE", "\xFE", L"\xFFFD", false},
      {"truncated at end", "a\xE2\x82", L"a\xFFFD", false},
      {"interrupted by lead", "\xE2\xC3\xA9", L"\xFFFD\x00E9", false},
      {"noncharacter FFFE", "\xEF\xBF\xBE", L"\xFFFD", false},
      {"noncharacter FDD0", "\xEF\xB7\x90", L"\xFFFD", false},
      {"noncharacter FDEF", "\xEF\xB7\xAF", L"\xFFFD", false},
      {"noncharacter 10FFFF", "\xF4\x8F\xBF\xBF", L"\xFFFD", false},
      {"just outside FDD0 block", "\xEF\xB7\x8F\xEF\xB7\xB0", L"\xFDCF\xFDF0",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring output = L"stale";
    EXPECT_EQ(c.valid, UTF8ToWide(c.utf8.data(), c.utf8.size(), &output));
    EXPECT_EQ(c.utf16, output);
    EXPECT_EQ(c.utf16, UTF8ToWide(c.utf8));
  }
}

TEST(UTFStringConversionsTest, WideToUTF8ReplacesUnpairedSurrogates) {
  const struct {
    const char* name;
    std::wstring utf16;
    std::string utf8;
    bool valid;
  } cases[] = {
      {"latin", L"\x00E9t\x00E9", "\xC3\xA9t\xC3\xA9", true},
      {"last BMP unit", L"\xFFFF", "\xEF\xBF\xBF", true},
      {"largest pair", L"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF", true},
      {"lone trail", L"a\xDC00z", "a\xEF\xBF\xBDz", false},
      {"lone lead at end", L"a\xD800", "a\xEF\xBF\xBD", false},
      {"lead before a unit above the trails", L"\xD800\xE000",
       "\xEF\xBF\xBD\xEE\x80\x80", false},
      {"two trails", L"\xDC00\xDC00", "\xEF\xBF\xBD\xEF\xBF\xBD", false},
      {"two leads then trail", L"\xD800\xD83D\xDE00",
       "\xEF\xBF\xBD\xF0\x9F\x98\x80", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string output = "stale";
    EXPECT_EQ(c.valid, WideToUTF8(c.utf16.data(), c.utf16.size(), &output));
    EXPECT_EQ(c.utf8, output);
    EXPECT_EQ(c.utf8, WideToUTF8(c.utf16));
    EXPECT_EQ(c.utf8, WideStringToUTF8(c.utf16));
  }
}

// The writers report the units they appended, not the new size, and agree
// with the decoder.
TEST(UTFStringConversionsTest, EveryValidCodePointRoundTrips) {
  for (uint32_t code_point = 0; code_point <= 0x10FFFF; ++code_point) {
    if (!IsValidCodePoint(code_point)) continue;
    std::string utf8 = "x";
    const size_t bytes = WriteUnicodeCharacterUTF8(code_point, &utf8);
    ASSERT_EQ(1 + bytes, utf8.size()) << code_point;
    utf8.erase(0, 1);
    std::wstring utf16;
    ASSERT_TRUE(UTF8ToWide(utf8.data(), utf8.size(), &utf16)) << code_point;
    std::wstring written = L"x";
    const size_t units = WriteUnicodeCharacterUTF16(code_point, &written);
    ASSERT_EQ(L"x" + utf16, written) << code_point;
    ASSERT_EQ(utf16.size(), units) << code_point;
    std::string back;
    ASSERT_TRUE(WideToUTF8(utf16.data(), utf16.size(), &back)) << code_point;
    ASSERT_EQ(utf8, back) << code_point;
  }
}

TEST(UTFStringConversionsTest, ASCIIConversionsKeepValues) {
  EXPECT_EQ(std::wstring(L"a\0b\t", 4), ASCIIToWide(std::string("a\0b\t", 4)));
  EXPECT_EQ("Velto 1.0", WideToASCII(L"Velto 1.0"));
}

// Where the index lands decides what the next read starts on.
TEST(UTFStringConversionUtilsTest, ReadUnicodeCharacterUTF8AdvancesIndex) {
  const struct {
    const char* name;
    std::string bytes;
    int32_t code_point;
    size_t index_after;
    size_t length = 0;  // Of the read; 0 for the whole string.
  } cases[] = {
      {"four-byte", "\xF0\x9F\x98\x80", 0x1F600, 4},
      {"noncharacter decodes", "\xEF\xBF\xBE", 0xFFFE, 3},
      {"continuation as lead", "\x80\x80", -1, 1},
      {"above max skips three", "\xF5\x80\x80\x80\x80", -1, 4},
      {"no trail at all", "\xE2z", -1, 1},
      {"byte FF", "\xFF\x80", -1, 1},
      // The length, not the string's end, bounds the read.
      {"stops at given length", "\xE2\x82\xAC", -1, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    size_t index = 0;
    EXPECT_EQ(c.code_point,
              ReadUnicodeCharacterUTF8(c.bytes.data(), &index,
                                       c.length ? c.length : c.bytes.size(),
                                       static_cast<unsigned char>(c.bytes[0])));
    EXPECT_EQ(c.index_after, index);
  }
}

}  // namespace
}  // namespace base
