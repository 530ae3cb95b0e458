// Starting a process through Windows Management Instrumentation.
//
// LaunchProcessViaWmi asks the WMI service to run a command line (the
// Win32_Process class's Create method), so the new process is not a child of
// the caller and outlives it without inheriting anything from it:
//
//   DWORD process_id = 0;
//   if (!installer::LaunchProcessViaWmi(L"browser.exe https://example.test",
//                                       &process_id)) {
//     return false;  // Already logged.
//   }
//
// The building blocks are public for other WMI methods. COM must be
// initialised on the calling thread; every call blocks until WMI answers.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_WMI_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_WMI_H_

#include <stdint.h>

#include <string>

#include "base/win/windows_types.h"

#include <wbemidl.h>
#include <wrl/client.h>

namespace installer {

// Connects to the "ROOT\CIMV2" namespace. With |set_blanket| the proxy
// authenticates each call and lets WMI impersonate the caller, which the
// process methods need. |services| is left as it was on failure.
bool ConnectToWmi(bool set_blanket,
                  Microsoft::WRL::ComPtr<IWbemServices>* services);

// A fresh instance of the in-parameters of |method_name| of |class_name|,
// ready for SetWmiParameter. False when the class, the method or its
// in-parameter signature is missing.
bool CreateWmiMethodParameters(IWbemServices* services,
                               const wchar_t* class_name,
                               const wchar_t* method_name,
                               Microsoft::WRL::ComPtr<IWbemClassObject>* params);

// Sets the in-parameter |name| to a copy of |value|.
bool SetWmiParameter(IWbemClassObject* params, const wchar_t* name,
                     const VARIANT& value);

// Starts |command_line| through WMI. True once the process was created (its
// end is not waited for); its id then goes to |process_id| when given. On
// false |process_id| is untouched.
bool LaunchProcessViaWmi(const std::wstring& command_line, DWORD* process_id);

namespace internal {

// WMI reports its unsigned 32-bit properties as VT_I4 or as VT_UI4,
// depending on the provider; both give the same bits. False for any other
// type, an empty or a null value.
bool WmiVariantToUint32(const VARIANT& value, uint32_t* result);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_WMI_H_
