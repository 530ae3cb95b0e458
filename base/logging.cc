#include "base/logging.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>

#include "base/command_line.h"
#include "base/strings/string_piece.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/vlog.h"
#include "base/win/windows_types.h"

namespace logging {

namespace {

const char kVerboseLevelSwitch[] = "v";
const char kVerboseModuleSwitch[] = "vmodule";
const wchar_t kLogFileName[] = L"debug.log";

const char* const kSeverityNames[LOG_NUM_SEVERITIES] = {"INFO", "WARNING",
                                                        "ERROR", "FATAL"};

// How much of a FATAL line is copied where a crash dump can see it.
const size_t kFatalMessageCopySize = 1024;

// Settings are written at start-up (InitLogging and the setters) and read by
// every log statement.
int g_min_log_level = LOG_INFO;
LoggingDestination g_logging_destination = LOG_DEFAULT;
bool g_log_process_id = false;
bool g_log_thread_id = false;
bool g_log_timestamp = true;
bool g_log_tickcount = false;
LogMessageHandlerFunction g_log_message_handler = nullptr;

// A replaced filter is never freed: another thread may still be reading it.
std::atomic<VlogInfo*> g_vlog_info{nullptr};

// The log file and its path are set up lazily by whichever thread logs
// first, so both are published with compare-and-swap. A replaced path is
// never freed for the same reason as the filter.
std::atomic<HANDLE> g_log_file{nullptr};
std::atomic<const std::wstring*> g_log_file_name{nullptr};

// The main executable's folder followed by "debug.log".
std::wstring GetDefaultLogFile() {
  wchar_t module_name[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, module_name, MAX_PATH);
  std::wstring path(module_name, length);
  const size_t last_backslash = path.rfind(L'\\');
  path.erase(last_backslash == std::wstring::npos ? 0 : last_backslash + 1);
  return path + kLogFileName;
}

// Makes |path| the log file path and returns what is in force afterwards.
// With |only_if_unset|, a path another thread set first wins.
const std::wstring* PublishLogFilePath(const std::wstring& path,
                                       bool only_if_unset) {
  const std::wstring* candidate = new std::wstring(path);
  if (!only_if_unset) {
    g_log_file_name.store(candidate, std::memory_order_release);
    return candidate;
  }
  const std::wstring* expected = nullptr;
  if (g_log_file_name.compare_exchange_strong(expected, candidate,
                                              std::memory_order_acq_rel)) {
    return candidate;
  }
  delete candidate;
  return expected;
}

HANDLE OpenForAppending(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Opens the log file unless it is open already. Succeeds without opening
// anything when file logging is off. A file that cannot be opened at its
// path is looked for as "debug.log" in the current folder.
bool InitializeLogFileHandle() {
  if (g_log_file.load(std::memory_order_acquire))
    return true;

  const std::wstring* path = g_log_file_name.load(std::memory_order_acquire);
  if (!path)
    path = PublishLogFilePath(GetDefaultLogFile(), true);

  if (!(g_logging_destination & LOG_TO_FILE))
    return true;

  HANDLE file = OpenForAppending(*path);
  if (file == INVALID_HANDLE_VALUE) {
    wchar_t folder[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH)
      return false;
    std::wstring fallback(folder, length);
    if (fallback.back() != L'\\')
      fallback += L'\\';
    fallback += kLogFileName;
    PublishLogFilePath(fallback, false);
    file = OpenForAppending(fallback);
    if (file == INVALID_HANDLE_VALUE)
      return false;
  }

  // Two threads may open the file at once; the first to publish keeps its
  // handle and the other closes its own.
  HANDLE expected = nullptr;
  if (!g_log_file.compare_exchange_strong(expected, file,
                                          std::memory_order_acq_rel)) {
    ::CloseHandle(file);
  }
  return true;
}

void CloseLogFile() {
  HANDLE file = g_log_file.exchange(nullptr, std::memory_order_acq_rel);
  if (file)
    ::CloseHandle(file);
}

void WriteToLogFile(const std::string& text) {
  if (!InitializeLogFileHandle())
    return;
  HANDLE file = g_log_file.load(std::memory_order_acquire);
  if (!file)
    return;
  // One appending write per line keeps lines whole without a lock. A failed
  // write has nowhere to be reported.
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

// Stops the process with the start of |text| in a local, so that a crash
// dump shows what went wrong.
[[noreturn]] void CrashWithMessage(const std::string& text) {
  char message[kFatalMessageCopySize] = {};
  memcpy(message, text.data(), std::min(text.size(), sizeof(message)));
  // Tells the compiler the copy is used, so it is not optimised away.
  __asm__ volatile("" : : "r"(message) : "memory");
  base::ImmediateCrash();
}

}  // namespace

LoggingSettings::LoggingSettings()
    : logging_dest(LOG_DEFAULT),
      log_file(nullptr),
      lock_log(LOCK_LOG_FILE),
      delete_old(APPEND_TO_OLD_LOG_FILE) {}

bool InitLogging(const LoggingSettings& settings) {
  const base::CommandLine* command_line =
      base::CommandLine::ForCurrentProcess();
  if (command_line && (command_line->HasSwitch(kVerboseLevelSwitch) ||
                       command_line->HasSwitch(kVerboseModuleSwitch))) {
    g_vlog_info.store(
        new VlogInfo(command_line->GetSwitchValueASCII(kVerboseLevelSwitch),
                     command_line->GetSwitchValueASCII(kVerboseModuleSwitch),
                     &g_min_log_level),
        std::memory_order_release);
  }

  g_logging_destination = settings.logging_dest;
  if (!(g_logging_destination & LOG_TO_FILE))
    return true;

  CloseLogFile();
  const std::wstring* path = PublishLogFilePath(
      settings.log_file ? std::wstring(settings.log_file) : GetDefaultLogFile(),
      false);
  if (settings.delete_old == DELETE_OLD_LOG_FILE)
    ::DeleteFileW(path->c_str());
  return InitializeLogFileHandle();
}

void SetMinLogLevel(int level) {
  g_min_log_level = std::min(LOG_FATAL, level);
}

void SetLogItems(bool enable_process_id, bool enable_thread_id,
                 bool enable_timestamp, bool enable_tickcount) {
  g_log_process_id = enable_process_id;
  g_log_thread_id = enable_thread_id;
  g_log_timestamp = enable_timestamp;
  g_log_tickcount = enable_tickcount;
}

void SetLogMessageHandler(LogMessageHandlerFunction handler) {
  g_log_message_handler = handler;
}

void ResetLoggingForTesting() {
  CloseLogFile();
  delete g_log_file_name.exchange(nullptr);
  g_min_log_level = LOG_INFO;
  g_logging_destination = LOG_DEFAULT;
  SetLogItems(false, false, true, false);
  g_log_message_handler = nullptr;
  g_vlog_info.store(nullptr);
}

void CloseLogFileForTesting() {
  CloseLogFile();
}

bool ShouldCreateLogMessage(int severity) {
  if (severity < g_min_log_level)
    return false;
  // Errors reach standard error even with no destination.
  return g_logging_destination != LOG_NONE || g_log_message_handler ||
         severity >= LOG_ERROR;
}

int GetVlogLevelHelper(const char* file, size_t N) {
  const VlogInfo* vlog_info = g_vlog_info.load(std::memory_order_acquire);
  if (vlog_info) {
    const size_t length = N > 0 ? N - 1 : strlen(file);
    return vlog_info->GetVlogLevel(base::StringPiece(file, length));
  }
  return std::max(-1, -g_min_log_level);
}

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
  stream_ << "\n";
  const std::string text = stream_.str();

  const LogMessageHandlerFunction handler = g_log_message_handler;
  const bool taken =
      handler && handler(severity_, file_, line_, message_start_, text);
  if (!taken) {
    if (g_logging_destination & LOG_TO_SYSTEM_DEBUG_LOG)
      ::OutputDebugStringA(text.c_str());
    if ((g_logging_destination & LOG_TO_SYSTEM_DEBUG_LOG) ||
        severity_ >= LOG_ERROR) {
      fwrite(text.data(), 1, text.size(), stderr);
      fflush(stderr);
    }
    if (g_logging_destination & LOG_TO_FILE)
      WriteToLogFile(text);
  }

  // A handler may divert the line, but never the stop: going on past a
  // broken invariant would act on corrupt state.
  if (severity_ == LOG_FATAL)
    CrashWithMessage(text);

  ::SetLastError(last_error_);
}

void LogMessage::Init(const char* file, int line) {
  base::StringPiece base_name(file);
  const size_t last_separator = base_name.find_last_of("\\/");
  if (last_separator != base::StringPiece::npos)
    base_name.remove_prefix(last_separator + 1);

  // Fixed-width items are formatted apart from the stream, so no fill or
  // width state is left behind for the message.
  stream_ << '[';
  if (g_log_process_id)
    stream_ << ::GetCurrentProcessId() << ':';
  if (g_log_thread_id)
    stream_ << ::GetCurrentThreadId() << ':';
  if (g_log_timestamp) {
    SYSTEMTIME local_time;
    ::GetLocalTime(&local_time);
    char time_text[32];
    snprintf(time_text, sizeof(time_text), "%02u%02u/%02u%02u%02u.%03u:",
             local_time.wMonth, local_time.wDay, local_time.wHour,
             local_time.wMinute, local_time.wSecond,
             local_time.wMilliseconds);
    stream_ << time_text;
  }
  if (g_log_tickcount)
    stream_ << ::GetTickCount() << ':';
  if (severity_ >= 0 && severity_ < LOG_NUM_SEVERITIES)
    stream_ << kSeverityNames[severity_];
  else if (severity_ >= 0)
    stream_ << "UNKNOWN";
  else
    stream_ << "VERBOSE" << -static_cast<long long>(severity_);
  stream_ << ':' << base_name << '(' << line << ")] ";
  message_start_ = stream_.str().size();
}

SystemErrorCode GetLastSystemErrorCode() {
  return ::GetLastError();
}

namespace {

// The system's text for |code| on one line; false when it has none.
bool SystemMessage(DWORD code, std::string* text) {
  char message[256];
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, message, sizeof(message), nullptr);
  if (!length) return false;
  *text = base::CollapseWhitespaceASCII(base::StringPiece(message, length));
  return true;
}

}  // namespace

std::string SystemErrorCodeToString(SystemErrorCode error_code) {
  std::string message;
  if (SystemMessage(error_code, &message))
    return message + base::StringPrintf(" (0x%lX)", error_code);
  const DWORD format_error = ::GetLastError();
  return base::StringPrintf("Error (0x%lX) while retrieving error. (0x%lX)",
                            format_error, error_code);
}

std::string HResultToString(long hresult) {
  std::string text =
      base::StringPrintf("0x%08lX", static_cast<unsigned long>(hresult));
  std::string message;
  if (SystemMessage(static_cast<DWORD>(hresult), &message))
    text += " (" + message + ")";
  return text;
}

Win32ErrorLogMessage::Win32ErrorLogMessage(const char* file, int line,
                                           LogSeverity severity,
                                           SystemErrorCode err)
    : LogMessage(file, line, severity), err_(err) {}

Win32ErrorLogMessage::~Win32ErrorLogMessage() {
  stream() << ": " << SystemErrorCodeToString(err_);
}

void WriteWideStringToStream(std::ostream& out, const wchar_t* wide) {
  if (!wide)
    return;
  out << base::WideToUTF8(base::StringPiece16(wide));
}

}  // namespace logging

std::ostream& operator<<(std::ostream& out, const wchar_t* wstr) {
  logging::WriteWideStringToStream(out, wstr);
  return out;
}

std::ostream& operator<<(std::ostream& out, const std::wstring& wstr) {
  // Streams the whole string, embedded NULs included.
  return out << base::WideToUTF8(base::StringPiece16(wstr));
}
