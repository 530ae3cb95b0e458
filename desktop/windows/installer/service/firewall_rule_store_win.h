// ComFirewallRuleStore: the FirewallRuleStore of the system's firewall, over
// the policy object (INetFwPolicy2), its rules collection (INetFwRules) and
// rule objects (INetFwRule).
//
//   std::unique_ptr<FirewallRuleStore> store = ComFirewallRuleStore::Create();
//   if (!store) return false;  // no firewall service, or COM not initialised
//
// The calling thread must have initialised COM and keep it initialised for
// the store's lifetime.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_WIN_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_WIN_H_

#include <wrl/client.h>

#include <memory>

#include "desktop/windows/installer/service/firewall_rule_store.h"

namespace installer {

class ComFirewallRuleStore : public FirewallRuleStore {
 public:
  // Creates the policy object and reads its rules collection; null when
  // either fails.
  static std::unique_ptr<ComFirewallRuleStore> Create();

  ~ComFirewallRuleStore() override;

  bool GetCurrentProfileTypes(LONG* profile_types) override;
  bool GetFirewallEnabled(NET_FW_PROFILE_TYPE2 profile,
                          bool* enabled) override;
  bool GetRules(std::vector<std::unique_ptr<Rule>>* rules) override;
  std::unique_ptr<Rule> CreateRule(
      const FirewallRuleProperties& properties) override;
  bool AddRule(const Rule& rule) override;
  bool RemoveRule(const std::wstring& name) override;

 private:
  ComFirewallRuleStore(Microsoft::WRL::ComPtr<INetFwPolicy2> policy,
                       Microsoft::WRL::ComPtr<INetFwRules> rules);

  Microsoft::WRL::ComPtr<INetFwPolicy2> policy_;
  Microsoft::WRL::ComPtr<INetFwRules> rules_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_WIN_H_
