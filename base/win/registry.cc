#include "base/win/registry.h"

#include <utility>

namespace base {
namespace win {

namespace {

// Access bits that can only be served by a key that exists: asking for them
// creates the key.
constexpr REGSAM kCreatingAccess =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;

constexpr DWORD kMaxStringChars = RegKey::kMaxStringBytes / sizeof(wchar_t);

LONG WINAPI CallRegQueryValueEx(HKEY key, const wchar_t* name,
                                DWORD* reserved, DWORD* type, BYTE* data,
                                DWORD* size) {
  return ::RegQueryValueExW(key, name, reserved, type, data, size);
}

internal::RegQueryValueFunction g_query_value = &CallRegQueryValueEx;

// The first |size_in_chars| units of |buffer|, cut at the first NUL. The
// registry does not promise a terminator, so the size the call returned
// bounds the text.
std::wstring TextUpToNul(const wchar_t* buffer, size_t size_in_chars) {
  size_t length = 0;
  while (length < size_in_chars && buffer[length] != L'\0')
    ++length;
  return std::wstring(buffer, length);
}

}  // namespace

RegKey::RegKey() = default;

RegKey::RegKey(HKEY root, const wchar_t* subkey, REGSAM access) {
  if (!root) {
    wow64access_ = access & kWow64AccessMask;
    return;
  }
  if (access & kCreatingAccess)
    Create(root, subkey, access);
  else
    Open(root, subkey, access);
}

RegKey::~RegKey() {
  Close();
}

RegKey::RegKey(RegKey&& other) noexcept
    : key_(std::exchange(other.key_, nullptr)),
      wow64access_(std::exchange(other.wow64access_, 0)) {}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    key_ = std::exchange(other.key_, nullptr);
    wow64access_ = std::exchange(other.wow64access_, 0);
  }
  return *this;
}

LONG RegKey::Create(HKEY root, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  LONG result = ::RegCreateKeyExW(root, subkey, 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, access, nullptr,
                                  &key, &disposition);
  if (result == ERROR_SUCCESS)
    Set(key, access);
  return result;
}

LONG RegKey::Open(HKEY root, const wchar_t* subkey, REGSAM access) {
  HKEY key = nullptr;
  LONG result = ::RegOpenKeyExW(root, subkey, 0, access, &key);
  if (result == ERROR_SUCCESS)
    Set(key, access);
  return result;
}

void RegKey::Set(HKEY key, REGSAM access) {
  if (key != key_) {
    Close();
    key_ = key;
  }
  wow64access_ = access & kWow64AccessMask;
}

void RegKey::Close() {
  if (key_) {
    DWORD last_error = ::GetLastError();
    ::RegCloseKey(key_);
    key_ = nullptr;
    ::SetLastError(last_error);
  }
  wow64access_ = 0;
}

LONG RegKey::ReadValueDW(const wchar_t* name, DWORD* out) const {
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = sizeof(data);
  LONG result = g_query_value(key_, name, nullptr, &type,
                              reinterpret_cast<BYTE*>(&data), &size);
  if (result != ERROR_SUCCESS)
    return result;
  if ((type != REG_DWORD && type != REG_BINARY) || size != sizeof(data))
    return ERROR_CANTREAD;
  *out = data;
  return ERROR_SUCCESS;
}

LONG RegKey::ReadValue(const wchar_t* name, std::wstring* out) const {
  // One unit more than the query may fill, so an unterminated value of full
  // length can still be terminated for ExpandEnvironmentStringsW.
  wchar_t raw[kMaxStringChars + 1];
  DWORD type = REG_NONE;
  DWORD size = kMaxStringBytes;
  LONG result = g_query_value(key_, name, nullptr, &type,
                              reinterpret_cast<BYTE*>(raw), &size);
  if (result != ERROR_SUCCESS)
    return result;
  size_t length = size / sizeof(wchar_t);
  raw[length] = L'\0';

  if (type == REG_SZ) {
    *out = TextUpToNul(raw, length);
    return ERROR_SUCCESS;
  }
  if (type != REG_EXPAND_SZ)
    return ERROR_CANTREAD;

  wchar_t expanded[kMaxStringChars];
  DWORD needed = ::ExpandEnvironmentStringsW(raw, expanded, kMaxStringChars);
  if (needed == 0 || needed > kMaxStringChars)
    return ERROR_MORE_DATA;
  *out = TextUpToNul(expanded, needed);
  return ERROR_SUCCESS;
}

LONG RegKey::WriteValue(const wchar_t* name, const std::wstring& value) {
  DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key_, name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), size);
}

namespace internal {

ScopedRegQueryValueForTesting::ScopedRegQueryValueForTesting(
    RegQueryValueFunction function)
    : previous_(g_query_value) {
  g_query_value = function;
}

ScopedRegQueryValueForTesting::~ScopedRegQueryValueForTesting() {
  g_query_value = previous_;
}

}  // namespace internal
}  // namespace win
}  // namespace base
