// What one installation put on the computer: its folder, the files it
// copied, the registry values it wrote, its shortcuts and components, and a
// few facts about it. The installer fills one while it installs and saves it
// as kInstallLogFileName in the installation folder (InstallLogSerializer);
// the uninstaller and the status checks read it back and act on what it
// lists.
//
//   InstallLog log;
//   log.path = install_folder;
//   log.version = "1.2.3.4";
//   log.files.push_back(install_folder.Append(L"velto.exe"));
//   InstallLogSerializer().Save(log,
//   install_folder.Append(kInstallLogFileName));
//
// A plain value: copies are deep, nothing is locked; one thread owns it.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_H_

#include <string>
#include <utility>
#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/install_log_registry.h"

namespace installer {

// The file an installation saves its log as, in its installation folder.
extern const wchar_t kInstallLogFileName[];

struct InstallLog {
  // Every field at its default; |last_band_check| is the current time.
  InstallLog();

  // A stand-alone copy installation.
  bool copy_only = false;
  // Installed for every user of the computer.
  bool all_users = true;
  bool pinned = false;
  base::Time last_band_check;
  std::string app_id;  // UTF-8
  // The installation folder.
  base::FilePath path;
  base::FilePath subfolder;
  // The installed version's text.
  std::string version;
  // Each shortcut path is empty when the installation made none.
  base::FilePath desktop_shortcut;
  base::FilePath start_menu_shortcut;
  base::FilePath quick_launch_shortcut;
  // Every copied file, in the order copied.
  std::vector<base::FilePath> files;
  // The files copied to the root of the installation folder.
  std::vector<base::FilePath> root_files;
  // (name in UTF-8, path) of each installed component.
  std::vector<std::pair<std::string, base::FilePath>> components;
  // The values written under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
  InstallLogRegistry hklm_keys;
  InstallLogRegistry hkcu_keys;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_H_
