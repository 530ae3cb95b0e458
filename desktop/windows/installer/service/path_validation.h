// Checks of paths by their text alone: nothing on disk is read.
//
// The syntax check of a folder the user typed, before the installer tries
// to create anything there, cheap enough to run on every keystroke:
//
//   if (!IsValidWin32Path(folder.value(), /*short_limit=*/true))
//     ShowError(...);
//
// The check of a folder that things will be deleted below, which sees
// through the spellings that make a drive or a share look like a folder:
//
//   std::wstring profiles;
//   if (!NormalizeFolderBelowRoot(candidate.value(), &profiles))
//     return false;  // "\\?\UNC\srv\share\.", "C:\x\..", "." ...
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

// Spells |path| one way and tells whether it names a folder at least one
// component below the root of a drive ("C:\") or a share
// ("\\server\share"). The spelling drops a "\\?\", "\\.\" or "\??\"
// prefix ("\\?\UNC\srv\share\x" becomes "\\srv\share\x"), writes every
// separator as "\", drops empty and "." components and a trailing
// separator, and lets ".." take away the component before it, never the
// root. False, |*normalized| unchanged, for a relative path ("x", "C:x",
// "\x"), for a namespace other than drives and shares (a volume name, a
// device), for a NUL, for a root in any spelling, and for a name (server,
// share or component other than "." and "..") that the system might read
// as another: one ending in a dot or a blank ("users." and "users " are
// "users", "a.. " may be ".."), whatever the prefix, or one holding a colon
// (a stream: "users::$INDEX_ALLOCATION" is "users").
bool NormalizeFolderBelowRoot(const std::wstring& path,
                              std::wstring* normalized);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PATH_VALIDATION_H_
