// The process-wide handle verifier: the one table of kernel handles that
// scoped owners hold, shared by every module of the process.
//
// Modules find it through the exported GetHandleVerifier(). When the main
// executable exports a GetHandleVerifier of its own, every module adopts that
// verifier, so one table sees all handles; otherwise each module that carries
// this code makes one (see scoped_handle_verifier.h).
//
// Code that closes a raw kernel handle (one not held in a ScopedHandle) uses
// VerifierCloseHandle instead of ::CloseHandle, so that a close behind an
// owner's back is caught.
//
// All operations leave the thread's last error as it was.
#ifndef BASE_WIN_HANDLE_VERIFIER_H_
#define BASE_WIN_HANDLE_VERIFIER_H_

#include "base/win/windows_types.h"

namespace base {
namespace win {

// The verifier's interface. Its virtual operations are shared between
// modules through the exported GetHandleVerifier, so their order is part of
// the binary interface: never reorder them, add a virtual destructor or add
// operations in between.
class HandleVerifier {
 public:
  // Closes |handle|; the close check stops the process on a failed close,
  // except for a protected process handle, for which it returns false.
  virtual bool CloseHandle(HANDLE handle) = 0;
  // Records that |owner| now holds |handle|. |pc1| is the caller of the
  // scoped-handle operation, |pc2| the operation itself.
  virtual void StartTracking(HANDLE handle, const void* owner, const void* pc1,
                             const void* pc2) = 0;
  // Records that |owner| gives |handle| up.
  virtual void StopTracking(HANDLE handle, const void* owner, const void* pc1,
                            const void* pc2) = 0;
  // From now on tracks nothing and only closes handles.
  virtual void Disable() = 0;
  // Told by a close hook that |handle| is about to be closed.
  virtual void OnHandleBeingClosed(HANDLE handle) = 0;
  // Base address of the module that made the verifier.
  virtual HMODULE GetModule() const = 0;

 protected:
  // Verifiers live until the process ends and are never deleted through
  // this interface.
  ~HandleVerifier() = default;
};

// VerifierCloseHandle(handle) is the verifier's CloseHandle; the tracking
// functions forward to the verifier. Each installs the verifier on first use.
bool VerifierCloseHandle(HANDLE handle);
void StartHandleTracking(HANDLE handle, const void* owner, const void* pc1,
                         const void* pc2);
void StopHandleTracking(HANDLE handle, const void* owner, const void* pc1,
                        const void* pc2);

}  // namespace win

using win::VerifierCloseHandle;

}  // namespace base

// The process-wide verifier, installed on first call. Exported by every
// module that carries this code, the main executable included.
extern "C" __declspec(dllexport) base::win::HandleVerifier*
GetHandleVerifier();

#endif  // BASE_WIN_HANDLE_VERIFIER_H_
