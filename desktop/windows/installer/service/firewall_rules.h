// FirewallRules: the firewall rules of one application, found by the
// application path they name, and the rule logic the installer needs on top
// of a FirewallRuleStore: is the firewall on, which rules are the
// application's, add a rule replacing the application's rules of the same
// name, remove exactly the rules meant.
//
//   FirewallRules rules;
//   if (!rules.Init(L"Velto developer Internet Browser", browser_exe))
//     return false;
//   rules.AddUdpRule(L"... (mDNS-In)", L"Inbound rule ...", 5353);
//
// Rules of other applications are never touched, even when they share a
// name. One thread, inside its single-threaded COM apartment.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULES_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/firewall_rule_store.h"

namespace installer {

class FirewallRules {
 public:
  using RuleList = std::vector<std::unique_ptr<FirewallRuleStore::Rule>>;

  FirewallRules();
  ~FirewallRules();
  FirewallRules(const FirewallRules&) = delete;
  FirewallRules& operator=(const FirewallRules&) = delete;

  // Connects to the system's firewall (ComFirewallRuleStore). New rules get
  // |grouping_name|; the application's rules are those naming
  // |application_path|. False when the firewall cannot be reached.
  bool Init(const std::wstring& grouping_name,
            const base::FilePath& application_path);
  // The same over |store|; false when |store| is null.
  bool InitWithStore(const std::wstring& grouping_name,
                     const base::FilePath& application_path,
                     std::unique_ptr<FirewallRuleStore> store);

  // False only when no profile in force has the firewall on. Anything that
  // cannot be read counts as on, so the caller checks the rules.
  bool IsFirewallEnabled();

  // The rules whose application equals the application path, ignoring case.
  // Empty when the rules cannot be read.
  void GetApplicationRules(RuleList* rules);
  bool HasApplicationRules();

  // Replaces the application's rules named |name| with one inbound UDP rule
  // that allows |port| for the application in every profile. False when the
  // new rule cannot be made or added; the old ones then stay.
  bool AddUdpRule(const std::wstring& name, const std::wstring& description,
                  uint16_t port);
  // The rule AddUdpRule adds, not yet in the collection; null on failure.
  std::unique_ptr<FirewallRuleStore::Rule> CreateUdpRule(
      const std::wstring& name, const std::wstring& description,
      uint16_t port);

  // Removes the application's rules named exactly |name|.
  void RemoveRulesNamed(const std::wstring& name);
  // Removes exactly |rule|, a rule of the collection: it is renamed to a
  // fresh GUID first, so other rules of its old name stay. A rule that
  // cannot be renamed stays; one that cannot be removed gets its name back
  // and stays, logged.
  void RemoveRule(FirewallRuleStore::Rule* rule);
  void RemoveAllApplicationRules();

 private:
  // The application's rules named exactly |name|.
  void GetApplicationRulesNamed(const std::wstring& name, RuleList* rules);

  std::wstring grouping_name_;
  base::FilePath application_path_;
  // The firewall policy and its rules collection.
  std::unique_ptr<FirewallRuleStore> store_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULES_H_
