#include "base/strings/stringprintf.h"

#include <stdio.h>
#include <wchar.h>

#include <vector>

namespace base {
namespace {

// Output needing a buffer above this many characters (its NUL included) is
// refused rather than allocated.
constexpr size_t kMaxBufferSize = 32 * 1024 * 1024;

// Both formatters write at most size - 1 characters and a NUL and return the
// full length of the output, or a negative value on a formatting error.
int FormatInto(char* buffer, size_t size, const char* format, va_list ap) {
  return vsnprintf(buffer, size, format, ap);
}

int FormatInto(wchar_t* buffer, size_t size, const wchar_t* format,
               va_list ap) {
  return vswprintf(buffer, size, format, ap);
}

template <typename StringType>
void AppendFormatted(StringType* dst,
                     const typename StringType::value_type* format,
                     va_list ap) {
  typedef typename StringType::value_type Char;

  // Most output fits a stack buffer, costing a single formatting pass.
  Char stack_buffer[1024];
  va_list ap_copy;
  va_copy(ap_copy, ap);
  int result = FormatInto(stack_buffer, 1024, format, ap_copy);
  va_end(ap_copy);
  if (result < 0) {
    va_copy(ap_copy, ap);
    result = FormatInto(nullptr, 0, format, ap_copy);
    va_end(ap_copy);
    if (result < 0) return;
  }
  if (result < 1024) {
    dst->append(stack_buffer, static_cast<size_t>(result));
    return;
  }

  // The length can change between passes only through arguments that
  // change meanwhile; keep asking until it fits.
  for (;;) {
    const size_t size = static_cast<size_t>(result) + 1;
    if (size > kMaxBufferSize) return;
    std::vector<Char> heap_buffer(size);
    va_copy(ap_copy, ap);
    result = FormatInto(heap_buffer.data(), size, format, ap_copy);
    va_end(ap_copy);
    if (result < 0) return;
    if (static_cast<size_t>(result) < size) {
      dst->append(heap_buffer.data(), static_cast<size_t>(result));
      return;
    }
  }
}

}  // namespace

std::string StringPrintf(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string result;
  StringAppendV(&result, format, ap);
  va_end(ap);
  return result;
}

std::wstring WideStringPrintf(const wchar_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::wstring result;
  StringAppendV(&result, format, ap);
  va_end(ap);
  return result;
}

const std::string& StringPrintfInto(std::string* dst, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  dst->clear();
  StringAppendV(dst, format, ap);
  va_end(ap);
  return *dst;
}

void StringAppendF(std::string* dst, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  StringAppendV(dst, format, ap);
  va_end(ap);
}

void StringAppendF(std::wstring* dst, const wchar_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  StringAppendV(dst, format, ap);
  va_end(ap);
}

void StringAppendV(std::string* dst, const char* format, va_list ap) {
  AppendFormatted(dst, format, ap);
}

void StringAppendV(std::wstring* dst, const wchar_t* format, va_list ap) {
  AppendFormatted(dst, format, ap);
}

int Snprintf(char* buffer, size_t size, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  const int result = vsnprintf(buffer, size, format, ap);
  va_end(ap);
  return result < 0 ? -1 : result;
}

}  // namespace base
