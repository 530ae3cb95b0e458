// Registry rows that the installer applies for an installation, with the
// placeholders its resolver knows ("Product", "Stream", "Version",
// "InstallFolder", "Company", "CompanyURL", "HelpURL", "DownloadsURL",
// "Uninstall", "CompanyRegistryKey"). One row per line, in the field order
// of RegOpRecord: key, value name, type, data, minimum Windows release, root,
// minimum build channel, clean mode, view flags.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_TABLES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_TABLES_H_

#include "desktop/windows/installer/service/reg_op.h"

namespace installer {

// clang-format off

// The browser's document class, its place in the Open With lists of the web
// document types, its description as a registered application, and the
// uninstall entry, which lives in the 32-bit view. The "ddeexec" rows differ
// by root as in association_tables.h.
inline constexpr RegOpRecord kMainRegOps[] = {
    {L"Software\\Classes\\{Product}{Stream}", L"FriendlyTypeName", REG_SZ, L"{Product} Web Document", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec", nullptr, kRegOpDeleteKey, nullptr, base::win::VERSION_XP, RegOpRoot::kLocalMachine, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec\\Application", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec\\Topic", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\.htm\\OpenWithProgIDs", L"{Product}{Stream}", REG_NONE, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\.html\\OpenWithProgIDs", L"{Product}{Stream}", REG_NONE, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\.pdf\\OpenWithProgIDs", L"{Product}{Stream}", REG_NONE, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\.shtml\\OpenWithProgIDs", L"{Product}{Stream}", REG_NONE, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\.xht\\OpenWithProgIDs", L"{Product}{Stream}", REG_NONE, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\.xhtml\\OpenWithProgIDs", L"{Product}{Stream}", REG_NONE, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted", L"{InstallFolder}\\Launcher.exe", REG_DWORD, 32, base::win::VERSION_VISTA, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Clients\\StartMenuInternet\\{Product}{Stream}\\Capabilities", L"ApplicationDescription", REG_SZ, L"Do more on the web", base::win::VERSION_VISTA, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"{Uninstall}", L"DisplayName", REG_SZ, L"{Product} {Stream} {Version}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"HelpLink", REG_SZ, L"{HelpURL}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"NoModify", REG_DWORD, 1, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"NoRepair", REG_DWORD, 1, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"Publisher", REG_SZ, L"{Company}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"UninstallString", REG_SZ, L"\"{InstallFolder}\\Launcher.exe\" /uninstall", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"URLInfoAbout", REG_SZ, L"{CompanyURL}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
    {L"{Uninstall}", L"URLUpdateInfo", REG_SZ, L"{DownloadsURL}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
};

// Remembers where this stream was installed last, and deletes the value of
// the same name with " x64" appended.
inline constexpr RegOpRecord kSetLastInstallPathRegOp[] = {
    {L"{CompanyRegistryKey}", L"Last {Stream} Install Path", REG_SZ, L"{InstallFolder}\\", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"{CompanyRegistryKey}", L"Last {Stream} Install Path x64", kRegOpDeleteValue, nullptr, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
};

// Hides the uninstall entry from Programs and Features; applied with the
// switch "installer-hide-from-program-and-features".
inline constexpr RegOpRecord kSystemComponentRegOp =
    {L"{Uninstall}", L"SystemComponent", REG_DWORD, 1, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 1, KEY_WOW64_32KEY};

// clang-format on

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_TABLES_H_
