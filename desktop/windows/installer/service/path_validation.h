// The syntax check of a folder the user typed, before the installer tries
// to create anything there. It looks at the text only: nothing on disk is
// read, so it is cheap enough to run on every keystroke.
//
//   if (!IsValidWin32Path(folder.value(), /*short_limit=*/true))
//     ShowError(...);
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PATH_VALIDATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PATH_VALIDATION_H_

#include <string>

namespace installer {

// Whether |path| is a usable file-system path: 1 to 259 characters (1 to 247
// with |short_limit|, the most a folder may have), rooted at a drive
// ("C:"), at a share ("\\server\share\") or relative, with components free
// of control characters and of ?"<>*|:, none beginning with a blank or
// ending with a blank or dot, and none naming a device (CON, AUX, NUL, PRN,
// COM1-COM4, LPT1-LPT3, with or without an extension). "\" and "/" both
// separate components.
bool IsValidWin32Path(const std::wstring& path, bool short_limit);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PATH_VALIDATION_H_
