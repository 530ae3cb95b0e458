// Window procedures that hand escaping exceptions to one process-wide
// filter.
//
// An exception that leaves a window procedure unwinds through the system's
// message dispatch, which may swallow it silently. Window classes of ours
// register their procedure through WrappedWindowProc, whose frame asks the
// filter installed here (the crash client installs one) what to do first:
//
//   window_class.lpfnWndProc = &WrappedWindowProc<&Pump::WindowProc>;
//   WinProcExceptionFilter previous = SetWindowProcExceptionFilter(&Report);
#ifndef BASE_WIN_WRAPPED_WINDOW_PROC_H_
#define BASE_WIN_WRAPPED_WINDOW_PROC_H_

#include "base/win/windows_types.h"

// Calls |proc| inside a frame whose exception handler asks
// base::win::CallExceptionFilter (wrapped_window_proc_call.S).
extern "C" LRESULT VeltoCallWindowProcWithFilter(WNDPROC proc, HWND hwnd,
                                                 UINT message, WPARAM wparam,
                                                 LPARAM lparam);

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

// Runs |proc|. For an exception that escapes it, the filter's answer
// decides: EXCEPTION_EXECUTE_HANDLER ends the call with the result 0,
// EXCEPTION_CONTINUE_EXECUTION resumes where the exception was raised, and
// EXCEPTION_CONTINUE_SEARCH (also the answer without a filter) lets it go on
// to the handlers outside.
template <WNDPROC proc>
LRESULT CALLBACK WrappedWindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  return VeltoCallWindowProcWithFilter(proc, hwnd, message, wparam, lparam);
}

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WRAPPED_WINDOW_PROC_H_
