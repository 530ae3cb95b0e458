// This library's own handle verifier and how the process-wide one is chosen.
//
// On first use, GetHandleVerifier() looks for a GetHandleVerifier exported by
// the main executable. When there is one and it is not this module's own, the
// verifier it returns becomes the process verifier. Otherwise this module
// makes a ScopedHandleVerifier: enabled when this code is part of the main
// executable (which then exports it), disabled when it sits in a library
// loaded by an executable that exports none. The choice is made once and the
// verifier is never freed.
//
// An enabled verifier keeps a table of tracked handles with their owner, the
// program counters and the stack of the tracking call, and stops the process
// at once when a handle is tracked twice, released by the wrong owner,
// released untracked, or closed behind its owner's back. A disabled one only
// closes handles.
#ifndef BASE_WIN_SCOPED_HANDLE_VERIFIER_H_
#define BASE_WIN_SCOPED_HANDLE_VERIFIER_H_

#include <stddef.h>
#include <stdint.h>

#include <unordered_map>

#include "base/synchronization/lock.h"
#include "base/threading/thread_local_storage.h"
#include "base/win/handle_verifier.h"
#include "base/win/windows_types.h"

namespace base {
namespace win {

// Return addresses of the calling thread's stack, innermost first, kept for
// crash dumps.
class StackTrace {
 public:
  static constexpr size_t kMaxFrames = 62;

  // Captures up to kMaxFrames frames.
  StackTrace();
  // Captures up to |max_frames| frames (at most kMaxFrames).
  explicit StackTrace(size_t max_frames);

  const void* const* addresses() const { return frames_; }
  size_t count() const { return count_; }

 private:
  void* frames_[kMaxFrames];
  size_t count_;
};

// What the verifier knows about one tracked handle.
struct HandleInfo {
  const void* owner;
  const void* pc1;
  const void* pc2;
  StackTrace stack;  // Where tracking started.
  DWORD thread_id;   // The thread that started tracking.
};

// The verifier this library makes. The process's one instance lives until
// the process ends; tests may make private instances of their own.
class ScopedHandleVerifier final : public HandleVerifier {
 public:
  explicit ScopedHandleVerifier(bool enabled);
  ~ScopedHandleVerifier();
  ScopedHandleVerifier(const ScopedHandleVerifier&) = delete;
  ScopedHandleVerifier& operator=(const ScopedHandleVerifier&) = delete;

  // HandleVerifier:
  bool CloseHandle(HANDLE handle) override;
  void StartTracking(HANDLE handle, const void* owner, const void* pc1,
                     const void* pc2) override;
  void StopTracking(HANDLE handle, const void* owner, const void* pc1,
                    const void* pc2) override;
  void Disable() override;
  void OnHandleBeingClosed(HANDLE handle) override;
  HMODULE GetModule() const override;

  bool enabled() const { return enabled_; }

 private:
  struct HandleHash {
    size_t operator()(HANDLE handle) const;
  };
  using HandleMap = std::unordered_map<HANDLE, HandleInfo, HandleHash>;

  StackTrace creation_stack_;
  bool enabled_;
  // Set on a thread while this verifier itself closes a handle, so that a
  // close hook lets that close pass.
  ThreadLocalStorageSlot closing_;
  Lock* lock_;
  HandleMap map_;
};

// Closes |handle| with ::CloseHandle. A failed close stops the process unless
// the handle is a process handle protected from closing
// (HANDLE_FLAG_PROTECT_FROM_CLOSE); then the result is false.
bool CloseHandleWithCheck(HANDLE handle);

// True when this module has been rewritten by a binary instrumenter, which
// leaves sections named ".thunks" and ".syzygy" behind. Computed once.
bool IsModuleInstrumented();

namespace internal {

// The answer of IsModuleInstrumented for the image loaded at |module_base|.
bool ImageHasInstrumentationSections(const void* module_base);

// The published SuperFastHash over |length| bytes; 0 for null data or an
// empty range.
uint32_t SuperFastHash(const char* data, int length);

}  // namespace internal

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_SCOPED_HANDLE_VERIFIER_H_
