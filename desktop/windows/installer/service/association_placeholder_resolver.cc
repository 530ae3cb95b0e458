#include "desktop/windows/installer/service/association_placeholder_resolver.h"

#include <utility>

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/version_info.h"

namespace installer {

AssociationPlaceholderResolver::AssociationPlaceholderResolver(
    std::wstring name, std::wstring install_folder)
    : name_(std::move(name)), install_folder_(std::move(install_folder)) {}

AssociationPlaceholderResolver::~AssociationPlaceholderResolver() = default;

std::wstring AssociationPlaceholderResolver::Resolve(const std::wstring& name) {
  if (name == L"InstallFolder") return install_folder_;
  if (name == L"Stream") return base::UTF8ToWide(VersionInfo::GetStreamName());
  if (name == L"Product")
    return base::UTF8ToWide(VersionInfo::GetProductName());
  if (name == L"Extension" || name == L"Protocol") return name_;
  return name;
}

InstallLogRegistry*
AssociationPlaceholderResolver::GetInstallLogRegistryForRoot(HKEY /*root*/) {
  return nullptr;
}

}  // namespace installer
