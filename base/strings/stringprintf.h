// printf-style formatting into strings.
//
//   std::string line = StringPrintf("%s: %d", name.c_str(), count);
//   StringAppendF(&log, " (%lu)", error);
//
// The formatter is the C99 one (the runtime's ANSI stdio): %lld, %zu and
// friends work; in wide formats "%ls" is a wide string and "%s" a narrow
// one. Output longer than 32 MiB (33,554,431 characters) is refused and
// nothing is appended; a formatting error also appends nothing.
#ifndef BASE_STRINGS_STRINGPRINTF_H_
#define BASE_STRINGS_STRINGPRINTF_H_

#include <stdarg.h>
#include <stddef.h>

#include <string>

#define BASE_PRINTF_FORMAT(format_param, dots_param) \
  __attribute__((format(gnu_printf, format_param, dots_param)))

namespace base {

std::string StringPrintf(const char* format, ...) BASE_PRINTF_FORMAT(1, 2);
std::wstring WideStringPrintf(const wchar_t* format, ...);

// Clears |*dst|, formats into it and returns it.
const std::string& StringPrintfInto(std::string* dst, const char* format, ...)
    BASE_PRINTF_FORMAT(2, 3);

void StringAppendF(std::string* dst, const char* format, ...)
    BASE_PRINTF_FORMAT(2, 3);
void StringAppendF(std::wstring* dst, const wchar_t* format, ...);

void StringAppendV(std::string* dst, const char* format, va_list ap)
    BASE_PRINTF_FORMAT(2, 0);
void StringAppendV(std::wstring* dst, const wchar_t* format, va_list ap);

// Bounded printf into |buffer| of |size| chars: writes at most size - 1
// characters and a NUL (nothing when |size| is 0). Returns the length the
// whole output needs, which is |size| or more when it was cut, or -1 on a
// formatting error.
int Snprintf(char* buffer, size_t size, const char* format, ...)
    BASE_PRINTF_FORMAT(3, 4);

}  // namespace base

#endif  // BASE_STRINGS_STRINGPRINTF_H_
