// RegKey: the single owner of one open registry key, for reading and writing
// single values. Every operation returns the Win32 error code of the registry
// call (ERROR_SUCCESS on success) and never throws; callers log failures with
// the key path they know.
//
//   RegKey key(HKEY_LOCAL_MACHINE, L"Software\\Velto",
//              KEY_QUERY_VALUE | KEY_WOW64_32KEY);
//   std::wstring path;
//   if (key.ReadValue(L"InstallPath", &path) == ERROR_SUCCESS) ...
//
// The WOW64 view bits (KEY_WOW64_32KEY, KEY_WOW64_64KEY) travel in the access
// mask of Create and Open; the key remembers the bits it was opened with.
// A key opened by a call this class does not make (one that takes a security
// descriptor or goes through a test seam) is handed over with Set():
//
//   HKEY raw_key = nullptr;
//   LONG result = ::RegCreateKeyExW(root, path, 0, nullptr, 0, access,
//                                   &attributes, &raw_key, &disposition);
//   RegKey key;
//   key.Set(raw_key, access);
//
// RegKey is the one owner of an open key. Closing leaves the thread's last
// error as it was. A RegKey is used by one thread at a time; it is
// move-only.
#ifndef BASE_WIN_REGISTRY_H_
#define BASE_WIN_REGISTRY_H_

#include <string>

#include "base/win/windows_types.h"

namespace base {
namespace win {

class RegKey {
 public:
  // The view bits of an access mask.
  static constexpr REGSAM kWow64AccessMask = KEY_WOW64_32KEY | KEY_WOW64_64KEY;
  // The capacity of ReadValue in bytes: 1024 UTF-16 units.
  static constexpr DWORD kMaxStringBytes = 2048;

  RegKey();
  // With a null |root| only the view bits of |access| are recorded. Otherwise
  // creates the key when |access| asks for KEY_SET_VALUE, KEY_CREATE_SUB_KEY
  // or KEY_CREATE_LINK, and opens it else. Check Valid() for the outcome.
  RegKey(HKEY root, const wchar_t* subkey, REGSAM access);
  ~RegKey();

  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Creates (or opens an existing) |subkey| of |root|, non-volatile, with
  // default security. On failure the key held before stays open.
  LONG Create(HKEY root, const wchar_t* subkey, REGSAM access);
  // Opens an existing |subkey| of |root|. On failure the key held before
  // stays open and this object is unchanged.
  LONG Open(HKEY root, const wchar_t* subkey, REGSAM access);
  // Closes the key held, if any, and takes ownership of |key| (which may be
  // null), opened with |access|. Setting the key already held only records
  // the view bits of |access|.
  void Set(HKEY key, REGSAM access);
  // Closes the key, if any, and forgets the view bits.
  void Close();

  bool Valid() const { return key_ != nullptr; }
  // The open key, still owned by this object; null when none is open.
  HKEY Handle() const { return key_; }
  // KEY_WOW64_32KEY, KEY_WOW64_64KEY or 0: the view the key was opened in.
  REGSAM wow64access() const { return wow64access_; }

  // Reads a 4-byte REG_DWORD or REG_BINARY value. Longer data gives
  // ERROR_MORE_DATA, another type or size ERROR_CANTREAD; |*out| is set
  // only on success. |name| may be null or empty for the default value.
  LONG ReadValueDW(const wchar_t* name, DWORD* out) const;

  // Reads a REG_SZ value, or a REG_EXPAND_SZ value with its environment
  // variables expanded, up to its first NUL. Values longer than
  // kMaxStringBytes, and expansions longer than 1024 units, give
  // ERROR_MORE_DATA; other types ERROR_CANTREAD. |*out| is set only on
  // success.
  LONG ReadValue(const wchar_t* name, std::wstring* out) const;

  // Writes |value| as REG_SZ including its terminating NUL.
  LONG WriteValue(const wchar_t* name, const std::wstring& value);

 private:
  HKEY key_ = nullptr;
  REGSAM wow64access_ = 0;
};

namespace internal {

// The signature of RegQueryValueExW.
using RegQueryValueFunction = LONG(WINAPI*)(HKEY key, const wchar_t* name,
                                            DWORD* reserved, DWORD* type,
                                            BYTE* data, DWORD* size);

// For tests only: routes the value reads of RegKey through |function| for the
// scope's life, since some registries never hand out a string that fills the
// buffer without a terminator. Scopes nest; they must not overlap across
// threads.
class ScopedRegQueryValueForTesting {
 public:
  explicit ScopedRegQueryValueForTesting(RegQueryValueFunction function);
  ~ScopedRegQueryValueForTesting();
  ScopedRegQueryValueForTesting(const ScopedRegQueryValueForTesting&) =
      delete;
  ScopedRegQueryValueForTesting& operator=(
      const ScopedRegQueryValueForTesting&) = delete;

 private:
  RegQueryValueFunction previous_;
};

}  // namespace internal

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_REGISTRY_H_
