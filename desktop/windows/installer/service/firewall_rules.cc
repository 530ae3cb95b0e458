#include "desktop/windows/installer/service/firewall_rules.h"

#include <utility>

#include "base/guid.h"
#include "base/logging.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/firewall_rule_store_win.h"

namespace installer {

namespace {

constexpr LONG kUdpProtocol = 17;

}  // namespace

FirewallRules::FirewallRules() = default;
FirewallRules::~FirewallRules() = default;

bool FirewallRules::Init(const std::wstring& grouping_name,
                         const base::FilePath& application_path) {
  return InitWithStore(grouping_name, application_path,
                       ComFirewallRuleStore::Create());
}

bool FirewallRules::InitWithStore(const std::wstring& grouping_name,
                                  const base::FilePath& application_path,
                                  std::unique_ptr<FirewallRuleStore> store) {
  store_ = std::move(store);
  if (!store_)
    return false;
  grouping_name_ = grouping_name;
  application_path_ = application_path;
  return true;
}

bool FirewallRules::IsFirewallEnabled() {
  LONG current = 0;
  if (!store_->GetCurrentProfileTypes(&current))
    return true;
  for (NET_FW_PROFILE_TYPE2 profile :
       {NET_FW_PROFILE2_PUBLIC, NET_FW_PROFILE2_PRIVATE,
        NET_FW_PROFILE2_DOMAIN}) {
    if (!(current & profile))
      continue;
    bool enabled = true;
    if (!store_->GetFirewallEnabled(profile, &enabled) || enabled)
      return true;
  }
  return false;
}

void FirewallRules::GetApplicationRules(RuleList* rules) {
  RuleList all;
  store_->GetRules(&all);
  rules->clear();
  for (std::unique_ptr<FirewallRuleStore::Rule>& rule : all) {
    std::wstring application;
    if (rule->GetApplicationName(&application) &&
        base::FilePath::CompareIgnoreCase(application,
                                          application_path_.value()) == 0) {
      rules->push_back(std::move(rule));
    }
  }
}

bool FirewallRules::HasApplicationRules() {
  RuleList rules;
  GetApplicationRules(&rules);
  return !rules.empty();
}

bool FirewallRules::AddUdpRule(const std::wstring& name,
                               const std::wstring& description,
                               uint16_t port) {
  std::unique_ptr<FirewallRuleStore::Rule> rule =
      CreateUdpRule(name, description, port);
  if (!rule)
    return false;
  // The old rules go only once the new one is in, so an addition the
  // firewall refuses leaves the application with the rules it had.
  RuleList old_rules;
  GetApplicationRulesNamed(name, &old_rules);
  if (!store_->AddRule(*rule))
    return false;
  for (std::unique_ptr<FirewallRuleStore::Rule>& old_rule : old_rules)
    RemoveRule(old_rule.get());
  return true;
}

std::unique_ptr<FirewallRuleStore::Rule> FirewallRules::CreateUdpRule(
    const std::wstring& name, const std::wstring& description,
    uint16_t port) {
  FirewallRuleProperties properties;
  properties.name = name;
  properties.description = description;
  properties.application_path = application_path_;
  properties.protocol = kUdpProtocol;
  properties.direction = NET_FW_RULE_DIR_IN;
  properties.enabled = true;
  properties.local_ports =
      base::WideStringPrintf(L"%u", static_cast<unsigned>(port));
  properties.grouping = grouping_name_;
  properties.profiles = NET_FW_PROFILE2_ALL;
  properties.action = NET_FW_ACTION_ALLOW;
  return store_->CreateRule(properties);
}

void FirewallRules::GetApplicationRulesNamed(const std::wstring& name,
                                             RuleList* rules) {
  RuleList all;
  GetApplicationRules(&all);
  rules->clear();
  for (std::unique_ptr<FirewallRuleStore::Rule>& rule : all) {
    std::wstring rule_name;
    if (rule->GetName(&rule_name) && rule_name == name)
      rules->push_back(std::move(rule));
  }
}

void FirewallRules::RemoveRulesNamed(const std::wstring& name) {
  RuleList rules;
  GetApplicationRulesNamed(name, &rules);
  for (std::unique_ptr<FirewallRuleStore::Rule>& rule : rules)
    RemoveRule(rule.get());
}

void FirewallRules::RemoveRule(FirewallRuleStore::Rule* rule) {
  std::wstring name;
  const bool has_name = rule->GetName(&name);
  // The collection removes by name, and other applications' rules may share
  // this one's.
  std::wstring unique_name = base::ASCIIToUTF16(base::GenerateGUID());
  if (!rule->SetName(unique_name) || store_->RemoveRule(unique_name))
    return;
  // Left under the unique name, the rule would stay in force where no one
  // looks for it.
  if (has_name && rule->SetName(name)) {
    LOG(ERROR) << "Failed to remove the firewall rule " << name << " of "
               << application_path_.value() << "; it stays in place";
  } else {
    LOG(ERROR) << "Failed to remove the firewall rule " << name << " of "
               << application_path_.value() << "; it stays in place as "
               << unique_name;
  }
}

void FirewallRules::RemoveAllApplicationRules() {
  RuleList rules;
  GetApplicationRules(&rules);
  for (std::unique_ptr<FirewallRuleStore::Rule>& rule : rules)
    RemoveRule(rule.get());
}

}  // namespace installer
