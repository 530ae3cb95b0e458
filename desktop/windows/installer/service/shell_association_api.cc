#include "desktop/windows/installer/service/shell_association_api.h"

#include <objbase.h>
#include <wrl/client.h>

#include <utility>

namespace installer {

namespace {

using Microsoft::WRL::ComPtr;

class ComActivator : public ShellAssociationApi::Activator {
 public:
  explicit ComActivator(ComPtr<IApplicationActivationManager> manager)
      : manager_(std::move(manager)) {}

  HRESULT ActivateApplication(const wchar_t* app_user_model_id,
                              const wchar_t* arguments) override {
    DWORD process_id = 0;
    return manager_->ActivateApplication(app_user_model_id, arguments, AO_NONE,
                                         &process_id);
  }

 private:
  ComPtr<IApplicationActivationManager> manager_;
};

class WindowsShellAssociationApi : public ShellAssociationApi {
 public:
  HRESULT QueryAppIsDefault(const wchar_t* query, ASSOCIATIONTYPE type,
                            ASSOCIATIONLEVEL level,
                            const wchar_t* app_registry_name,
                            BOOL* is_default) override {
    ComPtr<IApplicationAssociationRegistration> registration;
    HRESULT result = CreateRegistration(&registration);
    if (FAILED(result)) return result;
    return registration->QueryAppIsDefault(query, type, level,
                                           app_registry_name, is_default);
  }

  HRESULT SetAppAsDefault(const wchar_t* app_registry_name, const wchar_t* set,
                          ASSOCIATIONTYPE type) override {
    ComPtr<IApplicationAssociationRegistration> registration;
    HRESULT result = CreateRegistration(&registration);
    if (FAILED(result)) return result;
    return registration->SetAppAsDefault(app_registry_name, set, type);
  }

  std::unique_ptr<Activator> CreateActivator() override {
    ComPtr<IApplicationActivationManager> manager;
    if (FAILED(::CoCreateInstance(__uuidof(ApplicationActivationManager),
                                  nullptr, CLSCTX_ALL,
                                  IID_PPV_ARGS(&manager)))) {
      return nullptr;
    }
    // The Settings app comes to the front only when we hand it the right.
    ::CoAllowSetForegroundWindow(manager.Get(), nullptr);
    return std::make_unique<ComActivator>(std::move(manager));
  }

  HRESULT OpenWithDialog(HWND owner, const OPENASINFO& info) override {
    return ::SHOpenWithDialog(owner, &info);
  }

  void NotifyAssociationsChanged() override {
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  }

 private:
  static HRESULT CreateRegistration(
      ComPtr<IApplicationAssociationRegistration>* registration) {
    return ::CoCreateInstance(__uuidof(ApplicationAssociationRegistration),
                              nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(registration->GetAddressOf()));
  }
};

ShellAssociationApi* g_api_for_testing = nullptr;

}  // namespace

ShellAssociationApi* GetShellAssociationApi() {
  if (g_api_for_testing) return g_api_for_testing;
  // Stateless; never destroyed, so it serves until the process ends.
  static WindowsShellAssociationApi* const api =
      new WindowsShellAssociationApi();
  return api;
}

namespace internal {

ScopedShellAssociationApiForTesting::ScopedShellAssociationApiForTesting(
    ShellAssociationApi* api)
    : previous_(g_api_for_testing) {
  g_api_for_testing = api;
}

ScopedShellAssociationApiForTesting::~ScopedShellAssociationApiForTesting() {
  g_api_for_testing = previous_;
}

}  // namespace internal

}  // namespace installer
