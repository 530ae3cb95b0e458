#include "base/win/wrapped_window_proc.h"

#include <gtest/gtest.h>

namespace base {
namespace win {
namespace {

int __cdecl ContinueExecution(EXCEPTION_POINTERS*) {
  return EXCEPTION_CONTINUE_EXECUTION;
}

TEST(WrappedWindowProcTest, FilterExchangeReturnsThePreviousFilter) {
  EXPECT_EQ(nullptr, SetWindowProcExceptionFilter(&ContinueExecution));
  EXPECT_EQ(EXCEPTION_CONTINUE_EXECUTION, CallExceptionFilter(nullptr));
  EXPECT_EQ(&ContinueExecution, SetWindowProcExceptionFilter(nullptr));
  EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, CallExceptionFilter(nullptr));
}

}  // namespace
}  // namespace win
}  // namespace base
