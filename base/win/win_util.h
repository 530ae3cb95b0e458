// Small Windows utilities: application-identity properties for shell
// property stores (shortcuts carry them so the taskbar groups windows by
// application), and whether the process may use user32 and gdi32 at all.
//
//   // |store|: the IPropertyStore of a shell link being written.
//   if (!base::win::SetAppIdForPropertyStore(store, L"Velto.Browser"))
//     return false;
//
// Every function may run on any thread; the property-store functions need
// COM initialised on it.
#ifndef BASE_WIN_WIN_UTIL_H_
#define BASE_WIN_WIN_UTIL_H_

#include "base/win/windows_types.h"

#include <propsys.h>

#include "base/win/windows_version.h"

namespace base {
namespace win {

// Makes |*value| a VT_LPWSTR holding a CoTaskMemAlloc copy of |text| with its
// terminator. E_INVALIDARG for a null |text|, E_OUTOFMEMORY when the copy
// cannot be allocated; on failure |*value| is zeroed (VT_EMPTY). Release a
// filled value with PropVariantClear (or hold it in a ScopedPropVariant).
HRESULT InitPropVariantFromString(const wchar_t* text, PROPVARIANT* value);

// Writes the application user model id (a string) into |store| and commits
// it. True when the last call made succeeded; SetValue's S_FALSE counts as
// success without a commit.
bool SetAppIdForPropertyStore(IPropertyStore* store, const wchar_t* app_id);

// Writes the application user model dual-mode flag (a boolean) into |store|
// and commits it, with the result rule of SetAppIdForPropertyStore.
bool SetDualModeForPropertyStore(IPropertyStore* store, bool is_dual_mode);

// False only when the process runs under a policy that disallows win32k
// system calls, so user32 and gdi32 must not be touched. Computed once per
// process.
bool IsUser32AndGdi32Available();

namespace internal {

// The signature of GetProcessMitigationPolicy.
using GetProcessMitigationPolicyFunction = BOOL(WINAPI*)(
    HANDLE process, PROCESS_MITIGATION_POLICY policy, void* buffer,
    SIZE_T length);

// The decision of IsUser32AndGdi32Available for the running |version| and the
// looked-up |get_policy| (null when the system lacks it); exposed so tests
// can drive each branch.
bool ComputeUser32AndGdi32Available(
    WindowsVersion version, GetProcessMitigationPolicyFunction get_policy);

}  // namespace internal
}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WIN_UTIL_H_
