// The browser's inbound firewall rule: it listens for multicast DNS, so the
// installer lets UDP port 5353 in for the browser's executable and takes the
// executable's rules away again at uninstallation.
//
//   std::unique_ptr<FirewallManager> manager = FirewallManager::Create(
//       ProductNameProvider::GetInstance(), browser_exe);
//   if (manager && !manager->IsRuleInPlace())
//     manager->AddRules();
//
// Failures are answered as false or ignored; nothing here logs. Used on the
// installer's main thread inside its single-threaded COM apartment.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_MANAGER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_MANAGER_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/firewall_rules.h"

namespace installer {

// The product's names as the firewall shows them.
class ProductNameProvider {
 public:
  // The process's provider, made on first use and never freed.
  static ProductNameProvider* GetInstance();

  virtual ~ProductNameProvider() = default;
  // "Velto developer Internet Browser": the rule's group and name.
  virtual std::wstring GetDisplayName() const;
  // "Velto".
  virtual std::wstring GetShortName() const;
};

class FirewallManager {
 public:
  // The mDNS rule's name follows the provider's display name with this.
  static const wchar_t kMdnsRuleNameSuffix[];
  static const wchar_t kMdnsRuleDescription[];
  static constexpr uint16_t kMdnsPort = 5353;

  // A manager for the rules of |application_path| in the system's firewall;
  // null when the firewall cannot be reached. |provider| must outlive the
  // manager.
  static std::unique_ptr<FirewallManager> Create(
      const ProductNameProvider* provider,
      const base::FilePath& application_path);
  // The same over |store|; null when |store| is null.
  static std::unique_ptr<FirewallManager> CreateWithStore(
      const ProductNameProvider* provider,
      const base::FilePath& application_path,
      std::unique_ptr<FirewallRuleStore> store);

  virtual ~FirewallManager();
  FirewallManager(const FirewallManager&) = delete;
  FirewallManager& operator=(const FirewallManager&) = delete;

  // True when the application has a rule, or when no profile in force has
  // the firewall on (the rules are then not looked at).
  virtual bool IsRuleInPlace();
  // Adds the mDNS rule, replacing the application's rules of its name.
  virtual bool AddRules();
  // Removes every rule of the application, whatever its name.
  virtual void RemoveRules();

 private:
  explicit FirewallManager(const ProductNameProvider* provider);

  const ProductNameProvider* provider_;
  FirewallRules rules_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_MANAGER_H_
