#include "base/win/scoped_process_information.h"

namespace base {
namespace win {

ScopedProcessInformation::ScopedProcessInformation() = default;

ScopedProcessInformation::ScopedProcessInformation(
    const PROCESS_INFORMATION& process_info) {
  Set(process_info);
}

ScopedProcessInformation::~ScopedProcessInformation() = default;

bool ScopedProcessInformation::IsValid() const {
  return process_handle_.IsValid() || thread_handle_.IsValid();
}

void ScopedProcessInformation::Set(const PROCESS_INFORMATION& process_info) {
  process_handle_.Set(process_info.hProcess);
  thread_handle_.Set(process_info.hThread);
  process_id_ = process_info.dwProcessId;
  thread_id_ = process_info.dwThreadId;
}

void ScopedProcessInformation::Close() {
  process_handle_.Close();
  thread_handle_.Close();
  process_id_ = 0;
  thread_id_ = 0;
}

PROCESS_INFORMATION ScopedProcessInformation::Take() {
  PROCESS_INFORMATION process_info = {};
  process_info.dwProcessId = process_id_;
  process_info.dwThreadId = thread_id_;
  process_info.hProcess = TakeProcessHandle();
  process_info.hThread = TakeThreadHandle();
  return process_info;
}

HANDLE ScopedProcessInformation::TakeProcessHandle() {
  process_id_ = 0;
  return process_handle_.Take();
}

HANDLE ScopedProcessInformation::TakeThreadHandle() {
  thread_id_ = 0;
  return thread_handle_.Take();
}

}  // namespace win
}  // namespace base
