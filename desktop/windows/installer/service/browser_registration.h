// Registers the browser with Windows as a handler of web protocols and
// document types, makes it the default browser when the user asks for it,
// remembers the browser that was the default before, and tells whether an
// installation is the default.
//
//   BrowserRegistration registration(&installation);
//   registration.SavePreviousDefaultBrowser(/*all_users=*/false);
//   if (!registration.MakeDefaultBrowser(/*all_users=*/false)) ...
//
// Registry rows (association_tables.h) run in one Transaction per call: the
// first failing row undoes the rows before it. How the default is made
// depends on the Windows release: registry rows on Windows XP, the
// default-programs interface on Windows Vista and 7, the Open With dialog on
// Windows 8 and 8.1, the Settings app's default-apps page from Windows 10
// on; the shell calls go through GetShellAssociationApi().
//
// Every operation answers failure with false and logs nothing. An "all
// users" flag selects HKEY_LOCAL_MACHINE for the rows, else
// HKEY_CURRENT_USER. Runs on a thread that has initialised COM as a
// single-threaded apartment.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_BROWSER_REGISTRATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_BROWSER_REGISTRATION_H_

#include <string>

#include "base/files/file_path.h"

namespace installer {

// The Settings app's default-apps target for the protocol |name|:
// "SystemSettings_DefaultApps_Browser" for "http" (any ASCII case),
// "SystemSettings_DefaultApps_Email" for "mailto", else
// "SettingsPageAppsDefaultsProtocolView".
std::wstring GetDefaultAppsSettingsTarget(const std::wstring& name);

// The command line registered to open the protocol |name| ("http") or the
// file extension |name| (".htm"): for the current user, whose own choice
// counts from Windows Vista on, or, with |machine_level|, from the machine's
// classes. False when nothing is registered or it cannot be read, and for a
// name that is not one key name (empty, or holding "\" or a NUL).
bool GetRegisteredOpenCommand(const std::wstring& name, bool machine_level,
                              std::wstring* command);

class BrowserRegistration {
 public:
  // What the registration needs to know about one installation
  // (InstallationInfo answers it).
  class Installation {
   public:
    virtual ~Installation() = default;
    // The installation folder. One that is not absolute is neither
    // registered nor recognised as the handler.
    virtual const base::FilePath& folder() const = 0;
    // The name registered with the default-programs interface: the product
    // name, a space and the stream name.
    virtual const std::wstring& app_registry_name() const = 0;
    // A single-profile installation is never made the default browser.
    virtual bool IsSingleProfile() = 0;
    // Whether the install log says the installation is for all users.
    virtual bool IsInstalledForAllUsers() = 0;
  };

  // |installation| is not owned and must outlive this object.
  explicit BrowserRegistration(Installation* installation);
  BrowserRegistration(const BrowserRegistration&) = delete;
  BrowserRegistration& operator=(const BrowserRegistration&) = delete;

  // Whether the current user's command for the protocol or extension |name|
  // runs this installation's "launcher.exe", or with
  // |use_product_executable| its product executable: its full path, case
  // ignored, stands whole in the command (quoted or between blanks).
  bool IsDefaultHandlerFor(const std::wstring& name,
                           bool use_product_executable);

  // This installation opens "http" and "https"; below Windows 8 it must also
  // be the start menu's Internet client.
  bool IsDefaultBrowser();

  // Whether the start menu's Internet client is this installation: asked of
  // the default-programs interface for an installation for all users on
  // Windows Vista and later, else read from the registry.
  bool IsStartMenuInternetDefault();

  // Unless this installation already opens "http", writes the command that
  // does as "Previous Default Browser" in the product's key. Failures are
  // not reported.
  void SavePreviousDefaultBrowser(bool all_users);

  // Registers the associations and makes this installation the handler of
  // the web protocols and documents; answers IsDefaultBrowser() afterwards.
  // Always false for a single-profile installation.
  bool MakeDefaultBrowser(bool all_users);

  // Writes the browser's own class ("{Product}{Stream}").
  bool RegisterAssociations(bool all_users);

  // Makes this installation the handler of the protocol or extension |name|
  // in the way of the running Windows release. Refuses all users from
  // Windows 8 on, and a name that is not one key name (empty, or holding "\"
  // or a NUL). On Windows 10 it only opens the default-apps page and
  // writes nothing.
  bool MakeDefaultFor(const std::wstring& name, bool all_users);

  // Names this installation the start menu's Internet client. Refuses all
  // users from Windows 8 on.
  bool MakeStartMenuInternetDefault(bool all_users);

 private:
  // Runs the protocol or extension rows for |name|; without the last row
  // (the per-user choice) unless |with_user_choice|.
  bool RunAssociationRows(const std::wstring& name, bool all_users,
                          bool with_user_choice);

  // Whether the installation folder is absolute ("C:\..." or
  // "\\server\share\..."). An empty or relative folder would register, or
  // recognise, a launcher wherever the current drive or folder happens to
  // be; the operations that register or recognise the handler refuse it.
  bool HasAbsoluteFolder() const;

  // Whether this is Windows Vista or 7, called for the current user of an
  // installation for all users: the default-programs interface decides.
  bool UsesDefaultPrograms(bool all_users);

  Installation* const installation_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_BROWSER_REGISTRATION_H_
