// Registry rows that the installer applies besides its main table, with the
// placeholders its resolver knows ("CompanyRegistryKey", "Stream",
// "InstallFolder", "Uninstall"). One row per line, in the field order of
// RegOpRecord: key, value name, type, data, minimum Windows release, root,
// minimum build channel, clean mode, view flags.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_TABLES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_REG_OP_TABLES_H_

#include "desktop/windows/installer/service/reg_op.h"

namespace installer {

// clang-format off

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
