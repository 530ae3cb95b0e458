// Interim implementation: lines go to stderr with a minimal prefix. The full
// logging facility replaces this file.
#include "base/logging.h"

#include <cstdio>

#include "base/win/windows_types.h"

namespace logging {

bool ShouldCreateLogMessage(int severity) { return severity >= 0; }

int GetVlogLevelHelper(const char*, size_t) { return 0; }

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : severity_(severity), file_(file), line_(line),
      last_error_(::GetLastError()) {
  Init(file, line);
}

LogMessage::LogMessage(const char* file, int line, const char* condition)
    : severity_(LOG_FATAL), file_(file), line_(line),
      last_error_(::GetLastError()) {
  Init(file, line);
  stream_ << "Check failed: " << condition << ". ";
}

LogMessage::~LogMessage() {
  Flush();
  if (severity_ == LOG_FATAL) base::ImmediateCrash();
  ::SetLastError(last_error_);
}

void LogMessage::Init(const char* file, int line) {
  stream_ << "[" << severity_ << ":" << file << "(" << line << ")] ";
  message_start_ = stream_.tellp();
}

void LogMessage::Flush() {
  stream_ << "\n";
  std::string text = stream_.str();
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
}

SystemErrorCode GetLastSystemErrorCode() { return ::GetLastError(); }

std::string SystemErrorCodeToString(SystemErrorCode error_code) {
  char buffer[32];
  snprintf(buffer, sizeof(buffer), " (0x%lX)", error_code);
  return buffer;
}

Win32ErrorLogMessage::Win32ErrorLogMessage(const char* file, int line,
                                           LogSeverity severity,
                                           SystemErrorCode err)
    : LogMessage(file, line, severity), err_(err) {}

Win32ErrorLogMessage::~Win32ErrorLogMessage() {
  stream() << ": " << SystemErrorCodeToString(err_);
}

void WriteWideStringToStream(std::ostream& out, const wchar_t* wide) {
  if (!wide) return;
  int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr,
                                   nullptr);
  if (size <= 1) return;
  std::string utf8(size - 1, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], size, nullptr, nullptr);
  out << utf8;
}

}  // namespace logging

std::ostream& operator<<(std::ostream& out, const wchar_t* wstr) {
  logging::WriteWideStringToStream(out, wstr);
  return out;
}

std::ostream& operator<<(std::ostream& out, const std::wstring& wstr) {
  return out << wstr.c_str();
}
