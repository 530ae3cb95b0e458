#include "desktop/windows/installer/service/utils.h"

#include <algorithm>

#include "base/base_paths_win.h"
#include "base/build_channel.h"
#include "base/files/file.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/memory_mapped_file.h"
#include "base/little_endian.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry_key_path.h"
#include "base/win/scoped_handle.h"
#include "base/win/shortcut.h"
#include "base/win/well_known_sid.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/version_info.h"

namespace installer {

namespace {

internal::ScopedGetTokenInformationForTesting::Function
    g_get_token_information = &::GetTokenInformation;

// 256 characters of a logon name and its NUL (UNLEN + 1).
constexpr DWORD kUserNameCapacity = 257;

bool IsAdministratorsMember(HANDLE token) {
  HANDLE raw_duplicate = nullptr;
  if (!::DuplicateToken(token, SecurityIdentification, &raw_duplicate))
    return false;
  base::win::ScopedHandle duplicate(raw_duplicate);

  base::win::ScopedSid administrators = base::win::CreateAdministratorsSid();
  if (!administrators.IsValid())
    return false;
  BOOL is_member = FALSE;
  return ::CheckTokenMembership(duplicate.Get(), administrators.Get(),
                                &is_member) &&
         is_member;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a,
              const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Whether a shortcut's resolved target names |target|.
bool TargetMatches(const base::FilePath& resolved, const base::FilePath& target,
                   const BY_HANDLE_FILE_INFORMATION* target_information) {
  if (base::FilePath::CompareIgnoreCase(resolved.value(), target.value()) == 0)
    return true;
  BY_HANDLE_FILE_INFORMATION resolved_information;
  return target_information &&
         GetFileIdentity(resolved, &resolved_information) &&
         SameFile(resolved_information, *target_information);
}

}  // namespace

bool IsAdminUser(bool consider_linked_token) {
  HANDLE raw_token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(),
                          TOKEN_DUPLICATE | TOKEN_QUERY, &raw_token)) {
    return false;
  }
  base::win::ScopedHandle token(raw_token);

  if (consider_linked_token &&
      base::win::GetWindowsVersion() >= base::win::VERSION_VISTA) {
    TOKEN_ELEVATION_TYPE elevation_type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!g_get_token_information(token.Get(), TokenElevationType,
                               &elevation_type, sizeof(elevation_type),
                               &size)) {
      return false;
    }
    if (elevation_type == TokenElevationTypeLimited) {
      TOKEN_LINKED_TOKEN linked = {};
      if (!g_get_token_information(token.Get(), TokenLinkedToken, &linked,
                                   sizeof(linked), &size)) {
        return false;
      }
      // The linked token is ours to close; the owner does it.
      token.Set(linked.LinkedToken);
    }
  }
  return IsAdministratorsMember(token.Get());
}

bool GetUserNameWithFormat(std::wstring* name, EXTENDED_NAME_FORMAT format) {
  ULONG size = 0;
  if (::GetUserNameExW(format, nullptr, &size) ||
      ::GetLastError() != ERROR_MORE_DATA) {
    return false;
  }
  std::wstring buffer(size + 1, L'\0');
  if (!::GetUserNameExW(format, &buffer[0], &size))
    return false;
  buffer.resize(std::min<size_t>(size, buffer.size()));
  *name = std::move(buffer);
  return true;
}

bool GetUserDisplayName(std::wstring* name) {
  return GetUserNameWithFormat(name, NameDisplay);
}

bool GetCurrentUserName(std::wstring* name) {
  wchar_t buffer[kUserNameCapacity];
  DWORD size = kUserNameCapacity;
  if (!::GetUserNameW(buffer, &size))
    return false;
  name->assign(buffer);
  return true;
}

bool GetKnownFolderPath(const KNOWNFOLDERID& folder_id, int /*csidl*/,
                        base::FilePath* path, bool create) {
  return base::GetKnownFolderPath(folder_id, 0, path) ||
         (create && base::GetKnownFolderPath(
                        folder_id, KF_FLAG_CREATE | KF_FLAG_INIT, path));
}

std::wstring GetKernelObjectName(const std::wstring& instance,
                                 const std::wstring& base_name, bool global) {
  std::wstring name = base_name + L"/" + instance;
  std::replace(name.begin(), name.end(), L'\\', L'/');
  return (global ? L"Global\\" : L"Local\\") + name;
}

bool GetFileIdentity(const base::FilePath& path,
                     BY_HANDLE_FILE_INFORMATION* information) {
  // No access is needed to read the identity, so a file opened exclusively
  // by someone else still answers.
  base::File file(path, base::File::FLAG_OPEN);
  return file.IsValid() &&
         ::GetFileInformationByHandle(file.GetPlatformFile(), information);
}

bool ShortcutPointsTo(const base::FilePath& shortcut,
                      const base::FilePath& target,
                      const BY_HANDLE_FILE_INFORMATION* target_information) {
  VLOG(1) << "Testing shortcut" << shortcut.value();
  if (shortcut.empty() || !base::PathExists(shortcut))
    return false;
  base::FilePath resolved;
  return base::win::ResolveShortcut(shortcut, &resolved) &&
         TargetMatches(resolved, target, target_information);
}

void FindTaskbarPinsTo(const base::FilePath& target,
                       const BY_HANDLE_FILE_INFORMATION* target_information,
                       std::vector<base::FilePath>* pins) {
  if (base::win::GetWindowsVersion() < base::win::VERSION_WIN7)
    return;
  base::FilePath pins_folder;
  if (!base::PathService::Get(base::PathKey::TaskbarPins, &pins_folder) ||
      !base::DirectoryExists(pins_folder)) {
    LOG(ERROR) << "Couldn't find path to taskbar pins.";
    return;
  }
  base::FileEnumerator enumerator(pins_folder, /*recursive=*/false,
                                  base::FileEnumerator::FILES, L"*.lnk");
  for (base::FilePath shortcut = enumerator.Next(); !shortcut.empty();
       shortcut = enumerator.Next()) {
    base::FilePath resolved;
    if (!base::win::ResolveShortcut(shortcut, &resolved)) {
      LOG(ERROR) << "Couldn't resolve shortcut at " << shortcut.value();
      continue;
    }
    if (TargetMatches(resolved, target, target_information))
      pins->push_back(shortcut);
  }
}

std::string GetExecutableName() {
  return ProductSettings::GetFileNameBase() + ".exe";
}

bool IsExecutable64Bit(const base::FilePath& path, bool* is64) {
  if (!base::PathExists(path))
    return false;
  base::MemoryMappedFile image;
  if (!image.InitializeReadOnly(path))
    return false;

  // Every field is checked against the mapping's length before it is read:
  // a short or lying header must not lead past the view.
  constexpr size_t kHeaderOffsetField = 60;  // IMAGE_DOS_HEADER::e_lfanew.
  constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0".
  const uint8_t* data = image.data();
  const size_t length = image.length();
  if (length < kHeaderOffsetField + sizeof(uint32_t) ||
      base::ReadLittleEndian16(data) != IMAGE_DOS_SIGNATURE) {
    return false;
  }
  const uint64_t header = base::ReadLittleEndian32(data + kHeaderOffsetField);
  if (header + sizeof(uint32_t) + sizeof(uint16_t) > length ||
      base::ReadLittleEndian32(data + header) != kPeSignature) {
    return false;
  }
  *is64 = base::ReadLittleEndian16(data + header + sizeof(uint32_t)) !=
          IMAGE_FILE_MACHINE_I386;
  return true;
}

std::string GetChannelName(int32_t channel) {
  switch (channel) {
    case 1:
      return "Nightly";
    case 2:
      return "Developer";
    case 3:
      return "Next";
    case 4:
      return "Stable";
    default:
      return VersionInfo::GetStreamName();
  }
}

std::string GetCurrentChannelName() {
  return GetChannelName(base::GetBuildChannel());
}

std::wstring GetProductRegistryKey() {
  return base::win::KeyPathAppend(
      L"Software", base::UTF8ToWide(ProductSettings::GetCompanyName()));
}

std::wstring GetUninstallRegistryKey() {
  return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
}

namespace internal {

ScopedGetTokenInformationForTesting::ScopedGetTokenInformationForTesting(
    Function function)
    : previous_(g_get_token_information) {
  g_get_token_information = function;
}

ScopedGetTokenInformationForTesting::~ScopedGetTokenInformationForTesting() {
  g_get_token_information = previous_;
}

}  // namespace internal

}  // namespace installer
