// Expands the placeholders of the association rows (association_tables.h)
// for one installation and one protocol or extension. Values written through
// it are not recorded in the install log: associations stay behind the
// uninstallation's own cleanup.
//
//   AssociationPlaceholderResolver resolver(L"http", folder.value());
//   ExpandPlaceholders(L"Software\\Classes\\{Protocol}", &resolver);
//   // "Software\Classes\http"
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_PLACEHOLDER_RESOLVER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_PLACEHOLDER_RESOLVER_H_

#include <string>

#include "desktop/windows/installer/service/placeholders.h"

namespace installer {

class AssociationPlaceholderResolver : public PlaceholderResolver {
 public:
  // |name| is the protocol or extension of the rows, empty when they use
  // none; |install_folder| is the installation folder without a trailing
  // separator.
  AssociationPlaceholderResolver(std::wstring name,
                                 std::wstring install_folder);
  ~AssociationPlaceholderResolver() override;

  // "InstallFolder", "Stream", "Product", and "Extension" or "Protocol" (both
  // the name); any other name comes back unchanged. Names compare exactly.
  std::wstring Resolve(const std::wstring& name) override;
  // None.
  InstallLogRegistry* GetInstallLogRegistryForRoot(HKEY root) override;

 private:
  const std::wstring name_;
  const std::wstring install_folder_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_ASSOCIATION_PLACEHOLDER_RESOLVER_H_
