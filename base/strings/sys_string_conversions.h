// UTF-8 <-> UTF-16 through the system's code page functions (code page
// 65001). Invalid input gives an empty result rather than partial text; use
// the conversions of utf_string_conversions.h where invalid sequences should
// become U+FFFD instead.
#ifndef BASE_STRINGS_SYS_STRING_CONVERSIONS_H_
#define BASE_STRINGS_SYS_STRING_CONVERSIONS_H_

#include <string>

#include "base/strings/string16.h"
#include "base/strings/string_piece.h"

namespace base {

std::string SysWideToUTF8(StringPiece16 wide);
std::wstring SysUTF8ToWide(StringPiece utf8);

}  // namespace base

#endif  // BASE_STRINGS_SYS_STRING_CONVERSIONS_H_
