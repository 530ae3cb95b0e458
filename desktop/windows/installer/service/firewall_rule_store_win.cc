#include "desktop/windows/installer/service/firewall_rule_store_win.h"

#include "base/win/windows_types.h"

#include <oleauto.h>

#include <utility>

#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace installer {

namespace {

using Microsoft::WRL::ComPtr;

// Reads a string property through |getter|; an unset (null) string counts as
// unread.
template <typename Getter>
bool ReadString(INetFwRule* rule, Getter getter, std::wstring* text) {
  base::win::ScopedBstr owned;
  HRESULT result = (rule->*getter)(owned.Receive());
  if (FAILED(result) || !owned.Get())
    return false;
  text->assign(owned.Get(), ::SysStringLen(owned.Get()));
  return true;
}

class ComRule : public FirewallRuleStore::Rule {
 public:
  explicit ComRule(ComPtr<INetFwRule> rule) : rule_(std::move(rule)) {}

  bool GetName(std::wstring* name) const override {
    return ReadString(rule_.Get(), &INetFwRule::get_Name, name);
  }
  bool GetApplicationName(std::wstring* application) const override {
    return ReadString(rule_.Get(), &INetFwRule::get_ApplicationName,
                      application);
  }
  bool SetName(const std::wstring& name) override {
    base::win::ScopedBstr text(name.c_str());
    return SUCCEEDED(rule_->put_Name(text.Get()));
  }

  INetFwRule* get() const { return rule_.Get(); }

 private:
  ComPtr<INetFwRule> rule_;
};

// Sets |properties| on |rule| in the order the firewall documents them.
bool SetProperties(INetFwRule* rule, const FirewallRuleProperties& properties) {
  base::win::ScopedBstr name(properties.name.c_str());
  base::win::ScopedBstr description(properties.description.c_str());
  base::win::ScopedBstr application(
      properties.application_path.value().c_str());
  base::win::ScopedBstr ports(properties.local_ports.c_str());
  base::win::ScopedBstr grouping(properties.grouping.c_str());
  // A rule whose application did not take would open the port to every
  // program, so any refused property abandons the rule.
  return SUCCEEDED(rule->put_Name(name.Get())) &&
         SUCCEEDED(rule->put_Description(description.Get())) &&
         SUCCEEDED(rule->put_ApplicationName(application.Get())) &&
         SUCCEEDED(rule->put_Protocol(properties.protocol)) &&
         SUCCEEDED(rule->put_Direction(properties.direction)) &&
         SUCCEEDED(rule->put_Enabled(properties.enabled ? VARIANT_TRUE
                                                        : VARIANT_FALSE)) &&
         SUCCEEDED(rule->put_LocalPorts(ports.Get())) &&
         SUCCEEDED(rule->put_Grouping(grouping.Get())) &&
         SUCCEEDED(rule->put_Profiles(properties.profiles)) &&
         SUCCEEDED(rule->put_Action(properties.action));
}

}  // namespace

// static
std::unique_ptr<ComFirewallRuleStore> ComFirewallRuleStore::Create() {
  ComPtr<INetFwPolicy2> policy;
  // __uuidof: no import library defines the CLSID_NetFw* that <netfw.h>
  // declares.
  if (FAILED(::CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_ALL,
                                IID_PPV_ARGS(&policy)))) {
    return nullptr;
  }
  ComPtr<INetFwRules> rules;
  if (FAILED(policy->get_Rules(&rules)) || !rules)
    return nullptr;
  return std::unique_ptr<ComFirewallRuleStore>(
      new ComFirewallRuleStore(std::move(policy), std::move(rules)));
}

ComFirewallRuleStore::ComFirewallRuleStore(ComPtr<INetFwPolicy2> policy,
                                           ComPtr<INetFwRules> rules)
    : policy_(std::move(policy)), rules_(std::move(rules)) {}

ComFirewallRuleStore::~ComFirewallRuleStore() {
  // The collection came from the policy: let it go first.
  rules_.Reset();
  policy_.Reset();
}

bool ComFirewallRuleStore::GetCurrentProfileTypes(LONG* profile_types) {
  return SUCCEEDED(policy_->get_CurrentProfileTypes(profile_types));
}

bool ComFirewallRuleStore::GetFirewallEnabled(NET_FW_PROFILE_TYPE2 profile,
                                              bool* enabled) {
  VARIANT_BOOL value = VARIANT_FALSE;
  if (FAILED(policy_->get_FirewallEnabled(profile, &value)))
    return false;
  *enabled = value != VARIANT_FALSE;
  return true;
}

bool ComFirewallRuleStore::GetRules(
    std::vector<std::unique_ptr<Rule>>* rules) {
  rules->clear();
  ComPtr<IUnknown> enumerator_object;
  if (FAILED(rules_->get__NewEnum(&enumerator_object)) || !enumerator_object)
    return false;
  ComPtr<IEnumVARIANT> enumerator;
  if (FAILED(enumerator_object.As(&enumerator)))
    return false;
  for (;;) {
    base::win::ScopedVariant element;
    ULONG fetched = 0;
    HRESULT result = enumerator->Next(1, element.Receive(), &fetched);
    if (FAILED(result)) {
      rules->clear();
      return false;
    }
    if (result != S_OK || fetched != 1)
      return true;
    // Anything that is not a rule object is not ours to judge.
    if (element.get().vt != VT_DISPATCH || !element.get().pdispVal)
      continue;
    ComPtr<INetFwRule> rule;
    if (SUCCEEDED(element.get().pdispVal->QueryInterface(IID_PPV_ARGS(&rule))))
      rules->push_back(std::make_unique<ComRule>(std::move(rule)));
  }
}

std::unique_ptr<FirewallRuleStore::Rule> ComFirewallRuleStore::CreateRule(
    const FirewallRuleProperties& properties) {
  ComPtr<INetFwRule> rule;
  if (FAILED(::CoCreateInstance(__uuidof(NetFwRule), nullptr, CLSCTX_ALL,
                                IID_PPV_ARGS(&rule)))) {
    return nullptr;
  }
  if (!SetProperties(rule.Get(), properties))
    return nullptr;
  return std::make_unique<ComRule>(std::move(rule));
}

bool ComFirewallRuleStore::AddRule(const Rule& rule) {
  // Only CreateRule and GetRules make rules, and both make ComRule.
  return SUCCEEDED(rules_->Add(static_cast<const ComRule&>(rule).get()));
}

bool ComFirewallRuleStore::RemoveRule(const std::wstring& name) {
  base::win::ScopedBstr text(name.c_str());
  return SUCCEEDED(rules_->Remove(text.Get()));
}

}  // namespace installer
