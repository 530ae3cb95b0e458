#include "desktop/windows/installer/service/firewall_rule_store_win.h"

#include <gtest/gtest.h>

#include "base/guid.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/firewall_manager.h"

namespace installer {
namespace {

// The manager over the computer's own firewall. What the firewall cannot
// show is skipped, but nothing it implements may fail. The rule names an
// executable that does not exist, in a fresh folder, and never outlives the
// test.
class ComFirewallRuleStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  }
  void TearDown() override { ::CoUninitialize(); }
};

TEST_F(ComFirewallRuleStoreTest, ManagerRoundTrip) {
  const base::FilePath application =
      base::FilePath(L"C:\\VeltoFirewallTest")
          .Append(base::ASCIIToUTF16(base::GenerateGUID()))
          .Append(L"velto.exe");
  std::unique_ptr<ComFirewallRuleStore> store = ComFirewallRuleStore::Create();
  ASSERT_TRUE(store);
  std::unique_ptr<FirewallManager> manager = FirewallManager::Create(
      ProductNameProvider::GetInstance(), application);
  ASSERT_TRUE(manager);

  bool added = manager->AddRules();
  bool in_place = manager->IsRuleInPlace();
  manager->RemoveRules();
  FirewallRules::RuleList rules;
  if (!store->GetRules(&rules)) {
    // The rule object still took every property, and the collection its
    // addition.
    EXPECT_TRUE(added);
    GTEST_SKIP() << "This firewall cannot enumerate its rules";
  }
  if (!added)
    GTEST_SKIP() << "Adding a firewall rule needs administrator rights";
  EXPECT_TRUE(in_place);
  FirewallRules leftover;
  ASSERT_TRUE(leftover.Init(L"Group", application));
  EXPECT_FALSE(leftover.HasApplicationRules());
}

}  // namespace
}  // namespace installer
