#include "base/win/scoped_handle.h"

namespace base {
namespace win {
namespace internal {

const void* GetProgramCounter() { return __builtin_return_address(0); }

}  // namespace internal
}  // namespace win
}  // namespace base
