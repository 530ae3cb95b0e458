// The narrow view of the Windows Firewall that FirewallRules works through:
// the profiles in force, the rules collection, and rule objects that can be
// named, read and added. ComFirewallRuleStore (firewall_rule_store_win.h)
// speaks to the system's firewall policy; tests hand FirewallRules an
// in-memory store instead (firewall_rule_store_for_testing.h).
//
//   std::unique_ptr<FirewallRuleStore> store = ComFirewallRuleStore::Create();
//   std::vector<std::unique_ptr<FirewallRuleStore::Rule>> rules;
//   if (store && store->GetRules(&rules)) ...
//
// A store and its rules belong to one thread (the installer's main thread,
// inside its single-threaded COM apartment).
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_H_

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/windows_types.h"

#include <netfw.h>

namespace installer {

// Everything the installer sets on a rule it creates.
struct FirewallRuleProperties {
  std::wstring name;
  std::wstring description;
  base::FilePath application_path;
  // An IP protocol number (17 is UDP).
  LONG protocol = 0;
  NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_IN;
  bool enabled = false;
  // Ports as the firewall writes them: "5353", "80,443" or "1000-2000".
  std::wstring local_ports;
  std::wstring grouping;
  // NET_FW_PROFILE_TYPE2 bits.
  LONG profiles = 0;
  NET_FW_ACTION action = NET_FW_ACTION_BLOCK;
};

class FirewallRuleStore {
 public:
  // One rule, either read from the collection or made by CreateRule and not
  // yet added. Renaming a rule of the collection renames it in place.
  class Rule {
   public:
    virtual ~Rule() = default;
    // False when the property is unset or cannot be read.
    virtual bool GetName(std::wstring* name) const = 0;
    virtual bool GetApplicationName(std::wstring* application) const = 0;
    virtual bool SetName(const std::wstring& name) = 0;
  };

  virtual ~FirewallRuleStore() = default;

  // The NET_FW_PROFILE_TYPE2 bits of the profiles in force.
  virtual bool GetCurrentProfileTypes(LONG* profile_types) = 0;
  // Whether the firewall is on for the single profile |profile|.
  virtual bool GetFirewallEnabled(NET_FW_PROFILE_TYPE2 profile,
                                  bool* enabled) = 0;

  // Replaces |rules| with every element of the collection that is a rule.
  // False, with |rules| empty, when the collection cannot be walked.
  virtual bool GetRules(std::vector<std::unique_ptr<Rule>>* rules) = 0;
  // A new rule with every one of |properties| set, not yet in the
  // collection; null when the rule object cannot be made or a property
  // refused.
  virtual std::unique_ptr<Rule> CreateRule(
      const FirewallRuleProperties& properties) = 0;
  // Adds |rule|, which this store's CreateRule made, to the collection.
  virtual bool AddRule(const Rule& rule) = 0;
  // Removes the collection's rules named |name|. Which of several rules of
  // one name go is the firewall's choice, so callers give the rule they mean
  // a name of its own first.
  virtual bool RemoveRule(const std::wstring& name) = 0;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULE_STORE_H_
