// InMemoryFirewallRuleStore: a FirewallRuleStore held in memory, for tests of
// the rule logic that must not touch the computer's firewall (and reach what
// Wine's firewall cannot show: rules read back, profiles).
//
//   auto store = std::make_unique<InMemoryFirewallRuleStore>();
//   store->AddExistingRule(Properties(L"Other (mDNS-In)", other_exe));
//   InMemoryFirewallRuleStore* view = store.get();
//   rules.InitWithStore(L"Group", browser_exe, std::move(store));
//   EXPECT_EQ(1u, view->rules().size());
//
// Header only: it is no part of the product.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_FOR_TESTING_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_FOR_TESTING_H_

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "desktop/windows/installer/service/firewall_rule_store.h"

namespace installer {

class InMemoryFirewallRuleStore : public FirewallRuleStore {
 public:
  // What the store answers; tests change it freely.
  // -1: the profile types cannot be read.
  LONG current_profile_types = NET_FW_PROFILE2_PRIVATE;
  // Profiles missing here cannot be read.
  std::map<NET_FW_PROFILE_TYPE2, bool> firewall_enabled = {
      {NET_FW_PROFILE2_DOMAIN, true},
      {NET_FW_PROFILE2_PRIVATE, true},
      {NET_FW_PROFILE2_PUBLIC, true}};
  bool rules_readable = true;
  bool can_create_rules = true;
  bool can_add_rules = true;
  bool can_rename_rules = true;
  bool can_remove_rules = true;
  // How often the rules were read.
  int rule_reads = 0;

  // Adds a rule as if someone had made it before the code under test ran.
  void AddExistingRule(const FirewallRuleProperties& properties) {
    rules_.push_back(std::make_shared<FirewallRuleProperties>(properties));
  }
  // The collection, oldest first.
  const std::vector<std::shared_ptr<FirewallRuleProperties>>& rules() const {
    return rules_;
  }

  bool GetCurrentProfileTypes(LONG* profile_types) override {
    if (current_profile_types == -1) return false;
    *profile_types = current_profile_types;
    return true;
  }
  bool GetFirewallEnabled(NET_FW_PROFILE_TYPE2 profile,
                          bool* enabled) override {
    auto found = firewall_enabled.find(profile);
    if (found == firewall_enabled.end()) return false;
    *enabled = found->second;
    return true;
  }
  bool GetRules(std::vector<std::unique_ptr<Rule>>* rules) override {
    ++rule_reads;
    rules->clear();
    if (!rules_readable) return false;
    for (const auto& rule : rules_)
      rules->push_back(std::make_unique<MemoryRule>(rule, &can_rename_rules));
    return true;
  }
  std::unique_ptr<Rule>
  CreateRule(const FirewallRuleProperties& properties) override {
    if (!can_create_rules) return nullptr;
    return std::make_unique<MemoryRule>(
        std::make_shared<FirewallRuleProperties>(properties),
        &can_rename_rules);
  }
  bool AddRule(const Rule& rule) override {
    if (!can_add_rules) return false;
    rules_.push_back(static_cast<const MemoryRule&>(rule).properties);
    return true;
  }
  // Every rule of the name goes: the harshest answer, so that a test sees
  // any rule that was removed by a name it shares.
  bool RemoveRule(const std::wstring& name) override {
    if (!can_remove_rules) return false;
    rules_.erase(std::remove_if(
                     rules_.begin(), rules_.end(),
                     [&name](const auto& rule) { return rule->name == name; }),
                 rules_.end());
    return true;
  }

 private:
  // Shares its properties with the collection, so a rename shows there.
  class MemoryRule : public Rule {
   public:
    MemoryRule(std::shared_ptr<FirewallRuleProperties> properties,
               const bool* can_rename)
        : properties(std::move(properties)), can_rename(can_rename) {}

    bool GetName(std::wstring* name) const override {
      *name = properties->name;
      return true;
    }
    bool GetApplicationName(std::wstring* application) const override {
      if (properties->application_path.empty()) return false;
      *application = properties->application_path.value();
      return true;
    }
    bool SetName(const std::wstring& name) override {
      if (!*can_rename) return false;
      properties->name = name;
      return true;
    }

    std::shared_ptr<FirewallRuleProperties> properties;
    // The store's can_rename_rules; the store outlives its rules.
    const bool* can_rename;
  };

  std::vector<std::shared_ptr<FirewallRuleProperties>> rules_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_FOR_TESTING_H_
