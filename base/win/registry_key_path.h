// Registry key paths: the one place where they are joined, split and named.
// A key path is split on backslashes only: "/" is an ordinary character of a
// key name, so "Software\Classes\text/plain" has the parent
// "Software\Classes".
//
//   KeyPathAppend(L"Software\\Velto", L"Updates");
//       // L"Software\\Velto\\Updates"
//   KeyPathParent(L"Software\\Velto\\Updates");  // L"Software\\Velto"
//   KeyPathParent(L"Software");                  // L"" (the root itself)
//   GetFullKeyName(HKEY_CURRENT_USER, L"Software\\Velto");
//       // L"CURRENT_USER\\Software\\Velto"
#ifndef BASE_WIN_REGISTRY_KEY_PATH_H_
#define BASE_WIN_REGISTRY_KEY_PATH_H_

#include <string>

#include "base/win/windows_types.h"

#include <aclapi.h>

namespace base {
namespace win {

// |key_path| up to its first NUL, without trailing backslashes.
std::wstring NormalizeKeyPath(const std::wstring& key_path);

// The key holding |key_path|: everything before its last backslash, or the
// empty path (the root) for a key directly below the root. The parent of
// the empty path is the empty path.
std::wstring KeyPathParent(const std::wstring& key_path);

// |key_path| and |subkey| joined by one backslash; |subkey| alone when
// |key_path| is empty.
std::wstring KeyPathAppend(const std::wstring& key_path,
                           const std::wstring& subkey);

// The name the named-security calls and the log use: "CLASSES_ROOT\",
// "MACHINE\", "CURRENT_USER\" or "USERS\" followed by |key_path|; for any
// other root |key_path| alone.
std::wstring GetFullKeyName(HKEY root, const std::wstring& key_path);

// SE_REGISTRY_WOW64_32KEY when |view_flags| is exactly KEY_WOW64_32KEY,
// else SE_REGISTRY_KEY.
SE_OBJECT_TYPE GetRegistryObjectType(REGSAM view_flags);

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_REGISTRY_KEY_PATH_H_
