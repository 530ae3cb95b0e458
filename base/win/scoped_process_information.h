// Single owner of the two handles of a PROCESS_INFORMATION, so a launch that
// fails half-way, or a caller that wants only the process handle, leaks
// neither.
//
//   PROCESS_INFORMATION raw = {};
//   if (!::CreateProcessW(..., &raw)) return false;
//   base::win::ScopedProcessInformation info(raw);
//   ::ResumeThread(info.thread_handle());
//   return Process(info.TakeProcessHandle());
//
// One owner, one thread. Closing leaves the thread's last error as it was.
#ifndef BASE_WIN_SCOPED_PROCESS_INFORMATION_H_
#define BASE_WIN_SCOPED_PROCESS_INFORMATION_H_

#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {
namespace win {

class ScopedProcessInformation {
 public:
  ScopedProcessInformation();
  explicit ScopedProcessInformation(const PROCESS_INFORMATION& process_info);
  ~ScopedProcessInformation();

  ScopedProcessInformation(const ScopedProcessInformation&) = delete;
  ScopedProcessInformation& operator=(const ScopedProcessInformation&) =
      delete;

  // True while a process or thread handle is held.
  bool IsValid() const;

  // Closes what is held and takes ownership of both handles of
  // |process_info|, keeping its ids.
  void Set(const PROCESS_INFORMATION& process_info);

  // Closes both handles and forgets the ids.
  void Close();

  // Gives up ownership of both handles; the ids are forgotten too.
  PROCESS_INFORMATION Take();
  HANDLE TakeProcessHandle();
  HANDLE TakeThreadHandle();

  HANDLE process_handle() const { return process_handle_.Get(); }
  HANDLE thread_handle() const { return thread_handle_.Get(); }
  DWORD process_id() const { return process_id_; }
  DWORD thread_id() const { return thread_id_; }

 private:
  ScopedHandle process_handle_;
  ScopedHandle thread_handle_;
  DWORD process_id_ = 0;
  DWORD thread_id_ = 0;
};

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_PROCESS_INFORMATION_H_
