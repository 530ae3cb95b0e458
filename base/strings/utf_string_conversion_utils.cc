#include "base/strings/utf_string_conversion_utils.h"

namespace base {

int32_t ReadUnicodeCharacterUTF8(const char* src, size_t* index, size_t src_len,
                                 unsigned char lead) {
  size_t position = *index + 1;
  if (lead < 0x80) {
    *index = position;
    return lead;
  }

  // The number of continuation bytes the lead byte announces, its payload
  // bits and the smallest value that needs this many bytes (anything below
  // is an overlong form).
  size_t trail_count = 0;
  uint32_t code_point = 0;
  uint32_t smallest = 0;
  bool well_formed_lead = true;
  if (lead < 0xC0) {
    well_formed_lead = false;  // A continuation byte cannot lead.
  } else if (lead < 0xE0) {
    trail_count = 1;
    code_point = lead & 0x1F;
    smallest = 0x80;
  } else if (lead < 0xF0) {
    trail_count = 2;
    code_point = lead & 0x0F;
    smallest = 0x800;
  } else if (lead < 0xF8) {
    trail_count = 3;
    code_point = lead & 0x07;
    smallest = 0x10000;
  } else if (lead < 0xFC) {
    trail_count = 4;  // The retired 5-byte form: skipped whole, never valid.
    well_formed_lead = false;
  } else if (lead < 0xFE) {
    trail_count = 5;  // The retired 6-byte form.
    well_formed_lead = false;
  } else {
    well_formed_lead = false;
  }

  bool complete = true;
  for (size_t i = 0; i < trail_count; ++i) {
    if (position >= src_len ||
        (static_cast<unsigned char>(src[position]) & 0xC0) != 0x80) {
      complete = false;
      break;
    }
    code_point =
        (code_point << 6) | (static_cast<unsigned char>(src[position]) & 0x3F);
    ++position;
  }
  *index = position;

  if (!well_formed_lead || !complete || code_point < smallest ||
      code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    return -1;
  }
  return static_cast<int32_t>(code_point);
}

size_t WriteUnicodeCharacterUTF8(uint32_t code_point, std::string* output) {
  if (code_point < 0x80) {
    output->push_back(static_cast<char>(code_point));
    return 1;
  }
  if (code_point < 0x800) {
    output->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    return 2;
  }
  if (code_point < 0x10000) {
    output->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    output->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
    return 3;
  }
  output->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
  output->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
  output->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
  output->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  return 4;
}

size_t WriteUnicodeCharacterUTF16(uint32_t code_point, std::wstring* output) {
  if (code_point < 0x10000) {
    output->push_back(static_cast<wchar_t>(code_point));
    return 1;
  }
  output->push_back(static_cast<wchar_t>((code_point >> 10) + 0xD7C0));
  output->push_back(static_cast<wchar_t>(0xDC00 | (code_point & 0x3FF)));
  return 2;
}

}  // namespace base
