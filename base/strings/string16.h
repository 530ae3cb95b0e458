// UTF-16 text. wchar_t is 16 bits on Windows, so the wide standard string is
// the UTF-16 string and Win32 calls take its buffer directly.
#ifndef BASE_STRINGS_STRING16_H_
#define BASE_STRINGS_STRING16_H_

#include <string>

namespace base {

typedef wchar_t char16;
typedef std::wstring string16;

}  // namespace base

#endif  // BASE_STRINGS_STRING16_H_
