// The installer's small services: who the user is, where the known folders
// are, the names of kernel objects shared between installer processes, file
// identity and shortcut tests, the product's executable name, registry keys
// and channel name. Access lists live in access_control.h and the syntax
// check of user-given folders in path_validation.h.
//
//   std::wstring mutex_name =
//       GetKernelObjectName(install_folder.value(), L"Velto/Installer", true);
//   // "Global\Velto/Installer/C:/Program Files/Velto"
//
// None of these keep state; any thread may call them. Only ShortcutPointsTo
// and FindTaskbarPinsTo log; the others answer failure with false or an
// empty result.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_UTILS_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/windows_types.h"

#include <shlobj.h>

#define SECURITY_WIN32
#include <secext.h>
#undef SECURITY_WIN32

namespace installer {

// Whether the process token belongs to BUILTIN\Administrators. With
// |consider_linked_token|, a filtered (limited) token on Vista and later is
// judged by its linked full token: the user could elevate.
bool IsAdminUser(bool consider_linked_token);

// The current user's name in |format| (GetUserNameExW). These three leave
// the failing call's error as the last error when they answer false.
bool GetUserNameWithFormat(std::wstring* name, EXTENDED_NAME_FORMAT format);
// The current user's display name (NameDisplay).
bool GetUserDisplayName(std::wstring* name);
// The current user's logon name (GetUserNameW).
bool GetCurrentUserName(std::wstring* name);

// The path of the known folder |folder_id| (base::GetKnownFolderPath). With
// |create| a missing folder is created. |csidl| names the same folder for
// systems without known folders; the program no longer loads on those, so
// it is not consulted.
bool GetKnownFolderPath(const KNOWNFOLDERID& folder_id, int csidl,
                        base::FilePath* path, bool create);

// The name of an event or mutex shared between installer processes:
// "Global\" or "Local\", |base_name|, "/" and |instance|, with every
// backslash turned into "/" (a backslash after the prefix would name a
// namespace).
std::wstring GetKernelObjectName(const std::wstring& instance,
                                 const std::wstring& base_name, bool global);

// The volume serial number and file index of the file at |path|. Two
// paths name the same file when those three numbers agree.
bool GetFileIdentity(const base::FilePath& path,
                     BY_HANDLE_FILE_INFORMATION* information);

// Whether the .lnk file |shortcut| points at |target|: by path, ignoring
// case, or, when |target_information| is given, by file identity (the same
// file reached through another path). Logs at verbose level 1.
bool ShortcutPointsTo(const base::FilePath& shortcut,
                      const base::FilePath& target,
                      const BY_HANDLE_FILE_INFORMATION* target_information);

// Appends to |pins| every shortcut of the taskbar-pins folder that points at
// |target| as ShortcutPointsTo tests it. Windows 7 and later only; logs
// an error when the folder or a shortcut cannot be read.
void FindTaskbarPinsTo(const base::FilePath& target,
                       const BY_HANDLE_FILE_INFORMATION* target_information,
                       std::vector<base::FilePath>* pins);

// The product executable's file name: "file_name_base" of the product
// settings plus ".exe".
std::string GetExecutableName();

// Whether |path| is a PE image; if so, |*is64| tells whether it is built
// for another machine than 32-bit x86. A file too short for the fields
// read answers false.
bool IsExecutable64Bit(const base::FilePath& path, bool* is64);

// The name of build channel |channel| (1 "Nightly", 2 "Developer", 3 "Next",
// 4 "Stable"); the stream name for any other number.
std::string GetChannelName(int32_t channel);
// The name of this build's channel.
std::string GetCurrentChannelName();

// "Software\<company>" with the product settings' "company_name".
std::wstring GetProductRegistryKey();
// "Software\Microsoft\Windows\CurrentVersion\Uninstall".
std::wstring GetUninstallRegistryKey();

namespace internal {

// For tests only: routes the token queries of IsAdminUser through |function|
// for the scope's life, since a test process cannot make its own token a
// filtered one. Scopes nest; they must not overlap across threads.
class ScopedGetTokenInformationForTesting {
 public:
  using Function = decltype(&::GetTokenInformation);
  explicit ScopedGetTokenInformationForTesting(Function function);
  ~ScopedGetTokenInformationForTesting();
  ScopedGetTokenInformationForTesting(
      const ScopedGetTokenInformationForTesting&) = delete;
  ScopedGetTokenInformationForTesting& operator=(
      const ScopedGetTokenInformationForTesting&) = delete;

 private:
  Function previous_;
};

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_UTILS_H_
