#include "base/immediate_crash.h"

namespace base {

__attribute__((noinline)) void ImmediateCrash() { __builtin_trap(); }

}  // namespace base
