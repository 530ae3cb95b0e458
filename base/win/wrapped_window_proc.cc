#include "base/win/wrapped_window_proc.h"

#include <atomic>

namespace base {
namespace win {
namespace {

std::atomic<WinProcExceptionFilter> g_exception_filter{nullptr};

}  // namespace

WinProcExceptionFilter SetWindowProcExceptionFilter(
    WinProcExceptionFilter filter) {
  return g_exception_filter.exchange(filter, std::memory_order_acq_rel);
}

int CallExceptionFilter(EXCEPTION_POINTERS* info) {
  WinProcExceptionFilter filter =
      g_exception_filter.load(std::memory_order_acquire);
  return filter ? filter(info) : EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace win
}  // namespace base

// The exception handler of VeltoCallWindowProcWithFilter's frame, called
// while an exception is dispatched through it (never while unwinding).
extern "C" EXCEPTION_DISPOSITION VeltoWindowProcExceptionHandler(
    EXCEPTION_RECORD* record, void* establisher_frame, CONTEXT* context,
    DISPATCHER_CONTEXT* dispatcher) {
  if (IS_UNWINDING(record->ExceptionFlags)) return ExceptionContinueSearch;
  EXCEPTION_POINTERS pointers = {record, context};
  switch (base::win::CallExceptionFilter(&pointers)) {
    case EXCEPTION_CONTINUE_EXECUTION:
      return ExceptionContinueExecution;
    case EXCEPTION_EXECUTE_HANDLER:
      // Unwinds the frames the exception came through and resumes the
      // wrapper just after its call, with 0 as the procedure's result. The
      // wrapper's return address is where control left its frame.
      ::RtlUnwindEx(establisher_frame,
                    reinterpret_cast<void*>(dispatcher->ControlPc), record,
                    nullptr, context, dispatcher->HistoryTable);
      __builtin_unreachable();
    default:
      return ExceptionContinueSearch;
  }
}
