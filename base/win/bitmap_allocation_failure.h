// Called when CreateDIBSection fails: finds out why as far as it can and
// stops the process at the first explanation, with the facts kept on the
// stack for the crash report. A process that cannot make bitmaps cannot
// draw its window, so it does not go on.
//
//   HBITMAP bitmap = ::CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits,
//                                       section, 0);
//   if (!bitmap)
//     base::win::DiagnoseBitmapAllocationFailure(&info->bmiHeader, section);
#ifndef BASE_WIN_BITMAP_ALLOCATION_FAILURE_H_
#define BASE_WIN_BITMAP_ALLOCATION_FAILURE_H_

#include "base/win/windows_types.h"

#include <psapi.h>

namespace base {
namespace win {

// Never returns. |header| (may be null) is overwritten with a 5 by 5 bitmap
// when the failed one was larger, to try a small allocation.
[[noreturn]] void DiagnoseBitmapAllocationFailure(BITMAPINFOHEADER* header,
                                                  HANDLE shared_section);

// The queries behind the diagnosis. Tests substitute them because some
// systems lack GetGuiResources or report no private usage.
struct GuiDiagnosticFunctions {
  DWORD(WINAPI* get_gui_resources)(HANDLE process, DWORD flags);
  BOOL(WINAPI* get_process_memory_info)(HANDLE process,
                                        PROCESS_MEMORY_COUNTERS* counters,
                                        DWORD size);
};

namespace internal {

// For tests only: the diagnosis uses |functions| until the object dies.
class ScopedGuiDiagnosticFunctionsForTesting {
 public:
  explicit ScopedGuiDiagnosticFunctionsForTesting(
      const GuiDiagnosticFunctions& functions);
  ~ScopedGuiDiagnosticFunctionsForTesting();

  ScopedGuiDiagnosticFunctionsForTesting(
      const ScopedGuiDiagnosticFunctionsForTesting&) = delete;
  ScopedGuiDiagnosticFunctionsForTesting& operator=(
      const ScopedGuiDiagnosticFunctionsForTesting&) = delete;

 private:
  const GuiDiagnosticFunctions* previous_;
  GuiDiagnosticFunctions functions_;
};

}  // namespace internal

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_BITMAP_ALLOCATION_FAILURE_H_
