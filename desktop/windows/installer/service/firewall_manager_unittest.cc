#include "desktop/windows/installer/service/firewall_manager.h"

#include <gtest/gtest.h>

#include <utility>

#include "desktop/windows/installer/service/firewall_rule_store_for_testing.h"

namespace installer {
namespace {

const base::FilePath kApplication(
    L"C:\\Program Files\\Velto\\Application\\velto.exe");

class FirewallManagerTest : public testing::Test {
 protected:
  void SetUp() override {
    auto store = std::make_unique<InMemoryFirewallRuleStore>();
    store_ = store.get();
    manager_ = FirewallManager::CreateWithStore(
        ProductNameProvider::GetInstance(), kApplication, std::move(store));
    ASSERT_TRUE(manager_);
  }

  InMemoryFirewallRuleStore* store_ = nullptr;
  std::unique_ptr<FirewallManager> manager_;
};

TEST_F(FirewallManagerTest, AddsAndRemovesTheMdnsRule) {
  EXPECT_FALSE(manager_->IsRuleInPlace());
  ASSERT_TRUE(manager_->AddRules());
  EXPECT_TRUE(manager_->IsRuleInPlace());

  std::vector<FirewallRuleProperties> rules = store_->rules();
  ASSERT_EQ(1u, rules.size());
  EXPECT_EQ(L"Velto developer Internet Browser (mDNS-In)", rules[0].name);
  EXPECT_EQ(L"Inbound rule to allow mDNS traffic.", rules[0].description);
  EXPECT_EQ(L"Velto developer Internet Browser", rules[0].grouping);
  EXPECT_EQ(L"5353", rules[0].local_ports);
  EXPECT_EQ(kApplication.value(), rules[0].application_path.value());
  EXPECT_EQ(17, rules[0].protocol);  // UDP.
  EXPECT_EQ(NET_FW_RULE_DIR_IN, rules[0].direction);
  EXPECT_EQ(NET_FW_ACTION_ALLOW, rules[0].action);
  EXPECT_EQ(NET_FW_PROFILE2_ALL, rules[0].profiles);
  EXPECT_TRUE(rules[0].enabled);

  // Every rule of the application goes, whatever its name.
  FirewallRuleProperties extra = rules[0];
  extra.name = L"Something else";
  store_->AddExistingRule(extra);
  manager_->RemoveRules();
  EXPECT_TRUE(store_->rules().empty());
  EXPECT_FALSE(manager_->IsRuleInPlace());
}

TEST_F(FirewallManagerTest, FirewallOffEverywhereMeansInPlace) {
  store_->current_profile_types =
      NET_FW_PROFILE2_PUBLIC | NET_FW_PROFILE2_DOMAIN;
  store_->firewall_enabled[NET_FW_PROFILE2_PUBLIC] = false;
  store_->firewall_enabled[NET_FW_PROFILE2_DOMAIN] = false;
  EXPECT_TRUE(manager_->IsRuleInPlace());
  EXPECT_EQ(0, store_->rule_reads);
}

TEST(FirewallManagerCreateTest, NeedsAFirewall) {
  EXPECT_FALSE(FirewallManager::CreateWithStore(
      ProductNameProvider::GetInstance(), kApplication, nullptr));
}

}  // namespace
}  // namespace installer
