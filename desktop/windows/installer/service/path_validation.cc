#include "desktop/windows/installer/service/path_validation.h"

#include <stddef.h>
#include <wchar.h>

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

}  // namespace installer
