#include "desktop/windows/installer/service/browser_registration.h"

#include <iterator>
#include <memory>

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/registry_key_path.h"
#include "base/win/windows_types.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/association_placeholder_resolver.h"
#include "desktop/windows/installer/service/association_tables.h"
#include "desktop/windows/installer/service/reg_op.h"
#include "desktop/windows/installer/service/shell_association_api.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/utils.h"

namespace installer {

namespace {

using base::win::KeyPathAppend;
using base::win::RegKey;

constexpr wchar_t kLauncherName[] = L"launcher.exe";
constexpr wchar_t kPreviousDefaultBrowserValue[] = L"Previous Default Browser";
constexpr wchar_t kStartMenuInternetClient[] = L"StartmenuInternet";
constexpr wchar_t kStartMenuInternetKey[] =
    L"Software\\Clients\\StartMenuInternet";
constexpr wchar_t kMachineClassesKey[] = L"SOFTWARE\\Classes";
constexpr wchar_t kOpenCommandKey[] = L"shell\\open\\command";
constexpr wchar_t kFileExtsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
constexpr wchar_t kUrlAssociationsKey[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations";
constexpr wchar_t kUserChoiceKey[] = L"UserChoice";
constexpr wchar_t kSettingsAppId[] =
    L"windows.immersivecontrolpanel_cw5n1h2txyewy"
    L"!microsoft.windows.immersivecontrolpanel";
constexpr wchar_t kDefaultAppsPage[] = L"page=SettingsPageAppsDefaults";
constexpr wchar_t kDefaultAppsTargetPrefix[] = L"&target=";
constexpr wchar_t kDefaultAppsTarget[] = L"SystemSettings_DefaultApps_";
constexpr wchar_t kProtocolViewTarget[] =
    L"SettingsPageAppsDefaultsProtocolView";
// URL protocol, force registration, register the extension.
constexpr OPEN_AS_INFO_FLAGS kOpenWithFlags =
    OAIF_URL_PROTOCOL | OAIF_FORCE_REGISTRATION | OAIF_REGISTER_EXT;

// Protocols and documents made the default below Windows 8, after "http".
constexpr const wchar_t* kDefaultBrowserNames[] = {
    L"https", L"ftp",         L".crx",   L".htm", L".html",
    L".kpx",  L".vldownload", L".shtml", L".xht", L".xhtml"};

bool IsExtension(const std::wstring& name) {
  return !name.empty() && name[0] == L'.';
}

// Whether |name| can be a protocol or extension: one key name below
// "Software\Classes". An empty name, a "\" or a NUL (which ends the key path
// there) would address "Software\Classes" itself or another class.
bool IsValidAssociationName(const std::wstring& name) {
  return !name.empty() && name.find(L'\\') == std::wstring::npos &&
         name.find(L'\0') == std::wstring::npos;
}

HKEY RootFor(bool all_users) {
  return all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Lower-cases A to Z only: file names and command lines may hold any text.
std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

// Whether |path| stands whole in |command|: with nothing but a quotation
// mark, a blank or the command's end on either side, so that it is not the
// tail or the head of a longer path. Letter case is ignored.
bool CommandNamesPath(const std::wstring& command, const std::wstring& path) {
  const std::wstring lower_command = LowerAscii(command);
  const std::wstring lower_path = LowerAscii(path);
  auto is_boundary = [](wchar_t c) {
    return c == L'"' || c == L' ' || c == L'\t';
  };
  for (size_t found = lower_command.find(lower_path);
       found != std::wstring::npos;
       found = lower_command.find(lower_path, found + 1)) {
    const size_t end = found + lower_path.size();
    if ((found == 0 || is_boundary(lower_command[found - 1])) &&
        (end == lower_command.size() || is_boundary(lower_command[end]))) {
      return true;
    }
  }
  return false;
}

// Runs |count| rows bound to |resolver| under |root| in one transaction;
// the first failure undoes the rows before it.
bool RunRows(const RegOpRecord* rows, size_t count, HKEY root,
             AssociationPlaceholderResolver* resolver) {
  Transaction transaction;
  for (size_t i = 0; i < count; ++i) {
    std::unique_ptr<Operation> operation;
    if (!RegOp(rows[i], resolver).CreateOperation(root, &operation)) {
      transaction.Rollback();
      return false;
    }
    if (!operation) continue;  // Not for this root or release.
    if (!transaction.Execute(std::move(operation))) {
      transaction.Rollback();
      return false;
    }
  }
  return true;
}

// The per-user choice of a handler: its class, or empty when the user never
// chose one. False when the choice exists but cannot be read.
bool ReadUserChoice(const std::wstring& name, std::wstring* prog_id) {
  const std::wstring path = KeyPathAppend(
      KeyPathAppend(IsExtension(name) ? kFileExtsKey : kUrlAssociationsKey,
                    name),
      kUserChoiceKey);
  RegKey key;
  LONG result = key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_QUERY_VALUE);
  // A user who never chose has no "UserChoice" key at all: that is the same
  // as a key without "ProgId", and the class decides.
  if (result == ERROR_SUCCESS) result = key.ReadValue(L"ProgId", prog_id);
  if (result == ERROR_FILE_NOT_FOUND) {
    prog_id->clear();
    return true;
  }
  return result == ERROR_SUCCESS;
}

// The default value of |path| under HKEY_CLASSES_ROOT, or at machine level
// of "SOFTWARE\Classes\|path|" under HKEY_LOCAL_MACHINE.
bool ReadClassesDefault(const std::wstring& path, bool machine_level,
                        std::wstring* value) {
  RegKey key;
  const LONG result =
      machine_level
          ? key.Open(HKEY_LOCAL_MACHINE,
                     KeyPathAppend(kMachineClassesKey, path).c_str(),
                     KEY_QUERY_VALUE)
          : key.Open(HKEY_CLASSES_ROOT, path.c_str(), KEY_QUERY_VALUE);
  return result == ERROR_SUCCESS &&
         key.ReadValue(nullptr, value) == ERROR_SUCCESS;
}

}  // namespace

std::wstring GetDefaultAppsSettingsTarget(const std::wstring& name) {
  if (base::WideLowerCaseEqualsASCII(name, "http"))
    return std::wstring(kDefaultAppsTarget) + L"Browser";
  if (name == L"mailto") return std::wstring(kDefaultAppsTarget) + L"Email";
  return kProtocolViewTarget;
}

bool GetRegisteredOpenCommand(const std::wstring& name, bool machine_level,
                              std::wstring* command) {
  if (!IsValidAssociationName(name)) return false;
  std::wstring class_name;
  if (!machine_level && base::GetWindowsVersion() >= base::win::VERSION_VISTA &&
      !ReadUserChoice(name, &class_name)) {
    return false;
  }
  if (class_name.empty()) {
    if (!IsExtension(name))
      class_name = name;
    else if (!ReadClassesDefault(name, machine_level, &class_name))
      return false;
  }
  // An empty class (or one of backslashes only), from wherever, would read
  // the root's own "shell\open\command".
  if (base::win::NormalizeKeyPath(class_name).empty()) return false;
  return ReadClassesDefault(KeyPathAppend(class_name, kOpenCommandKey),
                            machine_level, command);
}

BrowserRegistration::BrowserRegistration(Installation* installation)
    : installation_(installation) {}

bool BrowserRegistration::IsDefaultHandlerFor(const std::wstring& name,
                                              bool use_product_executable) {
  if (!HasAbsoluteFolder()) return false;
  std::wstring command;
  if (!GetRegisteredOpenCommand(name, /*machine_level=*/false, &command))
    return false;
  const base::FilePath executable = installation_->folder().Append(
      use_product_executable ? base::UTF8ToWide(GetExecutableName())
                             : std::wstring(kLauncherName));
  return CommandNamesPath(command, executable.value());
}

bool BrowserRegistration::IsDefaultBrowser() {
  if (!IsDefaultHandlerFor(L"http", false) ||
      !IsDefaultHandlerFor(L"https", false)) {
    return false;
  }
  return base::GetWindowsVersion() >= base::win::VERSION_WIN8 ||
         IsStartMenuInternetDefault();
}

bool BrowserRegistration::IsStartMenuInternetDefault() {
  if (base::GetWindowsVersion() >= base::win::VERSION_VISTA &&
      installation_->IsInstalledForAllUsers()) {
    BOOL is_default = FALSE;
    return SUCCEEDED(GetShellAssociationApi()->QueryAppIsDefault(
               kStartMenuInternetClient, AT_STARTMENUCLIENT, AL_EFFECTIVE,
               installation_->app_registry_name().c_str(), &is_default)) &&
           is_default;
  }

  AssociationPlaceholderResolver resolver(L"", L"");
  const std::wstring expected =
      ExpandPlaceholders(kStartMenuInternetRegOp.data.text, &resolver);
  RegKey user_key;
  if (user_key.Open(HKEY_CURRENT_USER, kStartMenuInternetKey,
                    KEY_QUERY_VALUE) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring client;
  LONG result = user_key.ReadValue(nullptr, &client);
  if (result == ERROR_FILE_NOT_FOUND) {
    RegKey machine_key;
    result = machine_key.Open(HKEY_LOCAL_MACHINE, kStartMenuInternetKey,
                              KEY_QUERY_VALUE);
    if (result == ERROR_SUCCESS)
      result = machine_key.ReadValue(nullptr, &client);
  }
  return result == ERROR_SUCCESS && client == expected;
}

void BrowserRegistration::SavePreviousDefaultBrowser(bool all_users) {
  if (IsDefaultHandlerFor(L"http", false)) return;
  std::wstring command;
  if (!GetRegisteredOpenCommand(L"http", all_users, &command)) return;
  RegKey key(RootFor(all_users), GetProductRegistryKey().c_str(),
             KEY_SET_VALUE);
  if (key.Valid()) key.WriteValue(kPreviousDefaultBrowserValue, command);
}

bool BrowserRegistration::MakeDefaultBrowser(bool all_users) {
  if (installation_->IsSingleProfile()) return false;
  if (RegisterAssociations(all_users)) {
    MakeDefaultFor(L"http", all_users);
    if (base::GetWindowsVersion() < base::win::VERSION_WIN8) {
      for (const wchar_t* name : kDefaultBrowserNames)
        MakeDefaultFor(name, all_users);
      MakeStartMenuInternetDefault(all_users);
    }
  }
  return IsDefaultBrowser();
}

bool BrowserRegistration::RegisterAssociations(bool all_users) {
  if (!HasAbsoluteFolder()) return false;
  AssociationPlaceholderResolver resolver(L"", installation_->folder().value());
  return RunRows(kProgIdAssociationRegOps, std::size(kProgIdAssociationRegOps),
                 RootFor(all_users), &resolver);
}

bool BrowserRegistration::MakeDefaultFor(const std::wstring& name,
                                         bool all_users) {
  if (!IsValidAssociationName(name) || !HasAbsoluteFolder()) return false;
  const base::win::WindowsVersion version = base::GetWindowsVersion();
  if (version >= base::win::VERSION_WIN10) {
    if (all_users || IsDefaultHandlerFor(name, false)) return false;
    std::unique_ptr<ShellAssociationApi::Activator> activator =
        GetShellAssociationApi()->CreateActivator();
    if (!activator) return false;
    // The page opened plain first, then at the protocol's own target.
    if (FAILED(
            activator->ActivateApplication(kSettingsAppId, kDefaultAppsPage))) {
      return false;
    }
    const std::wstring with_target = std::wstring(kDefaultAppsPage) +
                                     kDefaultAppsTargetPrefix +
                                     GetDefaultAppsSettingsTarget(name);
    return SUCCEEDED(
        activator->ActivateApplication(kSettingsAppId, with_target.c_str()));
  }

  if (version >= base::win::VERSION_WIN8) {
    if (all_users) return false;
    if (!IsDefaultHandlerFor(name, false)) {
      OPENASINFO info = {};
      info.pcszFile = name.c_str();
      info.pcszClass = nullptr;
      info.oaifInFlags = kOpenWithFlags;
      if (FAILED(GetShellAssociationApi()->OpenWithDialog(nullptr, info)))
        return false;
      GetShellAssociationApi()->NotifyAssociationsChanged();
    }
    return RunAssociationRows(name, all_users, /*with_user_choice=*/false);
  }

  if (UsesDefaultPrograms(all_users)) {
    if (FAILED(GetShellAssociationApi()->SetAppAsDefault(
            installation_->app_registry_name().c_str(), name.c_str(),
            IsExtension(name) ? AT_FILEEXTENSION : AT_URLPROTOCOL))) {
      return false;
    }
    return RunAssociationRows(name, all_users, /*with_user_choice=*/false);
  }
  // Vista and 7 for the installation's own users may clear the per-user
  // choice; older releases have none.
  return RunAssociationRows(name, all_users,
                            /*with_user_choice=*/version >=
                                base::win::VERSION_VISTA);
}

bool BrowserRegistration::MakeStartMenuInternetDefault(bool all_users) {
  if (!HasAbsoluteFolder()) return false;
  if (all_users && base::GetWindowsVersion() >= base::win::VERSION_WIN8)
    return false;
  if (UsesDefaultPrograms(all_users) &&
      FAILED(GetShellAssociationApi()->SetAppAsDefault(
          installation_->app_registry_name().c_str(), kStartMenuInternetClient,
          AT_STARTMENUCLIENT))) {
    return false;
  }
  AssociationPlaceholderResolver resolver(L"", installation_->folder().value());
  return RunRows(&kStartMenuInternetRegOp, 1, RootFor(all_users), &resolver);
}

bool BrowserRegistration::RunAssociationRows(const std::wstring& name,
                                             bool all_users,
                                             bool with_user_choice) {
  const RegOpRecord* rows = kProtocolAssociationRegOps;
  size_t count = std::size(kProtocolAssociationRegOps);
  if (IsExtension(name)) {
    rows = kExtensionAssociationRegOps;
    count = std::size(kExtensionAssociationRegOps);
  }
  if (!with_user_choice) --count;
  AssociationPlaceholderResolver resolver(name,
                                          installation_->folder().value());
  return RunRows(rows, count, RootFor(all_users), &resolver);
}

bool BrowserRegistration::HasAbsoluteFolder() const {
  return installation_->folder().IsAbsolute();
}

bool BrowserRegistration::UsesDefaultPrograms(bool all_users) {
  const base::win::WindowsVersion version = base::GetWindowsVersion();
  return version >= base::win::VERSION_VISTA &&
         version < base::win::VERSION_WIN8 && !all_users &&
         installation_->IsInstalledForAllUsers();
}

}  // namespace installer
