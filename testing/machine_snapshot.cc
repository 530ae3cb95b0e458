#include "testing/machine_snapshot.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_memory.h"

namespace testing_support {

namespace {

struct FindCloser {
  void operator()(HANDLE find) const { ::FindClose(find); }
};

}  // namespace

bool MachineSnapshot::Fail(const std::string& what, const std::wstring& where,
                           DWORD error) {
  if (error_.empty()) {
    error_ = what + " " + base::WideToUTF8(where) + ": error " +
             std::to_string(error);
  }
  return false;
}

bool MachineSnapshot::AddFolderTree(const std::wstring& label,
                                    const std::wstring& folder) {
  return AddFolder(label, folder, std::wstring());
}

bool MachineSnapshot::AddFolder(const std::wstring& label,
                                const std::wstring& folder,
                                const std::wstring& relative) {
  WIN32_FIND_DATAW found;
  const std::wstring pattern = folder + L"\\*";
  std::unique_ptr<void, FindCloser> find(
      ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                         FindExSearchNameMatch, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) {
    find.release();
    const DWORD error = ::GetLastError();
    if (relative.empty() &&
        (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
      entries_[label] = {"missing"};
      return true;
    }
    return Fail("Cannot list", folder, error);
  }
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    const std::wstring child =
        relative.empty() ? name : relative + L"\\" + name;
    Entry& entry = entries_[label + L"\\" + child];
    const std::string attributes =
        ", attributes " + std::to_string(found.dwFileAttributes);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      entry = {"link" + attributes};
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entry = {"folder" + attributes};
      if (!AddFolder(label, path, child)) return false;
    } else {
      // Other holders may deny writing (a running program): reading must
      // still work, and must not stop them renaming the file.
      base::win::ScopedHandle file(::CreateFileW(
          path.c_str(), GENERIC_READ,
          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.IsValid()) return Fail("Cannot open", path, ::GetLastError());
      char buffer[64 * 1024];
      DWORD read = 0;
      do {
        if (!::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr))
          return Fail("Cannot read", path, ::GetLastError());
        entry.data.append(buffer, read);
      } while (read > 0);
      entry.description = "file" + attributes + ", " +
                          std::to_string(entry.data.size()) + " bytes";
    }
  } while (::FindNextFileW(find.get(), &found));
  DWORD error = ::GetLastError();
  if (error != ERROR_NO_MORE_FILES) return Fail("Cannot list", folder, error);
  return true;
}

bool MachineSnapshot::AddRegistryTree(const std::wstring& label, HKEY root,
                                      const std::wstring& path, REGSAM view) {
  base::win::RegKey key;
  const LONG result = key.Open(root, path.c_str(), KEY_READ | view);
  if (result == ERROR_FILE_NOT_FOUND) {
    entries_[label] = {"missing"};
    return true;
  }
  if (result != ERROR_SUCCESS) return Fail("Cannot open key", path, result);
  return AddKey(label, key.Handle(), view);
}

bool MachineSnapshot::AddKey(const std::wstring& location, HKEY key,
                             REGSAM view) {
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION |
                                     GROUP_SECURITY_INFORMATION |
                                     DACL_SECURITY_INFORMATION;
  base::win::ScopedLocalMemory<void> descriptor;
  LONG result = ::GetSecurityInfo(key, SE_REGISTRY_KEY, parts, nullptr, nullptr,
                                  nullptr, nullptr, descriptor.Receive());
  if (result != ERROR_SUCCESS)
    return Fail("Cannot read the security of key", location, result);
  base::win::ScopedLocalMemory<wchar_t> sddl;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor.Get(), SDDL_REVISION_1, parts, sddl.Receive(), nullptr)) {
    return Fail("Cannot convert the security of key", location,
                ::GetLastError());
  }
  entries_[location] = {"key " + base::WideToUTF8(sddl.Get())};

  DWORD longest_name = 0, longest_data = 0;
  result = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, &longest_name, &longest_data,
                              nullptr, nullptr);
  if (result != ERROR_SUCCESS)
    return Fail("Cannot query key", location, result);

  for (DWORD index = 0;; ++index) {
    std::vector<wchar_t> name(longest_name + 1);
    std::string data(longest_data, '\0');
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_size = longest_data;
    DWORD type = 0;
    result =
        ::RegEnumValueW(key, index, name.data(), &name_length, nullptr, &type,
                        reinterpret_cast<BYTE*>(&data[0]), &data_size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS)
      return Fail("Cannot read a value of key", location, result);
    data.resize(data_size);
    const std::wstring value_name(name.data(), name_length);
    entries_[location + L" value \"" + value_name + L"\""] = {
        "type " + std::to_string(type) + ", " + std::to_string(data_size) +
            " bytes",
        std::move(data)};
  }

  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // The longest key name and its NUL.
    DWORD name_length = 256;
    result = ::RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr,
                             nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    base::win::RegKey subkey;
    if (result == ERROR_SUCCESS)
      result = subkey.Open(key, name, KEY_READ | view);
    if (result != ERROR_SUCCESS)
      return Fail("Cannot open a subkey of", location, result);
    if (!AddKey(location + L"\\" + name, subkey.Handle(), view)) return false;
  }
  return true;
}

std::string DescribeDifferences(const MachineSnapshot& before,
                                const MachineSnapshot& after) {
  auto name = [](const auto& entry) {
    return base::WideToUTF8(entry.first) + ": " + entry.second.description;
  };
  std::string text;
  for (const auto& old_entry : before.entries_) {
    auto new_entry = after.entries_.find(old_entry.first);
    if (new_entry == after.entries_.end()) {
      text += "- " + name(old_entry) + "\n";
    } else if (!(new_entry->second == old_entry.second)) {
      const std::string& a = old_entry.second.data;
      const std::string& b = new_entry->second.data;
      const size_t offset =
          std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
          a.begin();
      text += "~ " + name(old_entry) + "\n    became " +
              new_entry->second.description + ", data differing from byte " +
              std::to_string(offset) + "\n";
    }
  }
  for (const auto& new_entry : after.entries_) {
    if (!before.entries_.count(new_entry.first))
      text += "+ " + name(new_entry) + "\n";
  }
  return text;
}

}  // namespace testing_support
