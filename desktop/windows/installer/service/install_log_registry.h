// The registry part of the install log: every value that an installation
// wrote, grouped by key, in the order written. The install log keeps one
// InstallLogRegistry per root and reads and writes it as XML; the uninstaller
// uses each key's clean mode to decide what to remove.
//
//   InstallLogRegistry registry;
//   DWORD number = 1;
//   RecordRegistryValue(&registry, L"Software\\Velto", L"NoModify",
//                       reinterpret_cast<const BYTE*>(&number), REG_DWORD,
//                       sizeof(number), /*clean_mode=*/1);
//   // registry[0].key_path == "Software\\Velto"
//   // registry[0].values[0] == {"REG_DWORD", "NoModify", "00000001"}
//
// Plain values: no locking, owned by whoever keeps the install log.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_REGISTRY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_REGISTRY_H_

#include <stdint.h>

#include <string>
#include <vector>

namespace installer {

// One recorded value.
struct InstallLogValue {
  // The Windows name of the type: "REG_SZ", "REG_DWORD" and so on.
  std::string type_name;
  // UTF-8; empty for the key's default value.
  std::string name;
  // The data as text: UTF-8 for strings, "61,62" for binary, "00000020" for
  // a DWORD, empty for every other type.
  std::string data;
};

// One key with the values written under it.
struct InstallLogKey {
  int32_t clean_mode = 0;
  // UTF-8, relative to the root.
  std::string key_path;
  std::vector<InstallLogValue> values;
};

using InstallLogRegistry = std::vector<InstallLogKey>;

// Appends one written value to |registry|. Key paths that differ only in
// ASCII letter case are one key, which keeps the larger clean mode. A value
// recorded twice appears twice. |data| may be null when |size| is 0; string
// data is |size| bytes of UTF-16, up to its first NUL.
void RecordRegistryValue(InstallLogRegistry* registry,
                         const std::wstring& key_path,
                         const std::wstring& value_name, const uint8_t* data,
                         uint32_t type, uint32_t size, int32_t clean_mode);

// The Windows name of a registry type number, "REG_NONE" to "REG_QWORD";
// empty for any other number.
std::string RegistryTypeName(uint32_t type);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_INSTALL_LOG_REGISTRY_H_
