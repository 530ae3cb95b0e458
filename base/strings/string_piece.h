// Read-only views of text: a pointer and a length, owning nothing.
//
// Functions that only read text take a StringPiece (narrow, UTF-8 or ASCII)
// or a StringPiece16 (UTF-16) by value, so callers can pass a literal, a
// std::string or a slice of either without copying. The viewed characters
// must outlive the piece; a piece is not NUL-terminated in general.
//
//   bool IsSwitch(StringPiece arg) { return !arg.empty() && arg[0] == '-'; }
//   IsSwitch("--verbose");
//   IsSwitch(command_line_string);
//
// The interface follows std::basic_string_view, to which a piece converts,
// plus the searches Equals, FindFirstNotOf, FindLastOf, FindLastNotOf and
// Substr.
#ifndef BASE_STRINGS_STRING_PIECE_H_
#define BASE_STRINGS_STRING_PIECE_H_

#include <stddef.h>

#include <iosfwd>
#include <string>
#include <string_view>

#include "base/strings/string16.h"
#include "base/wide_ostream.h"

namespace base {

template <typename CharT>
class BasicStringPiece {
 public:
  typedef CharT value_type;
  typedef const CharT* const_iterator;
  typedef const CharT* iterator;
  typedef std::basic_string<CharT> string_type;
  typedef size_t size_type;

  static constexpr size_t npos = static_cast<size_t>(-1);

  constexpr BasicStringPiece() : ptr_(nullptr), length_(0) {}
  // |str| is NUL-terminated; a null pointer gives the empty piece.
  BasicStringPiece(const CharT* str)  // NOLINT(runtime/explicit)
      : ptr_(str), length_(str ? std::char_traits<CharT>::length(str) : 0) {}
  BasicStringPiece(const string_type& str)  // NOLINT(runtime/explicit)
      : ptr_(str.data()), length_(str.size()) {}
  constexpr BasicStringPiece(const CharT* ptr, size_t length)
      : ptr_(ptr), length_(length) {}
  constexpr BasicStringPiece(std::basic_string_view<CharT> view)  // NOLINT
      : ptr_(view.data()), length_(view.size()) {}

  constexpr const CharT* data() const { return ptr_; }
  constexpr size_t size() const { return length_; }
  constexpr size_t length() const { return length_; }
  constexpr bool empty() const { return length_ == 0; }

  void clear() {
    ptr_ = nullptr;
    length_ = 0;
  }
  void set(const CharT* data, size_t length) {
    ptr_ = data;
    length_ = length;
  }

  constexpr CharT operator[](size_t i) const { return ptr_[i]; }
  CharT front() const { return ptr_[0]; }
  CharT back() const { return ptr_[length_ - 1]; }

  const_iterator begin() const { return ptr_; }
  const_iterator end() const { return ptr_ + length_; }

  void remove_prefix(size_t n) {
    ptr_ += n;
    length_ -= n;
  }
  void remove_suffix(size_t n) { length_ -= n; }

  string_type as_string() const {
    return empty() ? string_type() : string_type(ptr_, length_);
  }
  void CopyToString(string_type* target) const {
    target->assign(ptr_, length_);
  }
  void AppendToString(string_type* target) const {
    target->append(ptr_, length_);
  }

  constexpr operator std::basic_string_view<CharT>() const {
    return std::basic_string_view<CharT>(ptr_, length_);
  }

  // <0, 0 or >0 as in std::basic_string::compare.
  int compare(BasicStringPiece other) const {
    return view().compare(other.view());
  }
  bool starts_with(BasicStringPiece prefix) const {
    return length_ >= prefix.length_ &&
           view().substr(0, prefix.length_) == prefix.view();
  }
  bool ends_with(BasicStringPiece suffix) const {
    return length_ >= suffix.length_ &&
           view().substr(length_ - suffix.length_) == suffix.view();
  }

  size_t find(BasicStringPiece s, size_t pos = 0) const {
    return view().find(s.view(), pos);
  }
  size_t find(CharT c, size_t pos = 0) const { return view().find(c, pos); }
  size_t rfind(BasicStringPiece s, size_t pos = npos) const {
    return view().rfind(s.view(), pos);
  }
  size_t rfind(CharT c, size_t pos = npos) const {
    return view().rfind(c, pos);
  }
  size_t find_first_of(BasicStringPiece s, size_t pos = 0) const {
    return view().find_first_of(s.view(), pos);
  }
  size_t find_first_of(CharT c, size_t pos = 0) const {
    return view().find(c, pos);
  }
  size_t find_first_not_of(BasicStringPiece s, size_t pos = 0) const {
    return view().find_first_not_of(s.view(), pos);
  }
  size_t find_last_of(BasicStringPiece s, size_t pos = npos) const {
    return view().find_last_of(s.view(), pos);
  }
  size_t find_last_not_of(BasicStringPiece s, size_t pos = npos) const {
    return view().find_last_not_of(s.view(), pos);
  }
  // Clamps |pos| to the length and |n| to what remains after it.
  BasicStringPiece substr(size_t pos, size_t n = npos) const {
    return Substr(pos, n);
  }

  // The searches of the string utilities. An empty piece finds nothing
  // (npos). An empty |chars| finds no member, and every position is a
  // non-member.
  bool Equals(BasicStringPiece other) const;
  // First position at or after |pos| whose character is not in |chars|.
  size_t FindFirstNotOf(BasicStringPiece chars, size_t pos = 0) const;
  // Last position at or before |pos| whose character is in |chars|.
  size_t FindLastOf(BasicStringPiece chars, size_t pos = npos) const;
  // Last position at or before |pos| whose character is not in |chars|.
  size_t FindLastNotOf(BasicStringPiece chars, size_t pos = npos) const;
  BasicStringPiece Substr(size_t pos, size_t n = npos) const {
    if (pos > length_) pos = length_;
    if (n > length_ - pos) n = length_ - pos;
    return BasicStringPiece(ptr_ + pos, n);
  }

 private:
  std::basic_string_view<CharT> view() const {
    return std::basic_string_view<CharT>(ptr_, length_);
  }

  const CharT* ptr_;
  size_t length_;
};

template <typename CharT>
constexpr size_t BasicStringPiece<CharT>::npos;

typedef BasicStringPiece<char> StringPiece;
typedef BasicStringPiece<char16> StringPiece16;

// Defined in string_piece.cc for both character types.
template <>
bool BasicStringPiece<char>::Equals(BasicStringPiece other) const;
template <>
size_t BasicStringPiece<char>::FindFirstNotOf(BasicStringPiece chars,
                                              size_t pos) const;
template <>
size_t BasicStringPiece<char>::FindLastOf(BasicStringPiece chars,
                                          size_t pos) const;
template <>
size_t BasicStringPiece<char>::FindLastNotOf(BasicStringPiece chars,
                                             size_t pos) const;
template <>
bool BasicStringPiece<char16>::Equals(BasicStringPiece other) const;
template <>
size_t BasicStringPiece<char16>::FindFirstNotOf(BasicStringPiece chars,
                                                size_t pos) const;
template <>
size_t BasicStringPiece<char16>::FindLastOf(BasicStringPiece chars,
                                            size_t pos) const;
template <>
size_t BasicStringPiece<char16>::FindLastNotOf(BasicStringPiece chars,
                                               size_t pos) const;

template <typename CharT>
bool operator==(BasicStringPiece<CharT> a, BasicStringPiece<CharT> b) {
  return a.Equals(b);
}
template <typename CharT>
bool operator!=(BasicStringPiece<CharT> a, BasicStringPiece<CharT> b) {
  return !a.Equals(b);
}
template <typename CharT>
bool operator<(BasicStringPiece<CharT> a, BasicStringPiece<CharT> b) {
  return a.compare(b) < 0;
}
template <typename CharT>
bool operator>(BasicStringPiece<CharT> a, BasicStringPiece<CharT> b) {
  return a.compare(b) > 0;
}
template <typename CharT>
bool operator<=(BasicStringPiece<CharT> a, BasicStringPiece<CharT> b) {
  return a.compare(b) <= 0;
}
template <typename CharT>
bool operator>=(BasicStringPiece<CharT> a, BasicStringPiece<CharT> b) {
  return a.compare(b) >= 0;
}

// Comparisons with literals and strings, which would otherwise need an
// explicit piece on one side (template deduction does not convert).
#define BASE_STRING_PIECE_COMPARE_WITH(Piece, Other)                    \
  inline bool operator==(Piece a, Other b) { return a == Piece(b); }    \
  inline bool operator==(Other a, Piece b) { return Piece(a) == b; }    \
  inline bool operator!=(Piece a, Other b) { return !(a == Piece(b)); } \
  inline bool operator!=(Other a, Piece b) { return !(Piece(a) == b); }
BASE_STRING_PIECE_COMPARE_WITH(StringPiece, const char*)
BASE_STRING_PIECE_COMPARE_WITH(StringPiece, const std::string&)
BASE_STRING_PIECE_COMPARE_WITH(StringPiece16, const char16*)
BASE_STRING_PIECE_COMPARE_WITH(StringPiece16, const string16&)
#undef BASE_STRING_PIECE_COMPARE_WITH

std::ostream& operator<<(std::ostream& out, StringPiece piece);
// Wide text is written as UTF-8. (Wide pointers and strings have their own
// operators in base/logging.h.)
std::ostream& operator<<(std::ostream& out, StringPiece16 piece);

}  // namespace base

#endif  // BASE_STRINGS_STRING_PIECE_H_
