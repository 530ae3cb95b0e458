#include "base/strings/utf_string_conversions.h"

#include <stdint.h>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversion_utils.h"

namespace base {

namespace {

bool IsUnitASCII(wchar_t unit) { return static_cast<uint16_t>(unit) < 0x80; }

bool IsByteASCII(char byte) { return static_cast<unsigned char>(byte) < 0x80; }

// The UTF-8 to UTF-16 worker behind both UTF8ToWide forms.
bool UTF8ToWideImpl(const char* src, size_t src_len, std::wstring* output) {
  output->clear();
  if (IsStringASCII(StringPiece(src, src_len))) {
    output->assign(src, src + src_len);
    return true;
  }

  // Text that starts non-ASCII is likely mostly multi-byte: at least two
  // bytes per unit.
  output->reserve(IsByteASCII(src[0]) ? src_len : src_len / 2);
  bool all_valid = true;
  size_t index = 0;
  while (index < src_len) {
    unsigned char lead = static_cast<unsigned char>(src[index]);
    if (lead < 0x80) {
      output->push_back(static_cast<wchar_t>(lead));
      ++index;
      continue;
    }
    int32_t code_point = -1;
    if (lead < 0xC0 || lead >= 0xFE) {
      ++index;  // Can never start a sequence.
    } else {
      code_point = ReadUnicodeCharacterUTF8(src, &index, src_len, lead);
    }
    if (code_point < 0 ||
        !IsValidCodePoint(static_cast<uint32_t>(code_point))) {
      output->push_back(static_cast<wchar_t>(kUnicodeReplacementCharacter));
      all_valid = false;
    } else {
      WriteUnicodeCharacterUTF16(static_cast<uint32_t>(code_point), output);
    }
  }
  return all_valid;
}

}  // namespace

bool WideToUTF8(const wchar_t* src, size_t src_len, std::string* output) {
  output->clear();
  if (IsWideStringASCII(StringPiece16(src, src_len))) {
    output->reserve(src_len);
    for (size_t i = 0; i < src_len; ++i)
      output->push_back(static_cast<char>(src[i]));
    return true;
  }

  // Text that starts non-ASCII is likely mostly so: up to three bytes a unit.
  output->reserve(IsUnitASCII(src[0]) ? src_len : src_len * 3);
  bool all_valid = true;
  for (size_t i = 0; i < src_len; ++i) {
    uint32_t unit = static_cast<uint16_t>(src[i]);
    if (unit < 0xD800 || unit > 0xDFFF) {
      WriteUnicodeCharacterUTF8(unit, output);
      continue;
    }
    if (unit <= 0xDBFF && i + 1 < src_len) {
      uint32_t trail = static_cast<uint16_t>(src[i + 1]);
      if (trail >= 0xDC00 && trail <= 0xDFFF) {
        WriteUnicodeCharacterUTF8(
            0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00), output);
        ++i;
        continue;
      }
    }
    WriteUnicodeCharacterUTF8(kUnicodeReplacementCharacter, output);
    all_valid = false;
  }
  return all_valid;
}

std::string WideToUTF8(StringPiece16 wide) {
  std::string output;
  WideToUTF8(wide.data(), wide.size(), &output);
  return output;
}

std::string WideStringToUTF8(const std::wstring& wide) {
  std::string output;
  WideToUTF8(wide.data(), wide.size(), &output);
  return output;
}

bool UTF8ToWide(const char* src, size_t src_len, std::wstring* output) {
  return UTF8ToWideImpl(src, src_len, output);
}

std::wstring UTF8ToWide(StringPiece utf8) {
  std::wstring output;
  UTF8ToWideImpl(utf8.data(), utf8.size(), &output);
  return output;
}

std::wstring ASCIIToWide(StringPiece ascii) {
  DCHECK(IsStringASCII(ascii));
  return std::wstring(ascii.data(), ascii.data() + ascii.size());
}

std::string WideToASCII(StringPiece16 wide) {
  DCHECK(IsWideStringASCII(wide));
  std::string output;
  output.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i)
    output.push_back(static_cast<char>(wide.data()[i]));
  return output;
}

}  // namespace base
