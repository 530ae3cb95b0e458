// Everyday text operations on narrow (UTF-8 or ASCII) and wide (UTF-16)
// strings: trimming and whitespace collapsing, ASCII case folding and
// comparison, prefix and suffix tests, ASCII checks, character and substring
// replacement, joining, "$1".."$9" placeholders, buffers for Win32 calls that
// fill a string, and bounded wide formatting.
//
// Splitting lives in string_split.h, wildcard matching in pattern.h, the
// tokenizer in string_tokenizer.h and UTF conversion in
// utf_string_conversions.h.
//
//   std::wstring trimmed;
//   TrimWideString(argument, kWhitespaceWide, &trimmed);
//   if (StartsWith(trimmed, L"--", CompareCase::SENSITIVE)) ...
//
//   // "Install to C:\Velto?" with offsets {11}.
//   std::vector<size_t> offsets;
//   ReplaceStringPlaceholders("Install to $1?", {"C:\\Velto"}, &offsets);
#ifndef BASE_STRINGS_STRING_UTIL_H_
#define BASE_STRINGS_STRING_UTIL_H_

#include <stddef.h>

#include <string>
#include <vector>

#include "base/strings/string_piece.h"

namespace base {

// TAB, LF, VT, FF, CR and space.
extern const char kWhitespaceASCII[];
// The 25 Unicode whitespace code points: U+0009 to U+000D, U+0020, U+0085,
// U+00A0, U+1680, U+2000 to U+200A, U+2028, U+2029, U+202F, U+205F, U+3000.
extern const wchar_t kWhitespaceWide[];

// Which ends of a string a trim removed characters from.
enum TrimPositions {
  TRIM_NONE = 0,
  TRIM_LEADING = 1 << 0,
  TRIM_TRAILING = 1 << 1,
  TRIM_ALL = TRIM_LEADING | TRIM_TRAILING,
};

// How prefix and suffix tests compare. Only 'A'-'Z' fold to 'a'-'z' in the
// insensitive form; other characters must match exactly.
enum class CompareCase {
  SENSITIVE = 0,
  INSENSITIVE_ASCII = 1,
};

// Sets |output| to |input| without the leading and trailing characters that
// are in |trim_chars| and returns which ends lost characters. An input made
// only of such characters gives an empty output and TRIM_ALL; an empty
// input gives TRIM_NONE. |output| may alias the string |input| views.
TrimPositions TrimWideString(StringPiece16 input, StringPiece16 trim_chars,
                             std::wstring* output);

// Drops leading and trailing whitespace, turns every inner run of whitespace
// into one space, and removes runs that hold a line break (CR or LF)
// entirely. Only the six ASCII whitespace characters count; bytes of 0x80
// and above are text.
std::string CollapseWhitespaceASCII(StringPiece text);

// Copies with 'A'-'Z' lowered (or 'a'-'z' raised); other bytes unchanged.
std::string ToLowerASCII(StringPiece text);
std::string ToUpperASCII(StringPiece text);

// True when both have the same length and equal bytes after ASCII lowering.
bool EqualsCaseInsensitiveASCII(StringPiece a, StringPiece b);

// True when |text|, with 'A'-'Z' lowered, equals |lowercase_ascii|, which
// the caller writes in lower case.
bool WideLowerCaseEqualsASCII(StringPiece16 text, StringPiece lowercase_ascii);

// Prefix and suffix tests. An empty |search_for| is found in any text; one
// longer than |text| never is; a |compare_case| outside the enum gives false.
bool StartsWith(StringPiece16 text, StringPiece16 search_for,
                CompareCase compare_case);
bool EndsWith(StringPiece16 text, StringPiece16 search_for,
              CompareCase compare_case);

// True when no byte (or UTF-16 unit) is 0x80 or above.
bool IsStringASCII(StringPiece text);
bool IsWideStringASCII(StringPiece16 text);
bool IsStdWideStringASCII(const std::wstring& text);

// Sets |output| to |input| with every character that is in |replace_chars|
// replaced by all of |replace_with|; returns whether anything was replaced.
// |output| may alias the string |input| views.
bool ReplaceChars(StringPiece input, StringPiece replace_chars,
                  StringPiece replace_with, std::string* output);

// Replaces the first occurrence of |find_this| at or after |start_offset| in
// |str| with |replace_with|, or, with |replace_all|, every occurrence from
// there on. Occurrences do not overlap; the search resumes after each match
// and never looks into inserted text. An empty |find_this| changes nothing.
void ReplaceSubstringsAfterOffset(std::string* str, size_t start_offset,
                                  StringPiece find_this,
                                  StringPiece replace_with, bool replace_all);

// The parts with |separator| between each pair; no parts give "".
std::string JoinString(const std::vector<std::string>& parts,
                       StringPiece separator);
std::wstring JoinWideString(const std::vector<std::wstring>& parts,
                            StringPiece16 separator);

// Formats |format|, where "$1" to "$9" stand for |substitutions|[0] to [8]:
// "$$" gives "$" (a run of n '$' gives n - 1), a placeholder without a
// substitution, "$0", "$" followed by a non-digit, and a final lone "$" all
// vanish. When |offsets| is not null, the output position of each
// placeholder is appended to it, ordered by parameter number; for the same
// number the later occurrence comes first.
std::string ReplaceStringPlaceholders(
    StringPiece format, const std::vector<std::string>& substitutions,
    std::vector<size_t>* offsets);
std::wstring ReplaceWideStringPlaceholders(
    StringPiece16 format, const std::vector<std::wstring>& substitutions,
    std::vector<size_t>* offsets);

// Prepares |str| for a Win32 call that writes up to |length_with_null|
// characters including the terminating NUL, and returns the buffer to pass.
// |str| holds length_with_null - 1 characters afterwards; the caller trims
// it to what the call reports. A length of 0 stops the process.
//
//   std::wstring name;
//   DWORD size = ::GetModuleFileNameW(
//       nullptr, WriteIntoWideString(&name, MAX_PATH), MAX_PATH);
//   name.resize(size);
wchar_t* WriteIntoWideString(std::wstring* str, size_t length_with_null);

// The C runtime's bounded wide formatting: writes at most |count| characters
// (and never more than |buffer_size| - 1) plus a NUL into |buffer| and
// returns the number of characters written, or -1 when the output was cut
// short or the format failed. The runtime's own formatter reads the
// arguments: write %ls for wide-string arguments and %hs for narrow ones.
int WideSnprintf(wchar_t* buffer, size_t buffer_size, size_t count,
                 const wchar_t* format, ...);

}  // namespace base

#endif  // BASE_STRINGS_STRING_UTIL_H_
