// The few shell and COM calls through which Windows is asked to make an
// application the default: the default-programs registration (Windows Vista
// and 7), the Open With dialog (Windows 8 and 8.1), the Settings app's
// default-apps page (Windows 10 on), and the shell's change notification.
//
// Everything goes through GetShellAssociationApi(), the real calls unless a
// test put its own implementation in place, because these calls show
// windows or answer only on some releases, and a test must see what would
// have been shown and answered on each.
//
//   BOOL is_default = FALSE;
//   HRESULT result = GetShellAssociationApi()->QueryAppIsDefault(
//       L"StartmenuInternet", AT_STARTMENUCLIENT, AL_EFFECTIVE,
//       L"Velto developer", &is_default);
//
// The COM objects are created and released within each call, on a thread
// that has initialised COM. None of the calls log.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_SHELL_ASSOCIATION_API_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_SHELL_ASSOCIATION_API_H_

#include <memory>

#include "base/win/windows_types.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace installer {

class ShellAssociationApi {
 public:
  // One IApplicationActivationManager, allowed to take the foreground.
  class Activator {
   public:
    virtual ~Activator() = default;
    // ActivateApplication without options; the process id is not kept.
    virtual HRESULT ActivateApplication(const wchar_t* app_user_model_id,
                                        const wchar_t* arguments) = 0;
  };

  virtual ~ShellAssociationApi() = default;

  // IApplicationAssociationRegistration (created in-process) QueryAppIsDefault
  // and SetAppAsDefault. A failed creation gives its error.
  virtual HRESULT QueryAppIsDefault(const wchar_t* query, ASSOCIATIONTYPE type,
                                    ASSOCIATIONLEVEL level,
                                    const wchar_t* app_registry_name,
                                    BOOL* is_default) = 0;
  virtual HRESULT SetAppAsDefault(const wchar_t* app_registry_name,
                                  const wchar_t* set, ASSOCIATIONTYPE type) = 0;

  // Creates the ApplicationActivationManager (any context) and lets it take
  // the foreground (CoAllowSetForegroundWindow); null when it cannot be
  // created.
  virtual std::unique_ptr<Activator> CreateActivator() = 0;

  // SHOpenWithDialog.
  virtual HRESULT OpenWithDialog(HWND owner, const OPENASINFO& info) = 0;

  // SHChangeNotify(SHCNE_ASSOCCHANGED) without items.
  virtual void NotifyAssociationsChanged() = 0;
};

// The process's implementation; never null.
ShellAssociationApi* GetShellAssociationApi();

namespace internal {

// For tests only: makes GetShellAssociationApi() answer |api| (not owned)
// for the scope's life. Scopes nest; they must not overlap across threads.
class ScopedShellAssociationApiForTesting {
 public:
  explicit ScopedShellAssociationApiForTesting(ShellAssociationApi* api);
  ~ScopedShellAssociationApiForTesting();
  ScopedShellAssociationApiForTesting(
      const ScopedShellAssociationApiForTesting&) = delete;
  ScopedShellAssociationApiForTesting&
  operator=(const ScopedShellAssociationApiForTesting&) = delete;

 private:
  ShellAssociationApi* previous_;
};

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_SHELL_ASSOCIATION_API_H_
