#include "testing/machine_snapshot.h"

#include <sddl.h>

#include <string.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <type_traits>
#include <vector>

#include "base/win/scoped_memory.h"

namespace testing_support {

namespace {

struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using ScopedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct FindCloser {
  void operator()(HANDLE find) const { ::FindClose(find); }
};
using ScopedFind = std::unique_ptr<void, FindCloser>;

struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using ScopedFile = std::unique_ptr<void, HandleCloser>;

// Bytes of a file or value shown in a difference, at most.
constexpr size_t kShownBytes = 40;

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                   static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string result(size, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                        &result[0], size, nullptr, nullptr);
  return result;
}

std::string Hex(DWORD value) {
  char text[16];
  snprintf(text, sizeof(text), "0x%lx", static_cast<unsigned long>(value));
  return text;
}

std::string TypeName(DWORD type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_QWORD:
      return "REG_QWORD";
    default:
      return "type " + Hex(type);
  }
}

// Up to kShownBytes of |data| from |offset| as text: printable ASCII as is,
// everything else escaped. |wide| data (registry strings) is read in UTF-16
// units.
std::string Render(const std::string& data, size_t offset, bool wide) {
  const size_t unit = wide ? 2 : 1;
  offset -= offset % unit;
  std::string text = offset > 0 ? "...\"" : "\"";
  const size_t end = std::min(data.size(), offset + kShownBytes);
  for (size_t i = offset; i + unit <= end; i += unit) {
    unsigned int c = static_cast<unsigned char>(data[i]);
    if (wide) c |= static_cast<unsigned char>(data[i + 1]) << 8;
    char escaped[8];
    if (c == '"' || c == '\\') {
      text += '\\';
      text += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      text += static_cast<char>(c);
    } else if (c == 0) {
      text += "\\0";
    } else {
      snprintf(escaped, sizeof(escaped), wide ? "\\u%04x" : "\\x%02x", c);
      text += escaped;
    }
  }
  text += end < data.size() ? "\"..." : "\"";
  return text;
}

bool IsWideText(const std::string& description) {
  for (const char* type : {"REG_SZ,", "REG_EXPAND_SZ,", "REG_MULTI_SZ,"}) {
    if (description.compare(0, strlen(type), type) == 0) return true;
  }
  return false;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

}  // namespace

bool MachineSnapshot::Fail(const std::string& what, const std::wstring& where,
                           DWORD error) {
  if (error_.empty())
    error_ = what + " " + Narrow(where) + ": error " + std::to_string(error);
  return false;
}

bool MachineSnapshot::AddFolderTree(const std::wstring& label,
                                    const std::wstring& folder) {
  DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      return Fail("Cannot read the attributes of", folder, error);
    entries_[label] = {"missing", std::string()};
    return true;
  }
  entries_[label] = {"folder, attributes " + Hex(attributes), std::string()};
  return AddFolder(label, folder, std::wstring());
}

bool MachineSnapshot::AddFolder(const std::wstring& label,
                                const std::wstring& folder,
                                const std::wstring& relative) {
  WIN32_FIND_DATAW found;
  const std::wstring pattern = folder + L"\\*";
  ScopedFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
    return Fail("Cannot list", folder, ::GetLastError());
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    const std::wstring child =
        relative.empty() ? name : relative + L"\\" + name;
    const std::wstring location = label + L"\\" + child;
    const DWORD attributes = found.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      entries_[location] = {"link, attributes " + Hex(attributes),
                            std::string()};
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      entries_[location] = {"folder, attributes " + Hex(attributes),
                            std::string()};
      if (!AddFolder(label, path, child)) return false;
    } else {
      // Other holders may deny writing (a running program): reading must
      // still work, and must not stop them renaming the file.
      ScopedFile file(::CreateFileW(
          path.c_str(), GENERIC_READ,
          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return Fail("Cannot open", path, ::GetLastError());
      }
      std::string data;
      char buffer[64 * 1024];
      DWORD read = 0;
      do {
        if (!::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr))
          return Fail("Cannot read", path, ::GetLastError());
        data.append(buffer, read);
      } while (read > 0);
      entries_[location] = {"file, attributes " + Hex(attributes) + ", " +
                                std::to_string(data.size()) + " bytes",
                            std::move(data)};
    }
  } while (::FindNextFileW(find.get(), &found));
  DWORD error = ::GetLastError();
  if (error != ERROR_NO_MORE_FILES) return Fail("Cannot list", folder, error);
  return true;
}

bool MachineSnapshot::AddRegistryTree(const std::wstring& label, HKEY root,
                                      const std::wstring& path, REGSAM view) {
  return AddKey(label, root, path, std::wstring(), view);
}

bool MachineSnapshot::AddKey(const std::wstring& label, HKEY root,
                             const std::wstring& path,
                             const std::wstring& relative, REGSAM view) {
  const std::wstring location =
      relative.empty() ? label : label + L"\\" + relative;
  HKEY opened = nullptr;
  LONG result =
      ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &opened);
  if (result == ERROR_FILE_NOT_FOUND && relative.empty()) {
    entries_[location] = {"missing", std::string()};
    return true;
  }
  if (result != ERROR_SUCCESS) return Fail("Cannot open key", path, result);
  ScopedKey key(opened);

  DWORD size = 0;
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION |
                                     GROUP_SECURITY_INFORMATION |
                                     DACL_SECURITY_INFORMATION;
  result = ::RegGetKeySecurity(key.get(), parts, nullptr, &size);
  if (result != ERROR_INSUFFICIENT_BUFFER)
    return Fail("Cannot read the security of key", path, result);
  std::vector<BYTE> descriptor(size);
  result = ::RegGetKeySecurity(key.get(), parts, descriptor.data(), &size);
  if (result != ERROR_SUCCESS)
    return Fail("Cannot read the security of key", path, result);
  base::win::ScopedLocalMemory<wchar_t> sddl;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor.data(), SDDL_REVISION_1, parts, sddl.Receive(),
          nullptr)) {
    return Fail("Cannot convert the security of key", path, ::GetLastError());
  }
  entries_[location] = {"key " + Narrow(sddl.Get()), std::string()};

  DWORD longest_subkey = 0, longest_name = 0, longest_data = 0;
  result = ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr,
                              &longest_subkey, nullptr, nullptr, &longest_name,
                              &longest_data, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return Fail("Cannot query key", path, result);

  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> name(longest_name + 1);
    std::string data(longest_data, '\0');
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_size = longest_data;
    DWORD type = 0;
    result =
        ::RegEnumValueW(key.get(), index, name.data(), &name_length, nullptr,
                        &type, reinterpret_cast<BYTE*>(&data[0]), &data_size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS)
      return Fail("Cannot read a value of key", path, result);
    data.resize(data_size);
    const std::wstring value_name(name.data(), name_length);
    entries_[location + L" value \"" + value_name + L"\""] = {
        TypeName(type) + ", " + std::to_string(data_size) + " bytes",
        std::move(data)};
  }

  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> name(longest_subkey + 1);
    DWORD name_length = static_cast<DWORD>(name.size());
    result = ::RegEnumKeyExW(key.get(), index, name.data(), &name_length,
                             nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS)
      return Fail("Cannot list the subkeys of", path, result);
    const std::wstring subkey(name.data(), name_length);
    const std::wstring child =
        relative.empty() ? subkey : relative + L"\\" + subkey;
    const std::wstring child_path =
        path.empty() ? subkey : path + L"\\" + subkey;
    if (!AddKey(label, root, child_path, child, view)) return false;
  }
  return true;
}

bool MachineSnapshot::ContainsPath(const std::wstring& text) const {
  const std::wstring wanted = Lower(text);
  for (const auto& entry : entries_) {
    if (Lower(entry.first).find(wanted) != std::wstring::npos) return true;
  }
  return false;
}

std::string DescribeDifferences(const MachineSnapshot& before,
                                const MachineSnapshot& after) {
  std::string text;
  auto describe = [](const MachineSnapshot::Entry& entry, size_t offset) {
    std::string line = entry.description;
    if (!entry.data.empty()) {
      line += " " + Render(entry.data, offset, IsWideText(entry.description));
    }
    return line;
  };
  auto old_entry = before.entries_.begin();
  auto new_entry = after.entries_.begin();
  while (old_entry != before.entries_.end() ||
         new_entry != after.entries_.end()) {
    if (new_entry == after.entries_.end() ||
        (old_entry != before.entries_.end() &&
         old_entry->first < new_entry->first)) {
      text += "- " + Narrow(old_entry->first) + ": " +
              describe(old_entry->second, 0) + "\n";
      ++old_entry;
    } else if (old_entry == before.entries_.end() ||
               new_entry->first < old_entry->first) {
      text += "+ " + Narrow(new_entry->first) + ": " +
              describe(new_entry->second, 0) + "\n";
      ++new_entry;
    } else {
      if (!(old_entry->second == new_entry->second)) {
        const std::string& a = old_entry->second.data;
        const std::string& b = new_entry->second.data;
        size_t offset =
            std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()),
                          b.begin())
                .first -
            a.begin();
        // Start the shown bytes a little before the first difference.
        offset = offset > 8 ? offset - 8 : 0;
        text += "~ " + Narrow(old_entry->first) + ": " +
                describe(old_entry->second, offset) + "\n    became " +
                describe(new_entry->second, offset) + "\n";
      }
      ++old_entry;
      ++new_entry;
    }
  }
  return text;
}

}  // namespace testing_support
