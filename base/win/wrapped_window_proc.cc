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
