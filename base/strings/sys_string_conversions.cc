#include "base/strings/sys_string_conversions.h"

#include <limits.h>

#include "base/win/windows_types.h"

namespace base {

std::string SysWideToUTF8(StringPiece16 wide) {
  // The system functions take an int length; longer text is not text we
  // convert.
  if (wide.empty() || wide.size() > INT_MAX) return std::string();
  const int wide_length = static_cast<int>(wide.size());
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length,
                                           nullptr, 0, nullptr, nullptr);
  if (length == 0) return std::string();
  std::string result(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, &result[0],
                        length, nullptr, nullptr);
  return result;
}

std::wstring SysUTF8ToWide(StringPiece utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return std::wstring();
  const int utf8_length = static_cast<int>(utf8.size());
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), utf8_length, nullptr, 0);
  if (length == 0) return std::wstring();
  std::wstring result(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), utf8_length, &result[0],
                        length);
  return result;
}

}  // namespace base
