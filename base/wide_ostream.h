// Wide strings stream into narrow streams (log lines, test messages) as
// UTF-8 instead of printing as addresses.
//
// Any operator<< declared in namespace base hides the global ones for code
// inside it, so every header that declares one includes this header, which
// brings the wide operators into namespace base as well.
#ifndef BASE_WIDE_OSTREAM_H_
#define BASE_WIDE_OSTREAM_H_

#include <iosfwd>
#include <string>

std::ostream& operator<<(std::ostream& out, const wchar_t* wstr);
std::ostream& operator<<(std::ostream& out, const std::wstring& wstr);

namespace base {
using ::operator<<;
}  // namespace base

#endif  // BASE_WIDE_OSTREAM_H_
