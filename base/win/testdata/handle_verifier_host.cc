// A stand-in for the installer's host executable: loads velto_installer.dll
// from its own folder and prints which handle verifier the library hands out.
//
// Built in three variants, chosen by HOST_VERIFIER:
//   HOST_VERIFIER=1  exports a GetHandleVerifier returning the host's object;
//   HOST_VERIFIER=2  exports a GetHandleVerifier returning null;
//   undefined        exports none.
//
// Output, one item per line:
//   "verifier: host|library|other|none"  whose object the library returned
//   "stable: yes|no"                       a second call returns the same
//   "tracking: ignored"                    double tracking and a foreign
//                                          release went unnoticed (a tracking
//                                          verifier would have stopped us)
//   "close: ok|failed"                     an event closed through it
// The exit code is 0 when the library could be asked at all.
#include <stdio.h>

#include "base/win/handle_verifier.h"
#include "base/win/windows_types.h"

using base::win::HandleVerifier;

#if defined(HOST_VERIFIER)
namespace {

// Tracks nothing; only counts what it is asked to do.
class HostVerifier final : public HandleVerifier {
 public:
  bool CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  void StartTracking(HANDLE, const void*, const void*, const void*) override {}
  void StopTracking(HANDLE, const void*, const void*, const void*) override {}
  void Disable() override {}
  void OnHandleBeingClosed(HANDLE) override {}
  HMODULE GetModule() const override { return ::GetModuleHandleW(nullptr); }
};

HostVerifier g_host_verifier;

}  // namespace

extern "C" __declspec(dllexport) HandleVerifier* GetHandleVerifier() {
  return HOST_VERIFIER == 1 ? &g_host_verifier : nullptr;
}
#endif

int main() {
  // The executable's own folder comes first in the search.
  HMODULE library = ::LoadLibraryW(L"velto_installer.dll");
  if (!library) {
    printf("cannot load library: %lu\n", ::GetLastError());
    return 1;
  }
  using GetHandleVerifierFunction = HandleVerifier* (*)();
  auto get_verifier = reinterpret_cast<GetHandleVerifierFunction>(
      reinterpret_cast<void*>(::GetProcAddress(library, "GetHandleVerifier")));
  if (!get_verifier) {
    printf("library exports no GetHandleVerifier\n");
    return 1;
  }

  HandleVerifier* verifier = get_verifier();
  const char* whose = "other";
  if (!verifier)
    whose = "none";
  else if (verifier->GetModule() == ::GetModuleHandleW(nullptr))
    whose = "host";
  else if (verifier->GetModule() == library)
    whose = "library";
  printf("verifier: %s\n", whose);
  if (!verifier) return 0;
  printf("stable: %s\n", get_verifier() == verifier ? "yes" : "no");

  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int owner = 0;
  int stranger = 0;
  verifier->StartTracking(event, &owner, nullptr, nullptr);
  verifier->StartTracking(event, &owner, nullptr, nullptr);
  verifier->StopTracking(event, &stranger, nullptr, nullptr);
  printf("tracking: ignored\n");
  printf("close: %s\n", verifier->CloseHandle(event) ? "ok" : "failed");
  fflush(stdout);
  return 0;
}
