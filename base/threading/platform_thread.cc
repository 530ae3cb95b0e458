#include "base/threading/platform_thread.h"

#include <algorithm>

#include "base/threading/thread_id_name_manager.h"
#include "base/trace_event/task_profiler.h"

namespace base {
namespace {

// The broker's event thread stays out of the task profiler's records.
constexpr char kBrokerEventThreadName[] = "BrokerEvent";

}  // namespace

// static
void PlatformThread::SetName(const std::string& name) {
  ThreadIdNameManager::GetInstance()->SetName(CurrentId(), name);
  if (name != kBrokerEventThreadName)
    trace_event::ThreadData::InitializeThreadContext(name);
  internal::SetNameForDebuggers(name);
}

// static
const char* PlatformThread::GetName() {
  return ThreadIdNameManager::GetInstance()->GetName(CurrentId());
}

// static
void PlatformThread::Sleep(TimeDelta duration) {
  // ::Sleep may wake before its time (and takes whole milliseconds), so
  // sleep again for the rest until the monotonic clock has passed the end.
  TimeTicks end = TimeTicks::Now() + duration;
  for (TimeTicks now = TimeTicks::Now(); now < end; now = TimeTicks::Now()) {
    int64_t milliseconds = ((end - now).InMicroseconds() + 999) / 1000;
    // INFINITE would never come back.
    ::Sleep(static_cast<DWORD>(std::min<int64_t>(milliseconds, INFINITE - 1)));
  }
}

}  // namespace base
