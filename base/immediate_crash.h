// Stops the process at once, leaving the caller's locals in the crash dump.
#ifndef BASE_IMMEDIATE_CRASH_H_
#define BASE_IMMEDIATE_CRASH_H_

namespace base {

// Never returns and never inlined, so the compiler cannot fold it away and a
// crash dump shows its caller.
[[noreturn]] void ImmediateCrash();

}  // namespace base

#endif  // BASE_IMMEDIATE_CRASH_H_
