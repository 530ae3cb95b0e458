#include "desktop/windows/installer/service/firewall_manager.h"

#include <utility>

#include "desktop/windows/installer/service/firewall_rule_store_win.h"

namespace installer {

namespace {

constexpr wchar_t kDisplayName[] = L"Velto developer Internet Browser";
constexpr wchar_t kShortName[] = L"Velto";

}  // namespace

// static
ProductNameProvider* ProductNameProvider::GetInstance() {
  static ProductNameProvider* const instance = new ProductNameProvider();
  return instance;
}

std::wstring ProductNameProvider::GetDisplayName() const {
  return kDisplayName;
}

std::wstring ProductNameProvider::GetShortName() const {
  return kShortName;
}

const wchar_t FirewallManager::kMdnsRuleNameSuffix[] = L" (mDNS-In)";
const wchar_t FirewallManager::kMdnsRuleDescription[] =
    L"Inbound rule to allow mDNS traffic.";

// static
std::unique_ptr<FirewallManager> FirewallManager::Create(
    const ProductNameProvider* provider,
    const base::FilePath& application_path) {
  return CreateWithStore(provider, application_path,
                         ComFirewallRuleStore::Create());
}

// static
std::unique_ptr<FirewallManager> FirewallManager::CreateWithStore(
    const ProductNameProvider* provider,
    const base::FilePath& application_path,
    std::unique_ptr<FirewallRuleStore> store) {
  std::unique_ptr<FirewallManager> manager(new FirewallManager(provider));
  if (!manager->rules_.InitWithStore(provider->GetDisplayName(),
                                     application_path, std::move(store))) {
    return nullptr;
  }
  return manager;
}

FirewallManager::FirewallManager(const ProductNameProvider* provider)
    : provider_(provider) {}

FirewallManager::~FirewallManager() = default;

bool FirewallManager::IsRuleInPlace() {
  if (!rules_.IsFirewallEnabled())
    return true;
  return rules_.HasApplicationRules();
}

bool FirewallManager::AddRules() {
  return rules_.AddUdpRule(provider_->GetDisplayName() + kMdnsRuleNameSuffix,
                           kMdnsRuleDescription, kMdnsPort);
}

void FirewallManager::RemoveRules() {
  rules_.RemoveAllApplicationRules();
}

}  // namespace installer
