#include "desktop/windows/installer/service/installation_info.h"

#include <userenv.h>

#include <algorithm>
#include <atomic>

#include "base/at_exit.h"
#include "base/build_channel.h"
#include "base/files/file_util.h"
#include "base/json/json_file_value_serializer.h"
#include "base/json/values.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
#include "desktop/windows/installer/service/path_validation.h"
#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/utils.h"
#include "desktop/windows/installer/service/version_info.h"

namespace installer {

const wchar_t kInstallerPrefsFileName[] = L"installer_prefs.json";

namespace {

const char kProfilePathPref[] = "profile_path";
const char kSingleProfilePref[] = "single_profile";
const wchar_t kUserNamePlaceholder[] = L"<USERNAME>";
const char kInternalStreamPlaceholder[] = "{InternalStream}";
const wchar_t kLauncherExe[] = L"launcher.exe";
const wchar_t kSingleProfileFolder[] = L"profile";
const wchar_t kSingleProfileDataFolder[] = L"data";

// 0, 1 while one thread builds the instance, then the instance.
std::atomic<uintptr_t> g_instance_state{base::kLazyInstanceStateNone};

void DeleteInstallationInfoInstance(void* /*unused*/) {
  delete reinterpret_cast<InstallationInfo*>(
      g_instance_state.exchange(base::kLazyInstanceStateNone));
}

base::FilePath FindInstallationFolder(const base::FilePath& exe_folder) {
  if (exe_folder.empty() || base::PathExists(exe_folder.Append(kLauncherExe)))
    return exe_folder;
  // The browser's executables live in a version subfolder below the one
  // that holds the launcher.
  const base::FilePath parent = exe_folder.DirName();
  if (parent != exe_folder && base::PathExists(parent.Append(kLauncherExe)))
    return parent;
  return exe_folder;
}

// The preferences of |folder| as they are on disk. The file belongs to the
// installer core: one that is not valid JSON is left where it is.
std::unique_ptr<base::DictionaryValue> ReadInstallerPrefs(
    const base::FilePath& folder) {
  // A relative folder would be read from wherever the process happens to
  // run, which is not this installation.
  if (!folder.IsAbsolute())
    return std::make_unique<base::DictionaryValue>();
  const base::FilePath path = folder.Append(kInstallerPrefsFileName);
  base::JSONFileValueDeserializer deserializer(path, 0);
  int error_code = 0;
  std::string error_message;
  std::unique_ptr<base::DictionaryValue> prefs = base::DictionaryValue::From(
      deserializer.Deserialize(&error_code, &error_message));
  if (prefs)
    return prefs;
  if (error_code != base::JSONFileValueDeserializer::JSON_NO_SUCH_FILE) {
    LOG(WARNING) << "Ignoring the preferences " << path.value() << ": "
                 << (error_message.empty() ? "not a dictionary"
                                           : error_message);
  }
  return std::make_unique<base::DictionaryValue>();
}

// Whether |folder| (normalised) is the folder of every user's home, or one
// above it. Without the system's answer nothing is trusted.
bool HoldsEveryUsersHome(const std::wstring& folder) {
  wchar_t buffer[MAX_PATH];
  DWORD size = MAX_PATH;
  if (!::GetProfilesDirectoryW(buffer, &size)) {
    PLOG(ERROR) << "Cannot find the folder of the users' homes";
    return true;
  }
  std::wstring homes;
  if (!NormalizeFolderBelowRoot(buffer, &homes))
    return false;  // The homes lie at a root, which is refused anyway.
  if (homes.size() < folder.size())
    return false;
  return base::FilePath::CompareIgnoreCase(
             base::StringPiece16(homes).substr(0, folder.size()), folder) ==
             0 &&
         (homes.size() == folder.size() || homes[folder.size()] == L'\\');
}

}  // namespace

InstallationInfo::InstallationInfo(const base::FilePath& folder)
    : folder_(folder) {
  Initialize();
}

InstallationInfo::InstallationInfo(const base::FilePath& folder,
                                   const InstallLog& log)
    : folder_(folder), log_loaded_(true), log_(log) {
  Initialize();
}

InstallationInfo::InstallationInfo(ForExecutable) {
  base::FilePath exe_folder;
  if (base::PathService::Get(base::PathKey::ExeDirectory, &exe_folder))
    folder_ = FindInstallationFolder(exe_folder);
  Initialize();
}

InstallationInfo::~InstallationInfo() = default;

// static
InstallationInfo* InstallationInfo::GetInstance() {
  return base::GetOrCreateLazyPointer<InstallationInfo>(
      &g_instance_state, [] {
        InstallationInfo* instance = new InstallationInfo(ForExecutable());
        base::AtExitManager::RegisterCallback(&DeleteInstallationInfoInstance,
                                              nullptr);
        return instance;
      });
}

void InstallationInfo::Initialize() {
  ReadProfilePath(&profile_path_);
  // A NUL inside the preference would end the path for every Windows call.
  profile_path_.resize(
      std::min(profile_path_.size(), profile_path_.find(L'\0')));
  app_registry_name_ = base::UTF8ToUTF16(VersionInfo::GetProductName() + " " +
                                         VersionInfo::GetStreamName());
}

const base::DictionaryValue& InstallationInfo::GetPrefs() {
  if (!prefs_)
    prefs_ = ReadInstallerPrefs(folder_);
  return *prefs_;
}

bool InstallationInfo::ReadProfilePath(std::wstring* path) {
  return GetPrefs().GetString16(kProfilePathPref, path);
}

bool InstallationInfo::IsSingleProfile() {
  bool single_profile = false;
  return GetPrefs().GetBoolean(kSingleProfilePref, &single_profile) &&
         single_profile;
}

void InstallationInfo::EnsureInstallLogLoaded() {
  if (log_loaded_)
    return;
  log_loaded_ = true;
  // Like the preferences, a log is never looked for relative to wherever
  // the process runs. A missing or broken log leaves the record as it was
  // made: the defaults.
  if (folder_.IsAbsolute())
    InstallLogSerializer().Load(&log_, folder_.Append(kInstallLogFileName));
}

bool InstallationInfo::IsCopyOnly() {
  EnsureInstallLogLoaded();
  return log_.copy_only;
}

bool InstallationInfo::IsInstalledForAllUsers() {
  EnsureInstallLogLoaded();
  return log_.all_users;
}

bool InstallationInfo::GetSingleProfileFolder(base::FilePath* folder) {
  return IsSingleProfile() &&
         HandOutFolder(folder_.Append(kSingleProfileFolder), folder);
}

bool InstallationInfo::GetUserDataFolder(base::FilePath* folder) {
  return GetUserDataFolderForChannel(folder, false, base::GetBuildChannel());
}

bool InstallationInfo::GetChannelProfilePath(base::FilePath* path,
                                             int32_t channel) {
  if (folder_.empty())
    return false;
  if (profile_path_.empty()) {
    base::FilePath app_data;
    if (!base::PathService::Get(base::PathKey::AppData, &app_data))
      return false;
    return HandOutFolder(
        internal::AppendProfilePathTemplate(
            app_data, ProductSettings::GetDefaultProfilePathTemplate(),
            GetChannelName(channel)),
        path);
  }

  std::wstring custom = profile_path_;
  const size_t placeholder = custom.find(kUserNamePlaceholder);
  if (placeholder != std::wstring::npos) {
    std::wstring user_name;
    if (!GetCurrentUserName(&user_name)) {
      PLOG(ERROR) << "Cannot fill in the user name of profile path "
                  << profile_path_;
      return false;
    }
    custom.replace(placeholder, wcslen(kUserNamePlaceholder), user_name);
  }
  return HandOutFolder(base::FilePath(custom), path);
}

bool InstallationInfo::GetProfilesParentFolder(base::FilePath* folder) {
  return GetUserDataFolderForChannel(folder, true, base::GetBuildChannel());
}

bool InstallationInfo::GetUserDataFolderForChannel(base::FilePath* folder,
                                                   bool strip_user_name,
                                                   int32_t channel) {
  if (folder_.empty())
    return false;
  // One profile, inside the installation: there are no other users' to
  // find, whatever "profile_path" says.
  if (IsSingleProfile()) {
    return HandOutFolder(
        folder_.Append(kSingleProfileFolder).Append(kSingleProfileDataFolder),
        folder);
  }
  base::FilePath result;
  if (!GetChannelProfilePath(&result, channel))
    return false;
  // The user name was the last component: the folder above holds the
  // profiles of all users.
  if (strip_user_name && UserNameIsLastComponent())
    return HandOutFolder(result.DirName(), folder);
  *folder = result;
  return true;
}

bool InstallationInfo::UserNameIsLastComponent() const {
  // Normalised first, so that "<USERNAME>\." and "<USERNAME>\\" end in it too.
  // A user name holds no separator and is never "." or "..": the filled-in
  // path has the same components.
  std::wstring normalized;
  if (!NormalizeFolderBelowRoot(profile_path_, &normalized))
    return false;
  const size_t placeholder = normalized.find(kUserNamePlaceholder);
  return placeholder != std::wstring::npos &&
         placeholder > normalized.find_last_of(L'\\');
}

bool InstallationInfo::HandOutFolder(const base::FilePath& folder,
                                     base::FilePath* out) const {
  std::wstring normalized;
  if (!NormalizeFolderBelowRoot(folder.value(), &normalized) ||
      HoldsEveryUsersHome(normalized)) {
    LOG(ERROR) << "Refusing \"" << folder.value() << "\" for the user data of "
               << folder_.value() << " (profile path \"" << profile_path_
               << "\"): it is relative, a root, or holds every user's home";
    return false;
  }
  *out = base::FilePath(normalized);
  return true;
}

void InstallationInfo::RebaseUserPath(const base::FilePath& path,
                                      base::FilePath* rebased) {
  *rebased = path;
  if (!profile_path_.empty())
    return;
  base::FilePath roaming;
  base::FilePath local;
  if (!base::PathService::Get(base::PathKey::AppData, &roaming) ||
      !base::PathService::Get(base::PathKey::LocalAppData, &local)) {
    return;
  }
  if (roaming.AppendRelativePath(path, &local))
    *rebased = local;
}

InstallationInfo* GetInstallationInfo() {
  return InstallationInfo::GetInstance();
}

bool InstallationNeedsElevation(bool all_users, bool folder_writable) {
  if (IsAdminUser(false))
    return false;
  return all_users || !folder_writable;
}

namespace internal {

base::FilePath AppendProfilePathTemplate(const base::FilePath& app_data,
                                         base::StringPiece path_template,
                                         base::StringPiece channel_name) {
  std::string relative = path_template.as_string();
  base::ReplaceSubstringsAfterOffset(&relative, 0, kInternalStreamPlaceholder,
                                     channel_name, true);
  // The template is UTF-8: a company or product name need not be ASCII.
  return app_data.AppendPath(
      base::FilePath::FromUTF8Unsafe(relative).NormalizePathSeparators());
}

}  // namespace internal

}  // namespace installer
