#include "base/win/win_util.h"

#include <string.h>
#include <wchar.h>

#include "base/logging.h"
#include "base/win/scoped_propvariant.h"

namespace base {
namespace win {

namespace {

// The shell's application user model property set.
constexpr GUID kAppUserModelFormatId = {
    0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}};
constexpr PROPERTYKEY kAppUserModelIdKey = {kAppUserModelFormatId, 5};
constexpr PROPERTYKEY kAppUserModelIsDualModeKey = {kAppUserModelFormatId, 11};

bool SetPropVariantValueForPropertyStore(IPropertyStore* store,
                                         const PROPERTYKEY& key,
                                         const PROPVARIANT& value) {
  HRESULT result = store->SetValue(key, value);
  // S_FALSE means the value is unchanged: nothing to commit.
  if (result == S_OK)
    result = store->Commit();
  if (FAILED(result)) {
    LOG(ERROR) << "Cannot write property " << key.pid
               << " of the application user model: HRESULT 0x" << std::hex
               << static_cast<unsigned long>(result);
    return false;
  }
  return true;
}

}  // namespace

HRESULT InitPropVariantFromString(const wchar_t* text, PROPVARIANT* value) {
  ::memset(value, 0, sizeof(*value));
  if (!text)
    return E_INVALIDARG;
  const size_t size = (::wcslen(text) + 1) * sizeof(wchar_t);
  wchar_t* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(size));
  if (!copy)
    return E_OUTOFMEMORY;
  ::memcpy(copy, text, size);
  value->vt = VT_LPWSTR;
  value->pwszVal = copy;
  return S_OK;
}

bool SetAppIdForPropertyStore(IPropertyStore* store, const wchar_t* app_id) {
  ScopedPropVariant value;
  if (FAILED(InitPropVariantFromString(app_id, value.Receive())))
    return false;
  return SetPropVariantValueForPropertyStore(store, kAppUserModelIdKey,
                                             value.get());
}

bool SetDualModeForPropertyStore(IPropertyStore* store, bool is_dual_mode) {
  ScopedPropVariant value;
  PROPVARIANT* raw = value.Receive();
  raw->vt = VT_BOOL;
  raw->boolVal = is_dual_mode ? VARIANT_TRUE : VARIANT_FALSE;
  return SetPropVariantValueForPropertyStore(store, kAppUserModelIsDualModeKey,
                                             value.get());
}

bool IsUser32AndGdi32Available() {
  static const bool available = [] {
    internal::GetProcessMitigationPolicyFunction get_policy = nullptr;
    // Not every release exports it, so it is looked up rather than imported.
    if (GetWindowsVersion() >= VERSION_WIN8) {
      get_policy = reinterpret_cast<internal::GetProcessMitigationPolicyFunction>(
          ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"),
                           "GetProcessMitigationPolicy"));
    }
    return internal::ComputeUser32AndGdi32Available(GetWindowsVersion(),
                                                    get_policy);
  }();
  return available;
}

namespace internal {

bool ComputeUser32AndGdi32Available(
    WindowsVersion version, GetProcessMitigationPolicyFunction get_policy) {
  if (version < VERSION_WIN8 || !get_policy)
    return true;
  // Zeroed first: some implementations report success without writing.
  PROCESS_MITIGATION_SYSTEM_CALL_DISABLE_POLICY policy;
  ::memset(&policy, 0, sizeof(policy));
  if (!get_policy(::GetCurrentProcess(), ProcessSystemCallDisablePolicy,
                  &policy, sizeof(policy))) {
    return true;
  }
  return policy.DisallowWin32kSystemCalls == 0;
}

}  // namespace internal
}  // namespace win
}  // namespace base
