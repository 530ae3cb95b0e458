// Log statements and invariant checks.
//
//   LOG(ERROR) << "Failed to open " << path;
//   VLOG(1) << "Retrying";
//   PLOG(ERROR) << "CreateFileW";       // appends GetLastError() as text
//   CHECK(handle) << "no handle";       // stops the process when false
//   CHECK_EQ(1, count);
//
// Each statement writes one line:
//   [MMDD/HHMMSS.mmm:SEVERITY:file.cc(42)] message
// to the destinations chosen by InitLogging(): by default the file
// "debug.log" beside the main executable. ERROR and FATAL lines also go to
// standard error. SetLogItems() adds the process id, thread id and tick
// count to the prefix. Logging works before InitLogging(), with the defaults.
//
// LOG(FATAL) and a failed CHECK stop the process after the line is written.
// DCHECK variants are checked while DCHECK_IS_ON() (every build without
// NDEBUG, this project's included); otherwise their condition is not
// evaluated.
//
// Verbose statements (VLOG) are filtered per source file by the "v" and
// "vmodule" switches (see base/vlog.h).
//
// Every macro here expands to one complete statement, safe as the body of an
// "if" that has an "else", without braces.
#ifndef BASE_LOGGING_H_
#define BASE_LOGGING_H_

#include <memory>
#include <sstream>
#include <string>

#include "base/immediate_crash.h"
#include "base/wide_ostream.h"

namespace logging {

typedef int LogSeverity;
const LogSeverity LOG_VERBOSE = -1;
const LogSeverity LOG_INFO = 0;
const LogSeverity LOG_WARNING = 1;
const LogSeverity LOG_ERROR = 2;
const LogSeverity LOG_FATAL = 3;
const LogSeverity LOG_NUM_SEVERITIES = 4;
// <wingdi.h> defines ERROR as 0, which turns LOG(ERROR) into LOG_0 wherever
// <windows.h> came in first.
const LogSeverity LOG_0 = LOG_ERROR;

// Where lines go: a set of bits.
typedef unsigned int LoggingDestination;
const LoggingDestination LOG_NONE = 0;
const LoggingDestination LOG_TO_FILE = 1 << 0;
// OutputDebugStringA; such lines are also copied to standard error.
const LoggingDestination LOG_TO_SYSTEM_DEBUG_LOG = 1 << 1;
const LoggingDestination LOG_DEFAULT = LOG_TO_FILE;

// Accepted for compatibility; lines are written without a lock either way.
enum LogLockingState { LOCK_LOG_FILE, DONT_LOCK_LOG_FILE };

enum OldFileDeletionState { DELETE_OLD_LOG_FILE, APPEND_TO_OLD_LOG_FILE };

// What InitLogging() sets up. The defaults log to "debug.log" beside the
// main executable, appending.
struct LoggingSettings {
  LoggingSettings();

  LoggingDestination logging_dest;
  // The log file; null means the default path. Read during InitLogging()
  // only.
  const wchar_t* log_file;
  LogLockingState lock_log;
  OldFileDeletionState delete_old;
};

// Reads the "v" and "vmodule" switches of the process command line (when
// CommandLine::Init() has run), then sets the destinations and opens the log
// file, closing any file opened before. Returns false when file logging was
// asked for and neither the log file nor "debug.log" in the current folder
// could be opened; logging then goes on without a file and retries on every
// line. Call it at start-up, before other threads log: it may be called again
// to switch files, but the switches are read at most twice.
bool InitLogging(const LoggingSettings& settings);

// Lines below |level| are dropped; levels above FATAL count as FATAL.
// Negative levels enable VLOG up to that level everywhere.
void SetMinLogLevel(int level);

// Which items precede the severity in every line. Default: timestamp only.
void SetLogItems(bool enable_process_id, bool enable_thread_id,
                 bool enable_timestamp, bool enable_tickcount);

// Sees every line before it is written. |message_start| is the offset of the
// message text after the prefix in |str|, which ends with a newline. Return
// true to take the line: it is then written nowhere else (a FATAL line still
// stops the process once the handler returns).
typedef bool (*LogMessageHandlerFunction)(int severity, const char* file,
                                          int line, size_t message_start,
                                          const std::string& str);
// Installs |handler|, replacing any; null removes it.
void SetLogMessageHandler(LogMessageHandlerFunction handler);

// For tests only: closes the log file and restores every setting to its
// default (the verbose filter included) so that tests do not see each
// other's state. Not safe while other threads log.
void ResetLoggingForTesting();
// For tests only: closes the log file but keeps its path, so that the next
// line opens it again.
void CloseLogFileForTesting();

// True when a message of |severity| would be written anywhere.
bool ShouldCreateLogMessage(int severity);

// The verbose level in force for the source file |file| (a string literal of
// |N| bytes including its NUL).
int GetVlogLevelHelper(const char* file, size_t N);
template <size_t N>
int GetVlogLevel(const char (&file)[N]) {
  return GetVlogLevelHelper(file, N);
}

// One log line under construction. The destructor writes it; severity FATAL
// then stops the process. The thread's last error is preserved.
class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  // For CHECK failures: the line starts "Check failed: <condition>. ".
  LogMessage(const char* file, int line, const char* condition);
  virtual ~LogMessage();

  std::ostream& stream() { return stream_; }

 protected:
  LogSeverity severity_;
  std::ostringstream stream_;
  size_t message_start_ = 0;
  const char* file_;
  const int line_;
  unsigned long last_error_;  // Restored when the line has been written.

 private:
  // Writes the prefix and records where the message text begins.
  void Init(const char* file, int line);

  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;
};

typedef unsigned long SystemErrorCode;

// GetLastError().
SystemErrorCode GetLastSystemErrorCode();
// The system's text for |error_code| on one line, then " (0x<code>)":
// "Access is denied. (0x5)".
std::string SystemErrorCodeToString(SystemErrorCode error_code);
// A COM result in hex, then the system's text when it has one:
// "0x80070005 (Access is denied.)", "0x80041002".
std::string HResultToString(long hresult);

// A LogMessage that ends with ": " and the text of a Win32 error code.
class Win32ErrorLogMessage : public LogMessage {
 public:
  Win32ErrorLogMessage(const char* file, int line, LogSeverity severity,
                       SystemErrorCode err);
  ~Win32ErrorLogMessage() override;

 private:
  SystemErrorCode err_;
};

// Swallows a stream expression in the branch that is not taken.
class LogMessageVoidify {
 public:
  LogMessageVoidify() = default;
  void operator&(std::ostream&) {}
};

// Builds the text of a failed CHECK_op: "a == b (1 vs. 2)".
template <class T1, class T2>
std::unique_ptr<std::string> MakeCheckOpString(const T1& v1, const T2& v2,
                                               const char* names) {
  std::ostringstream ss;
  ss << names << " (" << v1 << " vs. " << v2 << ")";
  return std::make_unique<std::string>(ss.str());
}

// CheckEQImpl() and its kin compare the operands of CHECK_EQ and its kin,
// each evaluated once, and return the failure text, or null when the
// comparison holds.
#define VELTO_DEFINE_CHECK_OP_IMPL(name, op)                                   \
  template <class T1, class T2>                                                \
  std::unique_ptr<std::string> Check##name##Impl(const T1& v1, const T2& v2,   \
                                                 const char* names) {          \
    if (v1 op v2) return nullptr;                                              \
    return MakeCheckOpString(v1, v2, names);                                   \
  }
VELTO_DEFINE_CHECK_OP_IMPL(EQ, ==)
VELTO_DEFINE_CHECK_OP_IMPL(NE, !=)
VELTO_DEFINE_CHECK_OP_IMPL(LE, <=)
VELTO_DEFINE_CHECK_OP_IMPL(LT, <)
VELTO_DEFINE_CHECK_OP_IMPL(GE, >=)
VELTO_DEFINE_CHECK_OP_IMPL(GT, >)
#undef VELTO_DEFINE_CHECK_OP_IMPL

// Writes |wide| converted to UTF-8; a null pointer writes nothing.
void WriteWideStringToStream(std::ostream& out, const wchar_t* wide);

}  // namespace logging


#define LOG_IS_ON(severity) \
  (::logging::ShouldCreateLogMessage(::logging::LOG_##severity))
#define VLOG_IS_ON(verbose_level) \
  ((verbose_level) <= ::logging::GetVlogLevel(__FILE__))

#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::logging::LogMessageVoidify() & (stream)

#define LOG_STREAM(severity) \
  ::logging::LogMessage(__FILE__, __LINE__, ::logging::LOG_##severity).stream()
#define VLOG_STREAM(verbose_level) \
  ::logging::LogMessage(__FILE__, __LINE__, -(verbose_level)).stream()
#define PLOG_STREAM(severity)                                          \
  ::logging::Win32ErrorLogMessage(__FILE__, __LINE__,                  \
                                  ::logging::LOG_##severity,           \
                                  ::logging::GetLastSystemErrorCode()) \
      .stream()

#define LOG(severity) LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity) && (condition))
#define VLOG(verbose_level) \
  LAZY_STREAM(VLOG_STREAM(verbose_level), VLOG_IS_ON(verbose_level))
#define PLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity))
// A verbose line that ends with the text of the thread's last error.
#define VPLOG(verbose_level)                                                 \
  LAZY_STREAM(::logging::Win32ErrorLogMessage(                               \
                  __FILE__, __LINE__, -(verbose_level),                      \
                  ::logging::GetLastSystemErrorCode())                       \
                  .stream(),                                                 \
              VLOG_IS_ON(verbose_level))

#define CHECK(condition)                                                  \
  LAZY_STREAM(::logging::LogMessage(__FILE__, __LINE__, #condition).stream(), \
              !(condition))

// The switch makes the statement complete, so that an "else" after it
// cannot attach to the "if" inside.
#define CHECK_OP(name, op, val1, val2)                                         \
  switch (0)                                                                   \
  case 0:                                                                      \
  default:                                                                     \
    if (std::unique_ptr<std::string> _check_failure =                          \
            ::logging::Check##name##Impl((val1), (val2),                       \
                                         #val1 " " #op " " #val2);             \
        !_check_failure) {                                                     \
    } else                                                                     \
      ::logging::LogMessage(__FILE__, __LINE__, _check_failure->c_str())       \
          .stream()

#define CHECK_EQ(val1, val2) CHECK_OP(EQ, ==, val1, val2)
#define CHECK_NE(val1, val2) CHECK_OP(NE, !=, val1, val2)
#define CHECK_LE(val1, val2) CHECK_OP(LE, <=, val1, val2)
#define CHECK_LT(val1, val2) CHECK_OP(LT, <, val1, val2)
#define CHECK_GE(val1, val2) CHECK_OP(GE, >=, val1, val2)
#define CHECK_GT(val1, val2) CHECK_OP(GT, >, val1, val2)

#if defined(NDEBUG) && !defined(DCHECK_ALWAYS_ON)
#define DCHECK_IS_ON() 0
#else
#define DCHECK_IS_ON() 1
#endif

#if DCHECK_IS_ON()
#define DCHECK(condition) CHECK(condition)
#define DCHECK_EQ(val1, val2) CHECK_EQ(val1, val2)
#define DCHECK_NE(val1, val2) CHECK_NE(val1, val2)
#define DCHECK_LE(val1, val2) CHECK_LE(val1, val2)
#define DCHECK_LT(val1, val2) CHECK_LT(val1, val2)
#define DCHECK_GE(val1, val2) CHECK_GE(val1, val2)
#define DCHECK_GT(val1, val2) CHECK_GT(val1, val2)
#else
#define DCHECK(condition) LAZY_STREAM(LOG_STREAM(FATAL), false && (condition))
#define DCHECK_EQ(val1, val2) DCHECK((val1) == (val2))
#define DCHECK_NE(val1, val2) DCHECK((val1) != (val2))
#define DCHECK_LE(val1, val2) DCHECK((val1) <= (val2))
#define DCHECK_LT(val1, val2) DCHECK((val1) < (val2))
#define DCHECK_GE(val1, val2) DCHECK((val1) >= (val2))
#define DCHECK_GT(val1, val2) DCHECK((val1) > (val2))
#endif

#define NOTREACHED() DCHECK(false)

#endif  // BASE_LOGGING_H_
