#include "base/strings/string_piece.h"

#include <string.h>

#include <ostream>

#include "base/strings/sys_string_conversions.h"

namespace base {
namespace {

// A one-character set is compared directly; a longer narrow set goes into a
// table of 256 flags so each scanned byte costs one lookup.
class ByteSet {
 public:
  explicit ByteSet(StringPiece chars) {
    memset(member_, 0, sizeof(member_));
    for (char c : chars) member_[static_cast<unsigned char>(c)] = true;
  }
  bool Contains(char c) const { return member_[static_cast<unsigned char>(c)]; }

 private:
  bool member_[256];
};

// Wide sets are short in practice; a linear look-up is enough.
class WideSet {
 public:
  explicit WideSet(StringPiece16 chars) : chars_(chars) {}
  bool Contains(char16 c) const {
    for (char16 member : chars_) {
      if (member == c) return true;
    }
    return false;
  }

 private:
  StringPiece16 chars_;
};

template <typename Piece, typename Set>
size_t FindFirstNotOfImpl(Piece self, Piece chars, size_t pos) {
  if (self.empty()) return Piece::npos;
  if (chars.empty()) return pos < self.size() ? pos : Piece::npos;
  if (chars.size() == 1) {
    for (size_t i = pos; i < self.size(); ++i) {
      if (self[i] != chars[0]) return i;
    }
    return Piece::npos;
  }
  Set set(chars);
  for (size_t i = pos; i < self.size(); ++i) {
    if (!set.Contains(self[i])) return i;
  }
  return Piece::npos;
}

// Scans backwards from min(pos, size - 1) for a character whose membership
// in |chars| equals |want_member|.
template <typename Piece, typename Set>
size_t FindLastImpl(Piece self, Piece chars, size_t pos, bool want_member) {
  if (self.empty()) return Piece::npos;
  size_t i = pos < self.size() - 1 ? pos : self.size() - 1;
  if (chars.empty()) return want_member ? Piece::npos : i;
  if (chars.size() == 1) {
    for (;; --i) {
      if ((self[i] == chars[0]) == want_member) return i;
      if (i == 0) return Piece::npos;
    }
  }
  Set set(chars);
  for (;; --i) {
    if (set.Contains(self[i]) == want_member) return i;
    if (i == 0) return Piece::npos;
  }
}

template <typename Piece>
bool EqualsImpl(Piece a, Piece b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

template <>
bool BasicStringPiece<char>::Equals(BasicStringPiece other) const {
  return length_ == other.length_ &&
         (length_ == 0 || memcmp(ptr_, other.ptr_, length_) == 0);
}

template <>
size_t BasicStringPiece<char>::FindFirstNotOf(BasicStringPiece chars,
                                              size_t pos) const {
  return FindFirstNotOfImpl<StringPiece, ByteSet>(*this, chars, pos);
}

template <>
size_t BasicStringPiece<char>::FindLastOf(BasicStringPiece chars,
                                          size_t pos) const {
  return FindLastImpl<StringPiece, ByteSet>(*this, chars, pos, true);
}

template <>
size_t BasicStringPiece<char>::FindLastNotOf(BasicStringPiece chars,
                                             size_t pos) const {
  return FindLastImpl<StringPiece, ByteSet>(*this, chars, pos, false);
}

template <>
bool BasicStringPiece<char16>::Equals(BasicStringPiece other) const {
  return EqualsImpl<StringPiece16>(*this, other);
}

template <>
size_t BasicStringPiece<char16>::FindFirstNotOf(BasicStringPiece chars,
                                                size_t pos) const {
  return FindFirstNotOfImpl<StringPiece16, WideSet>(*this, chars, pos);
}

template <>
size_t BasicStringPiece<char16>::FindLastOf(BasicStringPiece chars,
                                            size_t pos) const {
  return FindLastImpl<StringPiece16, WideSet>(*this, chars, pos, true);
}

template <>
size_t BasicStringPiece<char16>::FindLastNotOf(BasicStringPiece chars,
                                               size_t pos) const {
  return FindLastImpl<StringPiece16, WideSet>(*this, chars, pos, false);
}

std::ostream& operator<<(std::ostream& out, StringPiece piece) {
  out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  return out;
}

std::ostream& operator<<(std::ostream& out, StringPiece16 piece) {
  return out << SysWideToUTF8(piece);
}

}  // namespace base
