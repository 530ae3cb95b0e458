#include "desktop/windows/installer/service/wmi.h"

#include <oleauto.h>

#include "base/logging.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace installer {

namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kCimV2Namespace[] = L"ROOT\\CIMV2";
constexpr wchar_t kProcessClass[] = L"Win32_Process";
constexpr wchar_t kCreateMethod[] = L"Create";
constexpr wchar_t kCommandLineParameter[] = L"CommandLine";
constexpr wchar_t kReturnValueParameter[] = L"ReturnValue";
constexpr wchar_t kProcessIdParameter[] = L"ProcessId";

bool ReadUint32Property(IWbemClassObject* object, const wchar_t* name,
                        uint32_t* value) {
  base::win::ScopedVariant property;
  HRESULT result = object->Get(name, 0, property.Receive(), nullptr, nullptr);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to read the WMI property " << name << ": "
               << logging::HResultToString(result);
    return false;
  }
  if (!internal::WmiVariantToUint32(property.get(), value)) {
    LOG(ERROR) << "The WMI property " << name << " has the variant type "
               << property.get().vt << ", not a 32-bit integer";
    return false;
  }
  return true;
}

}  // namespace

bool ConnectToWmi(bool set_blanket, ComPtr<IWbemServices>* services) {
  ComPtr<IWbemLocator> locator;
  HRESULT result =
      ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWbemLocator, &locator);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to create the WMI locator: "
               << logging::HResultToString(result);
    return false;
  }

  base::win::ScopedBstr name_space(kCimV2Namespace);
  ComPtr<IWbemServices> connected;
  result = locator->ConnectServer(name_space.Get(), nullptr, nullptr, nullptr,
                                  0, nullptr, nullptr, &connected);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to connect to WMI " << kCimV2Namespace << ": "
               << logging::HResultToString(result);
    return false;
  }

  if (set_blanket) {
    result = ::CoSetProxyBlanket(
        connected.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
        RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
        EOAC_NONE);
    if (FAILED(result)) {
      LOG(ERROR) << "Failed to set the WMI proxy blanket: "
                 << logging::HResultToString(result);
      return false;
    }
  }

  *services = std::move(connected);
  return true;
}

bool CreateWmiMethodParameters(IWbemServices* services,
                               const wchar_t* class_name,
                               const wchar_t* method_name,
                               ComPtr<IWbemClassObject>* params) {
  base::win::ScopedBstr class_bstr(class_name);
  ComPtr<IWbemClassObject> class_object;
  HRESULT result = services->GetObject(class_bstr.Get(), 0, nullptr,
                                       &class_object, nullptr);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to get the WMI class " << class_name << ": "
               << logging::HResultToString(result);
    return false;
  }

  ComPtr<IWbemClassObject> signature;
  result = class_object->GetMethod(method_name, 0, &signature, nullptr);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to get the in-parameters of " << class_name << "."
               << method_name << ": "
               << logging::HResultToString(result);
    return false;
  }
  // A method without in-parameters succeeds with no signature; there is
  // nothing to spawn then.
  if (!signature) {
    LOG(ERROR) << class_name << "." << method_name << " has no in-parameters";
    return false;
  }

  ComPtr<IWbemClassObject> instance;
  result = signature->SpawnInstance(0, &instance);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to make the in-parameters of " << class_name << "."
               << method_name << ": "
               << logging::HResultToString(result);
    return false;
  }
  *params = std::move(instance);
  return true;
}

bool SetWmiParameter(IWbemClassObject* params, const wchar_t* name,
                     const VARIANT& value) {
  // Put copies the value and does not change it, despite its signature.
  HRESULT result = params->Put(name, 0, const_cast<VARIANT*>(&value), 0);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to set the WMI parameter " << name << ": "
               << logging::HResultToString(result);
    return false;
  }
  return true;
}

bool LaunchProcessViaWmi(const std::wstring& command_line, DWORD* process_id) {
  ComPtr<IWbemServices> services;
  if (!ConnectToWmi(true, &services))
    return false;

  ComPtr<IWbemClassObject> params;
  if (!CreateWmiMethodParameters(services.Get(), kProcessClass, kCreateMethod,
                                 &params)) {
    return false;
  }

  base::win::ScopedVariant command(command_line.c_str());
  if (!SetWmiParameter(params.Get(), kCommandLineParameter, command.get()))
    return false;

  base::win::ScopedBstr class_bstr(kProcessClass);
  base::win::ScopedBstr method_bstr(kCreateMethod);
  ComPtr<IWbemClassObject> out_params;
  HRESULT result = services->ExecMethod(class_bstr.Get(), method_bstr.Get(), 0,
                                        nullptr, params.Get(), &out_params,
                                        nullptr);
  if (FAILED(result)) {
    LOG(ERROR) << "WMI failed to run " << kProcessClass << "."
               << kCreateMethod << ": "
               << logging::HResultToString(result);
    return false;
  }
  if (!out_params) {
    LOG(ERROR) << "WMI ran " << kProcessClass << "." << kCreateMethod
               << " without out-parameters";
    return false;
  }

  uint32_t return_value = 0;
  if (!ReadUint32Property(out_params.Get(), kReturnValueParameter,
                          &return_value)) {
    return false;
  }
  if (return_value != 0) {
    LOG(ERROR) << "WMI refused to start " << command_line << ": "
               << kProcessClass << "." << kCreateMethod << " answered "
               << return_value;
    return false;
  }

  uint32_t id = 0;
  if (!ReadUint32Property(out_params.Get(), kProcessIdParameter, &id))
    return false;
  if (id == 0) {
    LOG(ERROR) << "WMI started " << command_line << " without a process id";
    return false;
  }
  if (process_id)
    *process_id = id;
  return true;
}

namespace internal {

bool WmiVariantToUint32(const VARIANT& value, uint32_t* result) {
  switch (value.vt) {
    case VT_I4:
      *result = static_cast<uint32_t>(value.lVal);
      return true;
    case VT_UI4:
      *result = value.ulVal;
      return true;
    default:
      return false;
  }
}

}  // namespace internal

}  // namespace installer
