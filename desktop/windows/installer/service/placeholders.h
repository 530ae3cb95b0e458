// Placeholders in registry texts: a name in braces, such as
// "{InstallFolder}", that a PlaceholderResolver replaces when a registry
// record is applied.
//
//   class MyResolver : public PlaceholderResolver {
//     std::wstring Resolve(const std::wstring& name) override { ... }
//     InstallLogRegistry* GetInstallLogRegistryForRoot(HKEY) override {
//       return nullptr;  // Record nothing.
//     }
//   };
//   MyResolver resolver;
//   ExpandPlaceholders(L"{Product} {Stream}", &resolver);  // L"Velto
//   developer"
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PLACEHOLDERS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PLACEHOLDERS_H_

#include <string>

#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/install_log_registry.h"

namespace installer {

// Expands the placeholders of one set of registry records and says where the
// values written under a root are recorded. Owned by the caller of the
// records; it outlives every RegOp bound to it.
class PlaceholderResolver {
 public:
  virtual ~PlaceholderResolver() = default;

  // The text for |name| (given without braces). What an unknown name gives
  // is the resolver's choice.
  virtual std::wstring Resolve(const std::wstring& name) = 0;

  // The install-log registry that records values written under |root|, or
  // null when nothing is recorded.
  virtual InstallLogRegistry* GetInstallLogRegistryForRoot(HKEY root) = 0;
};

// Replaces each "{name}" in |text| by |resolver|'s answer for the name; null
// gives an empty string. A "{" without a later "}" and everything after it,
// and a "}" without an earlier "{", stay as they are. The inserted text is
// not searched again, so braces in a resolved folder name survive and a
// resolver that answers "{x}" for "x" cannot loop.
std::wstring ExpandPlaceholders(const wchar_t* text,
                                PlaceholderResolver* resolver);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PLACEHOLDERS_H_
