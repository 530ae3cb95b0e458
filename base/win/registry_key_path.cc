#include "base/win/registry_key_path.h"

namespace base {
namespace win {

namespace {

constexpr wchar_t kKeySeparator = L'\\';

}  // namespace

std::wstring NormalizeKeyPath(const std::wstring& key_path) {
  std::wstring result = key_path.substr(0, key_path.find(L'\0'));
  while (!result.empty() && result.back() == kKeySeparator)
    result.pop_back();
  return result;
}

std::wstring KeyPathParent(const std::wstring& key_path) {
  std::wstring path = NormalizeKeyPath(key_path);
  size_t separator = path.rfind(kKeySeparator);
  if (separator == std::wstring::npos)
    return std::wstring();
  return NormalizeKeyPath(path.substr(0, separator));
}

std::wstring KeyPathAppend(const std::wstring& key_path,
                           const std::wstring& subkey) {
  std::wstring path = NormalizeKeyPath(key_path);
  if (path.empty())
    return subkey;
  return path + kKeySeparator + subkey;
}

std::wstring GetFullKeyName(HKEY root, const std::wstring& key_path) {
  const wchar_t* prefix = L"";
  if (root == HKEY_CLASSES_ROOT)
    prefix = L"CLASSES_ROOT\\";
  else if (root == HKEY_LOCAL_MACHINE)
    prefix = L"MACHINE\\";
  else if (root == HKEY_CURRENT_USER)
    prefix = L"CURRENT_USER\\";
  else if (root == HKEY_USERS)
    prefix = L"USERS\\";
  std::wstring name = prefix + key_path;
  // The root itself is named without a trailing separator.
  if (key_path.empty() && !name.empty())
    name.pop_back();
  return name;
}

SE_OBJECT_TYPE GetRegistryObjectType(REGSAM view_flags) {
  return view_flags == KEY_WOW64_32KEY ? SE_REGISTRY_WOW64_32KEY
                                       : SE_REGISTRY_KEY;
}

}  // namespace win
}  // namespace base
