// Wildcard matching of UTF-8 text, as in logging's per-module verbose levels
// ("base/files/*=2").
#ifndef BASE_STRINGS_PATTERN_H_
#define BASE_STRINGS_PATTERN_H_

#include "base/strings/string_piece.h"

namespace base {

// True when |pattern| matches the whole of |text|. In the pattern '*'
// matches any run of characters, '?' matches one character or none, and a
// backslash makes the next character literal ("a\*" matches only "a*").
// Characters are compared as code points; bytes that are not valid UTF-8
// are compared one by one.
//
// The match is depth-limited so that hostile patterns cannot exhaust the
// stack: a pattern that needs more than 16 nested wildcard decisions (for
// example 17 '?' in a row) does not match.
bool MatchPattern(StringPiece text, StringPiece pattern);

}  // namespace base

#endif  // BASE_STRINGS_PATTERN_H_
