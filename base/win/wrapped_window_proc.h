// The process-wide exception filter of the window-procedure wrapper.
//
// Window procedures run inside a wrapper whose exception filter asks the
// filter installed here (the crash client installs one) what to do with an
// exception that escapes the procedure.
//
//   WinProcExceptionFilter previous = SetWindowProcExceptionFilter(&Report);
#ifndef BASE_WIN_WRAPPED_WINDOW_PROC_H_
#define BASE_WIN_WRAPPED_WINDOW_PROC_H_

#include "base/win/windows_types.h"

namespace base {
namespace win {

// Returns an EXCEPTION_* disposition for |info|.
typedef int(__cdecl* WinProcExceptionFilter)(EXCEPTION_POINTERS* info);

// Installs |filter| (null removes it) and returns the one installed before,
// null the first time. Safe from any thread.
WinProcExceptionFilter SetWindowProcExceptionFilter(
    WinProcExceptionFilter filter);

// The disposition of the installed filter for |info|, or
// EXCEPTION_CONTINUE_SEARCH when none is installed.
int CallExceptionFilter(EXCEPTION_POINTERS* info);

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WRAPPED_WINDOW_PROC_H_
