#include "base/json/string_escape.h"

#include <emmintrin.h>
#include <stddef.h>
#include <string.h>

#include "base/json/json_output.h"
#include "base/json/json_utf8.h"
#include "base/logging.h"

namespace base {

namespace {

// The text that replaces each ASCII byte: empty for bytes written as they
// are, else the escape (as EscapeSpecialCodePoint writes it).
struct AsciiEscapes {
  char text[128][7];
  constexpr AsciiEscapes() : text() {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    for (int c = 0; c < 0x20; ++c) {
      const char escape[] = {'\\', 'u', '0', '0', kHexDigits[c >> 4],
                             kHexDigits[c & 0xF], 0};
      for (int i = 0; i < 7; ++i)
        text[c][i] = escape[i];
    }
    SetShort('"', '"');
    SetShort('\\', '\\');
    SetShort('\b', 'b');
    SetShort('\t', 't');
    SetShort('\n', 'n');
    SetShort('\f', 'f');
    SetShort('\r', 'r');
    // Keeps "</script>" out of JSON embedded in a page.
    const char less_than[] = "\\u003C";
    for (int i = 0; i < 7; ++i)
      text['<'][i] = less_than[i];
  }
  constexpr void SetShort(int c, char letter) {
    text[c][0] = '\\';
    text[c][1] = letter;
    for (int i = 2; i < 7; ++i)
      text[c][i] = 0;
  }
};
constexpr AsciiEscapes kAsciiEscapes;

// Writes the escape of the ASCII byte |c| at |out| (room for 6 bytes) and
// returns the end; |c| itself when it needs none.
inline char* WriteAscii(unsigned char c, char* out) {
  const char* escape = kAsciiEscapes.text[c];
  if (!escape[0]) {
    *out = static_cast<char>(c);
    return out + 1;
  }
  // Every escape is 2 or 6 bytes; copying 6 is harmless in the room.
  memcpy(out, escape, 6);
  return out + (escape[2] ? 6 : 2);
}

// Flags, in a 16-bit mask, the bytes of |bytes| that cannot be copied as
// they are: below 0x20, 0x80 or more, '"', '\\' and '<'.
inline int SpecialBytes(__m128i bytes) {
  // A signed comparison: bytes of 0x80 or more are negative, so they are
  // caught together with the control characters.
  __m128i special = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20));
  special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')));
  special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')));
  special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')));
  return _mm_movemask_epi8(special);
}

}  // namespace

namespace internal {

bool EscapeJSONStringTo(StringPiece text, JsonOutput* output) {
  CHECK_LT(text.size(), size_t{0x80000000u});
  bool replaced = false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = p + text.size();
  // A step writes at most 21 bytes: up to 15 plain bytes kept from a
  // sixteen-byte copy, then one escape of 6.
  constexpr size_t kStepRoom = 32;
  char* out = output->Reserve(kStepRoom);
  *out++ = '"';
  while (p < end) {
    output->SetCursor(out);
    out = output->Reserve(kStepRoom);
    if (end - p >= 16) {
      // Copies sixteen bytes blindly, then keeps those before the first one
      // that needs care.
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
      int mask = SpecialBytes(bytes);
      if (!mask) {
        p += 16;
        out += 16;
        continue;
      }
      int plain = __builtin_ctz(static_cast<unsigned>(mask));
      p += plain;
      out += plain;
    }
    unsigned char lead = *p;
    if (lead < 0x80) {
      out = WriteAscii(lead, out);
      ++p;
      continue;
    }
    size_t length = json_utf8::ValidMultiByteLength(p, end);
    if (length == 3 && lead == 0xE2 && p[1] == 0x80 &&
        (p[2] == 0xA8 || p[2] == 0xA9)) {
      // U+2028 and U+2029 end a line in script code.
      memcpy(out, p[2] == 0xA8 ? "\\u2028" : "\\u2029", 6);
      out += 6;
      p += 3;
      continue;
    }
    if (length) {
      memcpy(out, p, length);
      out += length;
      p += length;
      continue;
    }
    // The reader refuses these, so one of them would make the whole
    // document unreadable later.
    int32_t code_point;
    p += json_utf8::DecodeSequence(p, end, &code_point);
    memcpy(out, "\xEF\xBF\xBD", 3);  // U+FFFD
    out += 3;
    replaced = true;
  }
  output->SetCursor(out);
  out = output->Reserve(1);
  *out++ = '"';
  output->SetCursor(out);
  return !replaced;
}

}  // namespace internal

bool EscapeSpecialCodePoint(uint32_t code_point, std::string* out) {
  switch (code_point) {
    case '"':
      out->append("\\\"", 2);
      return true;
    case '\\':
      out->append("\\\\", 2);
      return true;
    case '\b':
      out->append("\\b", 2);
      return true;
    case '\t':
      out->append("\\t", 2);
      return true;
    case '\n':
      out->append("\\n", 2);
      return true;
    case '\f':
      out->append("\\f", 2);
      return true;
    case '\r':
      out->append("\\r", 2);
      return true;
    case '<':
      // Keeps "</script>" out of JSON embedded in a page.
      out->append("\\u003C", 6);
      return true;
    case 0x2028:
      out->append("\\u2028", 6);
      return true;
    case 0x2029:
      out->append("\\u2029", 6);
      return true;
    default:
      break;
  }
  if (code_point < 0x20) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    char escape[6] = {'\\', 'u', '0', '0', kHexDigits[code_point >> 4],
                      kHexDigits[code_point & 0xF]};
    out->append(escape, 6);
    return true;
  }
  return false;
}

bool EscapeJSONString(StringPiece text, std::string* out) {
  // Room for the quotes and a text without escapes.
  internal::JsonOutput output(out, text.size() + 18);
  return internal::EscapeJSONStringTo(text, &output);
}

}  // namespace base
