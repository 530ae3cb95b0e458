#include "base/strings/string_util.h"

#include <stdarg.h>
#include <stdint.h>
#include <string.h>
#include <wchar.h>

#include "base/logging.h"

namespace base {

const char kWhitespaceASCII[] = {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0};

const wchar_t kWhitespaceWide[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085, 0x00A0, 0x1680,
    0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
    0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000, 0};

namespace {

template <typename CharT>
CharT ToLowerASCIIChar(CharT c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<CharT>(c + ('a' - 'A')) : c;
}

template <typename CharT>
CharT ToUpperASCIIChar(CharT c) {
  return (c >= 'a' && c <= 'z') ? static_cast<CharT>(c - ('a' - 'A')) : c;
}

template <typename CharT>
bool Contains(BasicStringPiece<CharT> set, CharT c) {
  for (size_t i = 0; i < set.size(); ++i) {
    if (set[i] == c) return true;
  }
  return false;
}

bool IsASCIIWhitespace(char c) {
  // Compared as signed bytes, so the Unicode whitespace above U+007F (U+0085,
  // U+00A0) can never match a byte of a UTF-8 sequence.
  return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

bool EqualsCaseInsensitiveWide(StringPiece16 a, StringPiece16 b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerASCIIChar(a[i]) != ToLowerASCIIChar(b[i])) return false;
  }
  return true;
}

bool EqualsWithCase(StringPiece16 a, StringPiece16 b,
                    CompareCase compare_case) {
  switch (compare_case) {
    case CompareCase::SENSITIVE:
      return a == b;
    case CompareCase::INSENSITIVE_ASCII:
      return EqualsCaseInsensitiveWide(a, b);
  }
  return false;  // Not a CompareCase value.
}

template <typename StringT, typename PieceT>
bool ReplaceCharsT(PieceT input, PieceT replace_chars, PieceT replace_with,
                   StringT* output) {
  StringT result(input.data(), input.size());
  bool replaced = false;
  size_t position =
      result.find_first_of(replace_chars.data(), 0, replace_chars.size());
  while (position != StringT::npos) {
    result.replace(position, 1, replace_with.data(), replace_with.size());
    replaced = true;
    position = result.find_first_of(replace_chars.data(),
                                    position + replace_with.size(),
                                    replace_chars.size());
  }
  output->swap(result);
  return replaced;
}

template <typename StringT, typename PieceT>
StringT JoinStringImpl(const std::vector<StringT>& parts, PieceT separator) {
  if (parts.empty()) return StringT();
  size_t total = parts[0].size();
  for (size_t i = 1; i < parts.size(); ++i)
    total += separator.size() + parts[i].size();
  StringT result;
  result.reserve(total);
  result.append(parts[0]);
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!separator.empty()) result.append(separator.data(), separator.size());
    result.append(parts[i]);
  }
  return result;
}

}  // namespace

TrimPositions TrimWideString(StringPiece16 input, StringPiece16 trim_chars,
                             std::wstring* output) {
  size_t first = 0;
  while (first < input.size() && Contains(trim_chars, input[first])) ++first;
  if (first == input.size()) {
    output->clear();
    return input.empty() ? TRIM_NONE : TRIM_ALL;
  }
  size_t last = input.size() - 1;
  while (Contains(trim_chars, input[last]))
    --last;  // Stops at |first| at the latest.

  int trimmed = TRIM_NONE;
  if (first != 0) trimmed |= TRIM_LEADING;
  if (last != input.size() - 1) trimmed |= TRIM_TRAILING;
  std::wstring result(input.data() + first, last - first + 1);
  output->swap(result);
  return static_cast<TrimPositions>(trimmed);
}

std::string CollapseWhitespaceASCII(StringPiece text) {
  std::string result;
  result.resize(text.size());

  // Starts as though inside whitespace that was already trimmed, so leading
  // whitespace writes nothing.
  bool in_whitespace = true;
  bool already_trimmed = true;
  size_t written = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsASCIIWhitespace(c)) {
      if (!in_whitespace) {
        in_whitespace = true;
        result[written++] = ' ';
      }
      if (!already_trimmed && (c == '\n' || c == '\r')) {
        // A run with a line break vanishes, the space just written included.
        already_trimmed = true;
        --written;
      }
    } else {
      in_whitespace = false;
      already_trimmed = false;
      result[written++] = c;
    }
  }
  if (in_whitespace && !already_trimmed) --written;  // The trailing space.
  result.resize(written);
  return result;
}

std::string ToLowerASCII(StringPiece text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    result.push_back(ToLowerASCIIChar(text[i]));
  return result;
}

std::string ToUpperASCII(StringPiece text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    result.push_back(ToUpperASCIIChar(text[i]));
  return result;
}

bool EqualsCaseInsensitiveASCII(StringPiece a, StringPiece b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (ToLowerASCIIChar(a[i]) != ToLowerASCIIChar(b[i])) return false;
  }
  return true;
}

bool WideLowerCaseEqualsASCII(StringPiece16 text, StringPiece lowercase_ascii) {
  if (text.size() != lowercase_ascii.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (ToLowerASCIIChar(text[i]) !=
        static_cast<unsigned char>(lowercase_ascii[i])) {
      return false;
    }
  }
  return true;
}

bool StartsWith(StringPiece16 text, StringPiece16 search_for,
                CompareCase compare_case) {
  if (search_for.size() > text.size()) return false;
  return EqualsWithCase(text.Substr(0, search_for.size()), search_for,
                        compare_case);
}

bool EndsWith(StringPiece16 text, StringPiece16 search_for,
              CompareCase compare_case) {
  if (search_for.size() > text.size()) return false;
  return EqualsWithCase(text.Substr(text.size() - search_for.size()),
                        search_for, compare_case);
}

bool IsStringASCII(StringPiece text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

bool IsWideStringASCII(StringPiece16 text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<uint16_t>(text[i]) >= 0x80) return false;
  }
  return true;
}

bool IsStdWideStringASCII(const std::wstring& text) {
  return IsWideStringASCII(text);
}

bool ReplaceChars(StringPiece input, StringPiece replace_chars,
                  StringPiece replace_with, std::string* output) {
  return ReplaceCharsT(input, replace_chars, replace_with, output);
}

void ReplaceSubstringsAfterOffset(std::string* str, size_t start_offset,
                                  StringPiece find_this,
                                  StringPiece replace_with, bool replace_all) {
  // An empty text would be found at every position without progress.
  if (find_this.empty()) return;
  // Own copies: either piece may view |str|, which is about to change.
  const std::string find(find_this.data(), find_this.size());
  const std::string replacement(replace_with.data(), replace_with.size());

  size_t first = str->find(find, start_offset);
  if (first == std::string::npos) return;
  if (!replace_all) {
    str->replace(first, find.size(), replacement);
    return;
  }

  if (find.size() == replacement.size()) {
    for (size_t match = first; match != std::string::npos;
         match = str->find(find, match + find.size())) {
      memcpy(&(*str)[match], replacement.data(), replacement.size());
    }
    return;
  }

  if (replacement.size() > find.size()) {
    // Grow once to the final length, then move the text between matches
    // from the end backwards so nothing is overwritten before it is moved.
    std::vector<size_t> matches;
    for (size_t match = first; match != std::string::npos;
         match = str->find(find, match + find.size())) {
      matches.push_back(match);
    }
    const size_t old_size = str->size();
    str->resize(old_size + matches.size() * (replacement.size() - find.size()));
    char* buffer = &(*str)[0];
    size_t write_end = str->size();
    size_t read_end = old_size;
    for (size_t i = matches.size(); i-- > 0;) {
      const size_t match_end = matches[i] + find.size();
      const size_t tail = read_end - match_end;
      write_end -= tail;
      memmove(buffer + write_end, buffer + match_end, tail);
      write_end -= replacement.size();
      memcpy(buffer + write_end, replacement.data(), replacement.size());
      read_end = matches[i];
    }
    return;
  }

  // Shrinking: one pass front to back, the write position trailing the read
  // position, then cut the string to size.
  char* buffer = &(*str)[0];
  size_t write = first;
  size_t read = first;
  for (size_t match = first; match != std::string::npos;
       match = str->find(find, read)) {
    memmove(buffer + write, buffer + read, match - read);
    write += match - read;
    memcpy(buffer + write, replacement.data(), replacement.size());
    write += replacement.size();
    read = match + find.size();
  }
  memmove(buffer + write, buffer + read, str->size() - read);
  write += str->size() - read;
  str->resize(write);
}

std::string JoinString(const std::vector<std::string>& parts,
                       StringPiece separator) {
  return JoinStringImpl(parts, separator);
}

std::wstring JoinWideString(const std::vector<std::wstring>& parts,
                            StringPiece16 separator) {
  return JoinStringImpl(parts, separator);
}

wchar_t* WriteIntoWideString(std::wstring* str, size_t length_with_null) {
  // A length of 0 would resize to SIZE_MAX characters.
  CHECK_GE(length_with_null, 1u);
  str->reserve(length_with_null);
  str->resize(length_with_null - 1);
  return &(*str)[0];
}

int WideSnprintf(wchar_t* buffer, size_t buffer_size, size_t count,
                 const wchar_t* format, ...) {
  if (buffer_size == 0) return -1;  // Not even room for the terminator.
  // Bounding by the smaller limit and asking the runtime to truncate keeps
  // it from treating a too-small buffer as an invalid parameter, which would
  // end the process.
  size_t limit = count < buffer_size - 1 ? count : buffer_size - 1;
  va_list arguments;
  va_start(arguments, format);
  int result = _vsnwprintf_s(buffer, limit + 1, _TRUNCATE, format, arguments);
  va_end(arguments);
  return result < 0 ? -1 : result;
}

}  // namespace base
