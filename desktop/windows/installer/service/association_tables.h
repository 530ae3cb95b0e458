// The registry rows that register the browser with Windows as a handler of
// web protocols and document types. Their placeholders are the ones an
// AssociationPlaceholderResolver knows: "Product", "Stream",
// "InstallFolder", and "Protocol" or "Extension" for the name being
// associated. One row per line, in the field order of RegOpRecord.
//
// Rows restricted to HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER differ on
// purpose: for all users the "ddeexec" key of an older installation is
// removed; for the current user an empty one is written, which hides a
// machine-wide "ddeexec" from the per-user class. The last row of the
// protocol and extension groups is the per-user choice, which only
// registry-driven releases may clear. The class rows name "Launcher.exe"
// and the protocol rows "launcher.exe": Windows file names ignore case, and
// the texts stay as earlier installations wrote them.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_TABLES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_TABLES_H_

#include "desktop/windows/installer/service/reg_op.h"

namespace installer {

// clang-format off

// The browser's own class ("VeltoDeveloper"), which the extension rows
// point at.
inline constexpr RegOpRecord kProgIdAssociationRegOps[] = {
    {L"Software\\Classes\\{Product}{Stream}", L"FriendlyTypeName", REG_SZ, L"{Product} Web Document", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}", L"URL Protocol", REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\DefaultIcon", nullptr, REG_SZ, L"{InstallFolder}\\Launcher.exe,0", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\command", nullptr, REG_SZ, L"\"{InstallFolder}\\Launcher.exe\" -noautoupdate -- \"%1\"", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec", nullptr, kRegOpDeleteKey, nullptr, base::win::VERSION_XP, RegOpRoot::kLocalMachine, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec\\Application", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\{Product}{Stream}\\shell\\open\\ddeexec\\Topic", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
};

// One protocol ("http", "ftp") opened by this installation.
inline constexpr RegOpRecord kProtocolAssociationRegOps[] = {
    {L"Software\\Classes\\{Protocol}", L"EditFlags", REG_DWORD, 2, base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}", L"URL Protocol", REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\DefaultIcon", nullptr, REG_SZ, L"{InstallFolder}\\Launcher.exe,0", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\command", nullptr, REG_SZ, L"\"{InstallFolder}\\launcher.exe\" -noautoupdate -- \"%1\"", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec", nullptr, kRegOpDeleteKey, nullptr, base::win::VERSION_XP, RegOpRoot::kLocalMachine, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec\\Application", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Classes\\{Protocol}\\shell\\open\\ddeexec\\Topic", nullptr, REG_SZ, L"", base::win::VERSION_XP, RegOpRoot::kCurrentUser, 0, 0, 0},
    {L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\{Protocol}\\UserChoice", L"Progid", kRegOpDeleteValue, nullptr, base::win::VERSION_VISTA, RegOpRoot::kCurrentUser, 0, 0, 0},
};

// One file extension (".htm") opened through the browser's class.
inline constexpr RegOpRecord kExtensionAssociationRegOps[] = {
    {L"Software\\Classes\\{Extension}", nullptr, REG_SZ, L"{Product}{Stream}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\{Extension}\\UserChoice", L"Progid", kRegOpDeleteValue, nullptr, base::win::VERSION_VISTA, RegOpRoot::kCurrentUser, 0, 0, 0},
};

// Names the browser as the start menu's Internet client.
inline constexpr RegOpRecord kStartMenuInternetRegOp =
    {L"Software\\Clients\\StartMenuInternet", nullptr, REG_SZ, L"{Product}{Stream}", base::win::VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0};

// clang-format on

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_TABLES_H_
