// One installation folder of the browser as the engine finds it on disk: its
// install log (kInstallLogFileName), its installer preferences
// ("installer_prefs.json") and the folders where the browser keeps its user
// data.
//
//   InstallationInfo info(install_folder);
//   base::FilePath user_data;
//   if (info.GetUserDataFolder(&user_data)) ...
//   if (info.IsCopyOnly()) ...
//
// Both files are read lazily, once: the preferences when the object is made
// (it asks for "profile_path"), the log on the first question about it.
// Later changes on disk are not seen. Neither file is ever written or moved,
// not even a malformed one, and without an absolute folder neither is read.
//
// The uninstallation deletes below the folders this class hands out, so
// each is handed out in its normalised spelling and only when it lies below
// the root of a drive or share (NormalizeFolderBelowRoot) and does not hold
// the folder of every user's home; otherwise the call answers false.
//
// The process-wide instance, GetInstance(), describes the installation the
// running executable belongs to and lives until the at-exit manager runs.
// Any thread may ask for it; an InstallationInfo itself has no lock, and its
// operations belong to one thread at a time.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_INFO_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/strings/string_piece.h"
#include "desktop/windows/installer/service/browser_registration.h"
#include "desktop/windows/installer/service/install_log.h"

namespace base {
class DictionaryValue;
}

namespace installer {

// The installer preferences' file, in the installation folder.
extern const wchar_t kInstallerPrefsFileName[];

// Also the installation that BrowserRegistration registers and makes the
// default browser.
class InstallationInfo : public BrowserRegistration::Installation {
 public:
  // Describes |folder|; its install log is read from disk when first needed.
  explicit InstallationInfo(const base::FilePath& folder);
  // Describes |folder| with |log| as its install log; the log on disk is
  // never read. For the installer's finalize step, which has just saved it.
  InstallationInfo(const base::FilePath& folder, const InstallLog& log);
  ~InstallationInfo() override;
  InstallationInfo(const InstallationInfo&) = delete;
  InstallationInfo& operator=(const InstallationInfo&) = delete;

  // The process-wide instance, made on the first call: the folder of the
  // running executable, or its parent when only the parent holds
  // "launcher.exe" (an executable in a version subfolder). Deleted by the
  // at-exit manager current at creation (never, without one).
  static InstallationInfo* GetInstance();

  const base::FilePath& folder() const override { return folder_; }
  // The product name, a space and the stream name: the name the browser is
  // registered under with the Windows default-programs interface.
  const std::wstring& app_registry_name() const override {
    return app_registry_name_;
  }

  // The preference "profile_path" as UTF-16; false (|path| unchanged) when
  // it is missing or not a string.
  bool ReadProfilePath(std::wstring* path);
  // The boolean preference "single_profile"; false when it is missing, not a
  // boolean, or the preferences could not be read.
  bool IsSingleProfile() override;

  // Whether the installation is a stand-alone copy, from the install log;
  // false when the log is missing or malformed.
  bool IsCopyOnly();

  // Whether the installation is for all users, from the install log; true
  // (the log's default) when the log is missing or malformed.
  bool IsInstalledForAllUsers() override;

  // Each folder below is refused as the class comment says; the out
  // parameter is unchanged when the answer is false.

  // folder\"profile" for a single-profile installation; false otherwise.
  bool GetSingleProfileFolder(base::FilePath* folder);

  // The user-data folder of this installation for the build's channel.
  bool GetUserDataFolder(base::FilePath* folder);

  // The profile location for |channel|: below the roaming application-data
  // folder, named by the product's profile-path template, or the custom
  // "profile_path" with "<USERNAME>" replaced by the process's user name.
  // False when the folder or the user name cannot be had.
  bool GetChannelProfilePath(base::FilePath* path, int32_t channel);

  // The folder that holds every user's profiles for the build's channel; the
  // uninstallation removes profiles below it.
  bool GetProfilesParentFolder(base::FilePath* folder);

  // The user-data folder for |channel|: folder\"profile"\"data" for a
  // single-profile installation, else GetChannelProfilePath. With
  // |strip_user_name|, a custom "profile_path" whose last component holds
  // "<USERNAME>" gives the folder above it.
  bool GetUserDataFolderForChannel(base::FilePath* folder,
                                   bool strip_user_name, int32_t channel);

  // |*rebased| = |path|, or, with no custom "profile_path" and |path| below
  // the roaming application-data folder, the same components below the
  // local application-data folder.
  void RebaseUserPath(const base::FilePath& path, base::FilePath* rebased);

 private:
  struct ForExecutable {};
  // The process-wide instance's constructor.
  explicit InstallationInfo(ForExecutable);

  void Initialize();
  // The preferences of folder\"installer_prefs.json", read on the first
  // call; empty when the file is missing, unreadable or not a dictionary.
  const base::DictionaryValue& GetPrefs();
  void EnsureInstallLogLoaded();
  // Whether the first "<USERNAME>" of the custom profile path lies in its
  // last component, once the path is normalised.
  bool UserNameIsLastComponent() const;
  // |*out| = |folder| normalised when things may be deleted below it.
  bool HandOutFolder(const base::FilePath& folder, base::FilePath* out) const;

  std::unique_ptr<base::DictionaryValue> prefs_;
  base::FilePath folder_;
  // The custom profile location; empty for the default one.
  std::wstring profile_path_;
  bool log_loaded_ = false;
  InstallLog log_;
  std::wstring app_registry_name_;
};

// The same as InstallationInfo::GetInstance().
InstallationInfo* GetInstallationInfo();

// Whether an installation must run elevated: never for an administrator;
// otherwise always for all users, and for one user when |folder_writable| is
// false.
bool InstallationNeedsElevation(bool all_users, bool folder_writable);

namespace internal {

// |app_data| with |path_template| appended: every "{InternalStream}"
// replaced by |channel_name| and "/" taken as a separator. The template is
// UTF-8 text.
base::FilePath AppendProfilePathTemplate(const base::FilePath& app_data,
                                         base::StringPiece path_template,
                                         base::StringPiece channel_name);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALLATION_INFO_H_
