#include "testing/machine_snapshot.h"

#include <aclapi.h>
#include <sddl.h>

#include <utility>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/scoped_memory.h"

namespace testing_support {

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
  base::FileEnumerator enumerator(base::FilePath(folder),
                                  base::FileEnumerator::FILES |
                                      base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = enumerator.Next(); !path.empty();
       path = enumerator.Next()) {
    const DWORD attributes = enumerator.GetInfo().find_data().dwFileAttributes;
    Entry& entry = entries_[label + path.value().substr(folder.size())];
    const char* kind = attributes & FILE_ATTRIBUTE_REPARSE_POINT ? "link"
                       : attributes & FILE_ATTRIBUTE_DIRECTORY   ? "folder"
                                                                 : nullptr;
    entry.description =
        (kind ? kind : "file") + (", attributes " + std::to_string(attributes));
    // Links are never entered nor read through.
    if (!kind && !base::ReadFileToString(path, &entry.data)) {
      return Fail("Cannot read", path.value(), ::GetLastError());
    }
  }
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
    std::wstring name(longest_name + 1, L'\0');
    std::string data(longest_data, '\0');
    DWORD name_length = longest_name + 1;
    DWORD data_size = longest_data;
    DWORD type = 0;
    result = ::RegEnumValueW(key, index, &name[0], &name_length, nullptr, &type,
                             reinterpret_cast<BYTE*>(&data[0]), &data_size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS)
      return Fail("Cannot read a value of key", location, result);
    name.resize(name_length);
    data.resize(data_size);
    entries_[location + L" value \"" + name + L"\""] = {
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
      text += "~ " + name(old_entry) + "\n    became " +
              new_entry->second.description +
              (new_entry->second.data == old_entry.second.data
                   ? "\n"
                   : ", with other data\n");
    }
  }
  for (const auto& new_entry : after.entries_) {
    if (!before.entries_.count(new_entry.first))
      text += "+ " + name(new_entry) + "\n";
  }
  return text;
}

}  // namespace testing_support
