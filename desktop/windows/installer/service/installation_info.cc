#include "desktop/windows/installer/service/installation_info.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "base/at_exit.h"
#include "base/build_channel.h"
#include "base/files/file_util.h"
#include "base/json/values.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/null_task_runner.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
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

// True for a folder that may safely hold every user's profiles: absolute,
// and below the root of its drive or share once "." and ".." are resolved.
// The uninstallation deletes profiles under it.
bool IsSafeProfilesParent(const base::FilePath& folder) {
  if (folder.empty() || !folder.IsAbsolute())
    return false;
  const base::FilePath absolute = base::MakeAbsoluteFilePath(folder);
  std::vector<std::wstring> components;
  absolute.GetComponents(&components);
  if (components.empty())
    return false;
  // "C:\" is "C:" and "\"; "\\server\share" is "\\", "server" and "share".
  const bool is_unc = components[0].size() == 2 &&
                      base::FilePath::IsSeparator(components[0][0]) &&
                      base::FilePath::IsSeparator(components[0][1]);
  return components.size() > (is_unc ? 3u : 2u);
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
  app_registry_name_ = base::UTF8ToUTF16(VersionInfo::GetProductName() + " " +
                                         VersionInfo::GetStreamName());
}

scoped_refptr<JsonPrefStore> InstallationInfo::GetPrefStore() {
  if (!prefs_) {
    prefs_ = new JsonPrefStore(
        folder_.Append(kInstallerPrefsFileName),
        scoped_refptr<base::SequencedTaskRunner>(new base::NullTaskRunner));
    // A failed read leaves the store empty: every preference at its default.
    // Without a folder the name would be taken relative to the current
    // directory, which is not this installation's: nothing is read.
    if (!folder_.empty())
      prefs_->ReadPrefs();
  }
  return prefs_;
}

bool InstallationInfo::ReadProfilePath(std::wstring* path) {
  const base::Value* value = nullptr;
  if (!GetPrefStore()->GetValue(kProfilePathPref, &value))
    return false;
  return value->GetAsString(path);
}

bool InstallationInfo::IsSingleProfile() {
  scoped_refptr<JsonPrefStore> store = GetPrefStore();
  // An installation folder that does not exist has no preferences to trust.
  if (!store->IsInitializationComplete())
    return false;
  const base::Value* value = nullptr;
  bool single_profile = false;
  return store->GetValue(kSingleProfilePref, &value) &&
         value->GetAsBoolean(&single_profile) && single_profile;
}

void InstallationInfo::EnsureInstallLogLoaded() {
  if (log_loaded_)
    return;
  log_loaded_ = true;
  // A missing or broken log leaves the record as it was made: the defaults.
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
  if (!IsSingleProfile())
    return false;
  *folder = folder_.Append(kSingleProfileFolder);
  return true;
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
    *path = internal::AppendProfilePathTemplate(
        app_data, ProductSettings::GetDefaultProfilePathTemplate(),
        GetChannelName(channel));
    return true;
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
  // A NUL inside the preference would end the path for every Windows call.
  custom.resize(std::min(custom.size(), custom.find(L'\0')));
  *path = base::FilePath(custom);
  return true;
}

bool InstallationInfo::GetProfilesParentFolder(base::FilePath* folder) {
  return GetUserDataFolderForChannel(folder, true, base::GetBuildChannel());
}

bool InstallationInfo::GetUserDataFolderForChannel(base::FilePath* folder,
                                                   bool strip_user_name,
                                                   int32_t channel) {
  if (folder_.empty())
    return false;
  base::FilePath result;
  if (IsSingleProfile()) {
    result = folder_.Append(kSingleProfileFolder)
                 .Append(kSingleProfileDataFolder);
  } else if (!GetChannelProfilePath(&result, channel)) {
    return false;
  }

  if (strip_user_name) {
    const size_t placeholder = profile_path_.find(kUserNamePlaceholder);
    if (placeholder != std::wstring::npos) {
      const size_t separator = profile_path_.find_first_of(L"\\/", placeholder);
      // The user name was the last component: the folder above holds the
      // profiles of all users.
      if (separator == std::wstring::npos ||
          separator == profile_path_.size() - 1) {
        result = result.DirName();
      }
    }
    // Every user's profiles below it get deleted: a drive, a share, or a
    // folder relative to wherever the uninstaller runs must never qualify.
    if (!IsSafeProfilesParent(result)) {
      LOG(ERROR) << "Refusing \"" << result.value()
                 << "\" as the parent of all profiles (profile path \""
                 << profile_path_ << "\")";
      return false;
    }
  }
  *folder = result;
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
