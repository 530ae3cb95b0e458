#include "base/process/process.h"

#include <stdint.h>

#include "base/logging.h"
#include "base/trace_event/activity_tracker.h"

namespace base {

namespace {

// Access enough to wait for, query and end a process.
constexpr DWORD kOpenAccess =
    SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE;

}  // namespace

Process::Process() = default;

Process::Process(ProcessHandle handle) : process_(handle) {
  CHECK(handle != ::GetCurrentProcess());
}

Process::Process(Process&& other)
    : is_current_process_(other.is_current_process_),
      process_(other.process_.Take()) {
  other.is_current_process_ = false;
}

Process& Process::operator=(Process&& other) {
  if (this != &other) {
    process_.Set(other.process_.Take());
    is_current_process_ = other.is_current_process_;
    other.is_current_process_ = false;
  }
  return *this;
}

Process::~Process() = default;

// static
Process Process::Current() {
  Process process;
  process.is_current_process_ = true;
  return process;
}

// static
Process Process::Open(ProcessId pid) {
  return Process(::OpenProcess(kOpenAccess, FALSE, pid));
}

bool Process::IsValid() const {
  return process_.IsValid() || is_current_process_;
}

ProcessHandle Process::Handle() const {
  return is_current_process_ ? ::GetCurrentProcess() : process_.Get();
}

ProcessId Process::Pid() const {
  return ::GetProcessId(Handle());
}

bool Process::WaitForExit(int* exit_code) const {
  return WaitForExitWithTimeout(TimeDelta::Max(), exit_code);
}

bool Process::WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) const {
  trace_event::ScopedProcessWaitActivity activity(*this);
  // Clamp rather than truncate: 2^32 ms would otherwise wrap to "poll".
  int64_t milliseconds = timeout.InMicroseconds() / 1000;
  DWORD wait_ms = INFINITE;
  if (milliseconds < 0)
    wait_ms = 0;
  else if (milliseconds < static_cast<int64_t>(INFINITE))
    wait_ms = static_cast<DWORD>(milliseconds);
  if (::WaitForSingleObject(Handle(), wait_ms) != WAIT_OBJECT_0)
    return false;
  DWORD code = 0;
  if (!::GetExitCodeProcess(Handle(), &code))
    return false;
  if (exit_code)
    *exit_code = static_cast<int>(code);
  return true;
}

}  // namespace base
