#include "base/strings/pattern.h"

#include <stdint.h>

#include "base/strings/utf_string_conversion_utils.h"

namespace base {

namespace {

// The deepest call the matcher makes; a branch that needs a deeper one
// counts as no match.
constexpr int kMaxDepth = 16;

bool IsWildcard(char c) { return c == '*' || c == '?'; }

// Reads the character at *position and moves past it. An invalid byte reads
// as a value above every code point that only the same byte equals, and is
// passed one byte at a time so matching stays exact.
uint32_t NextCharUTF8(const char** position, const char* end) {
  const char* start = *position;
  size_t index = 0;
  int32_t code_point =
      ReadUnicodeCharacterUTF8(start, &index, static_cast<size_t>(end - start),
                               static_cast<unsigned char>(*start));
  if (code_point < 0) {
    *position = start + 1;
    return 0x110000u + static_cast<unsigned char>(*start);
  }
  *position = start + index;
  return static_cast<uint32_t>(code_point);
}

// Eats the characters that text and pattern have in common, up to an
// unescaped wildcard in the pattern. A mismatch right after a backslash
// leaves the pattern at the backslash.
void EatSameChars(const char** pattern, const char* pattern_end,
                  const char** text, const char* text_end) {
  const char* escape = nullptr;
  while (*pattern != pattern_end && *text != text_end) {
    if (!escape && IsWildcard(**pattern)) return;
    if (!escape && **pattern == '\\') {
      escape = *pattern;
      ++*pattern;
      continue;
    }
    const char* pattern_next = *pattern;
    const char* text_next = *text;
    if (NextCharUTF8(&pattern_next, pattern_end) !=
        NextCharUTF8(&text_next, text_end)) {
      if (escape) *pattern = escape;
      return;
    }
    escape = nullptr;
    *pattern = pattern_next;
    *text = text_next;
  }
}

void EatWildcard(const char** pattern, const char* pattern_end) {
  while (*pattern != pattern_end && IsWildcard(**pattern)) ++*pattern;
}

bool MatchPatternT(const char* text, const char* text_end, const char* pattern,
                   const char* pattern_end, int depth) {
  if (depth > kMaxDepth) return false;

  EatSameChars(&pattern, pattern_end, &text, text_end);

  if (text == text_end) {
    EatWildcard(&pattern, pattern_end);
    return pattern == pattern_end;
  }
  if (pattern == pattern_end) return false;

  if (*pattern == '?') {
    // One character, or none.
    const char* rest = pattern + 1;
    if (MatchPatternT(text, text_end, rest, pattern_end, depth + 1))
      return true;
    const char* shorter = text;
    NextCharUTF8(&shorter, text_end);
    return MatchPatternT(shorter, text_end, rest, pattern_end, depth + 1);
  }

  if (*pattern == '*') {
    const char* rest = pattern;
    EatWildcard(&rest, pattern_end);
    // Every suffix of the text, one byte at a time.
    for (; text != text_end; ++text) {
      if (MatchPatternT(text, text_end, rest, pattern_end, depth + 1))
        return true;
    }
    return rest == pattern_end;
  }

  return false;
}

}  // namespace

bool MatchPattern(StringPiece text, StringPiece pattern) {
  return MatchPatternT(text.data(), text.data() + text.size(), pattern.data(),
                       pattern.data() + pattern.size(), 0);
}

}  // namespace base
