// The process-wide trace log and the macros that mark trace sites.
//
// A trace site looks its category group up once, keeps the address of the
// group's enabled byte in a static, and builds an event only when that byte
// has one of the recording bits set:
//
//   TRACE_EVENT2("toplevel", "MessageLoop::RunTask",
//                "src_file", location.file_name(),
//                "src_func", location.function_name());
//
// No category is ever enabled in this program: the enabled byte stays 0, so
// a site costs one load and a branch, and its arguments are not evaluated.
#ifndef BASE_TRACE_EVENT_TRACE_LOG_H_
#define BASE_TRACE_EVENT_TRACE_LOG_H_

#include <stdint.h>

namespace base {

template <typename T>
class LazyInstance;

namespace trace_event {

// Bits of a category group's enabled byte that make a site record.
constexpr unsigned char kEnabledForRecording = 0x01;
constexpr unsigned char kEnabledForEventCallback = 0x08;
constexpr unsigned char kEnabledForETWExport = 0x10;
constexpr unsigned char kEnabledForAnyRecording =
    kEnabledForRecording | kEnabledForEventCallback | kEnabledForETWExport;

// Event phases.
constexpr char kPhaseComplete = 'X';
constexpr char kPhaseFlowBegin = 's';
constexpr char kPhaseFlowEnd = 'f';

// Flags of AddTraceEvent.
constexpr unsigned int kFlagNone = 0;
constexpr unsigned int kFlagHasId = 1u << 1;
constexpr unsigned int kFlagFlowIn = 1u << 8;
constexpr unsigned int kFlagFlowOut = 1u << 9;

// Identifies a recorded event so its duration can be closed later.
struct TraceEventHandle {
  uint32_t chunk_seq = 0;
  uint32_t chunk_index = 0;
  uint32_t event_index = 0;
};

// One named argument of an event: text or a signed integer.
struct TraceArg {
  TraceArg(const char* arg_name, const char* text)
      : name(arg_name), is_text(true), text_value(text), int_value(0) {}
  TraceArg(const char* arg_name, long long number)
      : name(arg_name), is_text(false), text_value(nullptr),
        int_value(number) {}

  const char* name;
  bool is_text;
  const char* text_value;
  long long int_value;
};

// The process-wide trace log, created on first use and never destroyed.
class TraceLog {
 public:
  static TraceLog* GetInstance();

  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  // The address of the enabled byte of |category_group|. The address stays
  // valid for the life of the process; the byte stays 0 here.
  const unsigned char* GetCategoryGroupEnabled(const char* category_group);

  // Records one event of |phase|; only called when the enabled byte has a
  // recording bit. |args| holds |num_args| (at most 2) arguments.
  TraceEventHandle AddTraceEvent(char phase,
                                 const unsigned char* category_enabled,
                                 const char* name, unsigned long long id,
                                 int num_args, const TraceArg* args,
                                 unsigned int flags);

  // Ends the complete event |handle| that AddTraceEvent began.
  void UpdateTraceEventDuration(const unsigned char* category_enabled,
                                const char* name, TraceEventHandle handle);

 private:
  friend class base::LazyInstance<TraceLog>;
  TraceLog();

  // The shared enabled byte of every category group: nothing enables one.
  unsigned char disabled_category_byte_ = 0;
};

namespace internal {

inline bool IsCategoryEnabled(const unsigned char* category_enabled) {
  return (*category_enabled & kEnabledForAnyRecording) != 0;
}

// Closes the complete event of a scoped trace site at the end of its scope.
class ScopedTraceEvent {
 public:
  ScopedTraceEvent() = default;
  ScopedTraceEvent(const ScopedTraceEvent&) = delete;
  ScopedTraceEvent& operator=(const ScopedTraceEvent&) = delete;
  ~ScopedTraceEvent() {
    if (category_enabled_ && IsCategoryEnabled(category_enabled_)) {
      TraceLog::GetInstance()->UpdateTraceEventDuration(category_enabled_,
                                                        name_, handle_);
    }
  }

  void Begin(const unsigned char* category_enabled, const char* name,
             unsigned long long id, int num_args, const TraceArg* args,
             unsigned int flags) {
    category_enabled_ = category_enabled;
    name_ = name;
    handle_ = TraceLog::GetInstance()->AddTraceEvent(
        kPhaseComplete, category_enabled, name, id, num_args, args, flags);
  }

 private:
  const unsigned char* category_enabled_ = nullptr;
  const char* name_ = nullptr;
  TraceEventHandle handle_;
};

}  // namespace internal
}  // namespace trace_event
}  // namespace base

#define TRACE_INTERNAL_CONCAT2(a, b) a##b
#define TRACE_INTERNAL_CONCAT(a, b) TRACE_INTERNAL_CONCAT2(a, b)
#define TRACE_INTERNAL_UID(prefix) TRACE_INTERNAL_CONCAT(prefix, __LINE__)

// Looks the category up once per site.
#define TRACE_INTERNAL_CATEGORY(category)                                \
  static const unsigned char* TRACE_INTERNAL_UID(trace_category_) =      \
      ::base::trace_event::TraceLog::GetInstance()                       \
          ->GetCategoryGroupEnabled(category)

#define TRACE_INTERNAL_SCOPED(category, name, id, flags, num_args, ...)  \
  TRACE_INTERNAL_CATEGORY(category);                                     \
  ::base::trace_event::internal::ScopedTraceEvent TRACE_INTERNAL_UID(    \
      trace_scope_);                                                     \
  if (::base::trace_event::internal::IsCategoryEnabled(                  \
          TRACE_INTERNAL_UID(trace_category_))) {                        \
    const ::base::trace_event::TraceArg trace_args[] = {__VA_ARGS__};    \
    TRACE_INTERNAL_UID(trace_scope_)                                     \
        .Begin(TRACE_INTERNAL_UID(trace_category_), name, id, num_args,  \
               trace_args, flags);                                       \
  }

#define TRACE_INTERNAL_INSTANT(phase, category, name, id, flags, num_args, \
                               ...)                                        \
  do {                                                                     \
    TRACE_INTERNAL_CATEGORY(category);                                     \
    if (::base::trace_event::internal::IsCategoryEnabled(                  \
            TRACE_INTERNAL_UID(trace_category_))) {                        \
      const ::base::trace_event::TraceArg trace_args[] = {__VA_ARGS__};    \
      ::base::trace_event::TraceLog::GetInstance()->AddTraceEvent(         \
          phase, TRACE_INTERNAL_UID(trace_category_), name, id, num_args,  \
          trace_args, flags);                                              \
    }                                                                      \
  } while (0)

// A complete event covering the rest of the enclosing scope, with no, one or
// two arguments.
#define TRACE_EVENT0(category, name)                                     \
  TRACE_INTERNAL_SCOPED(category, name, 0,                               \
                        ::base::trace_event::kFlagNone, 0,               \
                        ::base::trace_event::TraceArg(nullptr, nullptr))
#define TRACE_EVENT1(category, name, arg1_name, arg1_value)              \
  TRACE_INTERNAL_SCOPED(category, name, 0,                               \
                        ::base::trace_event::kFlagNone, 1,               \
                        ::base::trace_event::TraceArg(arg1_name, arg1_value))
#define TRACE_EVENT2(category, name, arg1_name, arg1_value, arg2_name,   \
                     arg2_value)                                         \
  TRACE_INTERNAL_SCOPED(                                                 \
      category, name, 0, ::base::trace_event::kFlagNone, 2,              \
      ::base::trace_event::TraceArg(arg1_name, arg1_value),              \
      ::base::trace_event::TraceArg(arg2_name, arg2_value))

// The start (flow-out, where a task is posted) and the end (flow-in, where
// it runs) of a flow arrow between two events, joined by |id|.
#define TRACE_EVENT_FLOW_BEGIN0(category, name, id)                      \
  TRACE_INTERNAL_INSTANT(::base::trace_event::kPhaseFlowBegin, category, \
                         name, id,                                       \
                         ::base::trace_event::kFlagHasId |               \
                             ::base::trace_event::kFlagFlowOut,          \
                         0, ::base::trace_event::TraceArg(nullptr, nullptr))
#define TRACE_EVENT_FLOW_END1(category, name, id, arg1_name, arg1_value) \
  TRACE_INTERNAL_INSTANT(::base::trace_event::kPhaseFlowEnd, category,   \
                         name, id,                                       \
                         ::base::trace_event::kFlagHasId |               \
                             ::base::trace_event::kFlagFlowIn,           \
                         1, ::base::trace_event::TraceArg(arg1_name, arg1_value))

#endif  // BASE_TRACE_EVENT_TRACE_LOG_H_
