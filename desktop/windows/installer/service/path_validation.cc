#include "desktop/windows/installer/service/path_validation.h"

#include <stddef.h>
#include <wchar.h>

#include <vector>

#include "base/strings/string_piece.h"

namespace installer {

namespace {

constexpr size_t kMaxPathLength = 260;    // MAX_PATH, with its NUL.
constexpr size_t kMaxFolderLength = 248;  // What CreateDirectoryW accepts.

// Device names the system claims in every folder, with any extension.
constexpr const wchar_t* kReservedNames[] = {
    L"CON",  L"AUX",  L"COM1", L"COM2", L"COM3", L"COM4",
    L"LPT1", L"LPT2", L"LPT3", L"PRN",  L"NUL",
};

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool IsAsciiUpperCaseEqual(base::StringPiece16 text, const wchar_t* name) {
  for (wchar_t c : text) {
    wchar_t upper = (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c;
    if (*name == L'\0' || upper != *name)
      return false;
    ++name;
  }
  return *name == L'\0';
}

bool IsValidComponent(base::StringPiece16 component) {
  for (wchar_t c : component) {
    // NUL as well: the system would cut the path there and act on another
    // one than the user typed.
    if (c < 32 || wcschr(L"?\"<>*|:", c))
      return false;
  }
  if (component.empty())
    return true;
  if (component.front() == L' ' || component.back() == L' ' ||
      component.back() == L'.') {
    return false;
  }
  base::StringPiece16 stem = component.substr(0, component.find(L'.'));
  if (stem.size() == 3 || stem.size() == 4) {
    for (const wchar_t* name : kReservedNames) {
      if (IsAsciiUpperCaseEqual(stem, name))
        return false;
    }
  }
  return true;
}

// The length of the next component of |path| from |start|.
size_t ComponentEnd(base::StringPiece16 path, size_t start) {
  size_t end = start;
  while (end < path.size() && !IsSeparator(path[end]))
    ++end;
  return end;
}

// Prefixes that hand the rest of the path to the system's device namespace,
// where "C:" and "UNC\server\share" name the same drives and shares.
constexpr const wchar_t* kDeviceNamespacePrefixes[] = {
    L"\\\\?\\", L"\\\\.\\", L"\\??\\",
};

bool IsAsciiLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Whether the system reads |name| as it is written. It drops trailing dots
// from a component and trailing blanks from the last one: "users." and
// "users " name "users", and dots and blanks may name "." or "..". Behind
// "\\?\" such a name is literal, but once the prefix is dropped, an alias.
// A colon names a stream: "users::$INDEX_ALLOCATION" opens "users" itself.
bool IsLiteralName(base::StringPiece16 name) {
  return !name.empty() && name.back() != L'.' && name.back() != L' ' &&
         name.find(L':') == base::StringPiece16::npos;
}

// Takes the next component of |rest|, up to a separator or the end, off its
// front.
base::StringPiece16 TakeComponent(base::StringPiece16* rest) {
  const size_t end = rest->find(L'\\');
  base::StringPiece16 component = rest->substr(0, end);
  rest->remove_prefix(end == base::StringPiece16::npos ? rest->size()
                                                       : end + 1);
  return component;
}

}  // namespace

bool IsValidWin32Path(const std::wstring& path, bool short_limit) {
  const size_t limit = short_limit ? kMaxFolderLength : kMaxPathLength;
  if (path.empty() || path.size() >= limit)
    return false;

  base::StringPiece16 text(path);
  size_t position = 0;
  if (text.size() >= 2 && text[1] == L':') {
    position = 2;
  } else if (text.size() >= 2 && IsSeparator(text[0]) &&
             IsSeparator(text[1])) {
    // "\\server\share\": both names present, each closed by a separator.
    position = 2;
    for (int name = 0; name < 2; ++name) {
      size_t end = ComponentEnd(text, position);
      if (end == position || end == text.size() ||
          !IsValidComponent(text.substr(position, end - position))) {
        return false;
      }
      position = end + 1;
    }
  }

  while (position < text.size()) {
    size_t end = ComponentEnd(text, position);
    if (!IsValidComponent(text.substr(position, end - position)))
      return false;
    position = end + 1;
  }
  return true;
}

bool NormalizeFolderBelowRoot(const std::wstring& path,
                              std::wstring* normalized) {
  // The system would stop reading at the NUL: what follows is not judged.
  if (path.find(L'\0') != std::wstring::npos)
    return false;
  std::wstring text = path;
  for (wchar_t& c : text) {
    if (c == L'/')
      c = L'\\';
  }

  base::StringPiece16 rest(text);
  bool device_namespace = false;
  for (const wchar_t* prefix : kDeviceNamespacePrefixes) {
    if (rest.starts_with(prefix)) {
      rest.remove_prefix(wcslen(prefix));
      device_namespace = true;
      break;
    }
  }
  bool share = false;
  if (device_namespace) {
    // "UNC\server\share" in the device namespace is "\\server\share".
    share = rest.size() >= 4 &&
            IsAsciiUpperCaseEqual(rest.substr(0, 3), L"UNC") &&
            rest[3] == L'\\';
    if (share)
      rest.remove_prefix(4);
  } else if (rest.starts_with(L"\\\\")) {
    rest.remove_prefix(2);
    share = true;
  }

  std::wstring root;
  if (share) {
    const base::StringPiece16 server = TakeComponent(&rest);
    const base::StringPiece16 share_name = TakeComponent(&rest);
    if (!IsLiteralName(server) || !IsLiteralName(share_name))
      return false;
    root = L"\\\\" + server.as_string() + L"\\" + share_name.as_string();
  } else if (rest.size() >= 3 && IsAsciiLetter(rest[0]) && rest[1] == L':' &&
             rest[2] == L'\\') {
    root = rest.substr(0, 2).as_string();
    rest.remove_prefix(3);
  } else {
    // Relative to a current directory or drive, or another namespace.
    return false;
  }

  std::vector<base::StringPiece16> components;
  while (!rest.empty()) {
    const base::StringPiece16 component = TakeComponent(&rest);
    if (component.empty() || component == L".") {
      continue;
    } else if (component == L"..") {
      // As the system does: ".." at the root stays at the root.
      if (!components.empty())
        components.pop_back();
    } else if (!IsLiteralName(component)) {
      return false;
    } else {
      components.push_back(component);
    }
  }
  if (components.empty())
    return false;

  for (base::StringPiece16 component : components) {
    root += L'\\';
    root.append(component.data(), component.size());
  }
  *normalized = std::move(root);
  return true;
}

}  // namespace installer
