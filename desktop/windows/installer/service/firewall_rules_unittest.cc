#include "desktop/windows/installer/service/firewall_rules.h"

#include <gtest/gtest.h>

#include <utility>

#include "base/guid.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/firewall_manager.h"
#include "desktop/windows/installer/service/firewall_rule_store_for_testing.h"
#include "desktop/windows/installer/service/firewall_rule_store_win.h"

namespace installer {
namespace {

const base::FilePath
    kApplication(L"C:\\Program Files\\Velto\\Application\\velto.exe");
const base::FilePath
    kApplicationOtherCase(L"c:\\program files\\VELTO\\application\\Velto.EXE");
const base::FilePath kOtherApplication(L"C:\\Other\\other.exe");

// (name, application) of every rule, in the store's order: the old ones
// first, the added ones after.
std::vector<std::pair<std::wstring, std::wstring>>
Summary(const InMemoryFirewallRuleStore& store) {
  std::vector<std::pair<std::wstring, std::wstring>> summary;
  for (const auto& rule : store.rules())
    summary.emplace_back(rule->name, rule->application_path.value());
  return summary;
}

// Sets |rules| up for kApplication over a fresh in-memory store, which it
// hands back to look at and change.
InMemoryFirewallRuleStore* InitWithMemoryStore(FirewallRules* rules) {
  auto store = std::make_unique<InMemoryFirewallRuleStore>();
  InMemoryFirewallRuleStore* view = store.get();
  EXPECT_TRUE(rules->InitWithStore(L"Group", kApplication, std::move(store)));
  return view;
}

// Ownership goes by application path, ignoring case; names shared with other
// applications' rules, or with rules naming no application, protect those.
TEST(FirewallRulesTest, ReplacesAndRemovesOnlyTheApplicationsRules) {
  FirewallRules rules;
  InMemoryFirewallRuleStore* store = InitWithMemoryStore(&rules);
  store->AddExistingRule({L"Name", L"", kOtherApplication});
  store->AddExistingRule({L"Name", L"", base::FilePath()});
  store->AddExistingRule({L"Name", L"", kApplicationOtherCase});
  store->AddExistingRule({L"Name", L"", kApplication});
  store->AddExistingRule({L"Kept", L"", kApplication});
  store->AddExistingRule({L"name", L"", kApplication});

  ASSERT_TRUE(rules.AddUdpRule(L"Name", L"Description", 5353));
  using Entry = std::pair<std::wstring, std::wstring>;
  EXPECT_EQ((std::vector<Entry>{{L"Name", kOtherApplication.value()},
                                {L"Name", L""},
                                {L"Kept", kApplication.value()},
                                {L"name", kApplication.value()},
                                {L"Name", kApplication.value()}}),
            Summary(*store));

  rules.RemoveAllApplicationRules();
  EXPECT_EQ((std::vector<Entry>{{L"Name", kOtherApplication.value()},
                                {L"Name", L""}}),
            Summary(*store));
  EXPECT_FALSE(rules.HasApplicationRules());
}

// Whichever step fails, the application keeps a rule of its own name; only
// a failed removal after a successful addition leaves the old one beside
// the new.
TEST(FirewallRulesFailureTest, RulesStayAsTheyWere) {
  using Store = InMemoryFirewallRuleStore;
  using Entry = std::pair<std::wstring, std::wstring>;  // Name, description.
  const Entry kOld = {L"Name", L""};
  const Entry kNew = {L"Name", L"Description"};
  struct Case {
    const char* failing;
    bool Store::*capability;
    bool add;     // Else remove every rule of the application.
    bool result;  // Of AddUdpRule, or HasApplicationRules after removing.
    std::vector<Entry> after;
  } const cases[] = {
      {"create", &Store::can_create_rules, true, false, {kOld}},
      {"add", &Store::can_add_rules, true, false, {kOld}},
      {"remove", &Store::can_remove_rules, true, true, {kOld, kNew}},
      {"rename", &Store::can_rename_rules, false, true, {kOld}},
      {"remove", &Store::can_remove_rules, false, true, {kOld}},
      // Unreadable rules are none of the application's.
      {"read", &Store::rules_readable, false, false, {kOld}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::Message() << test.failing << " " << test.add);
    FirewallRules rules;
    Store* store = InitWithMemoryStore(&rules);
    store->AddExistingRule({L"Name", L"", kApplication});
    store->*test.capability = false;
    if (test.add) {
      EXPECT_EQ(test.result, rules.AddUdpRule(L"Name", L"Description", 5353));
    } else {
      rules.RemoveAllApplicationRules();
      EXPECT_EQ(test.result, rules.HasApplicationRules());
    }
    std::vector<Entry> after;
    for (const auto& rule : store->rules())
      after.emplace_back(rule->name, rule->description);
    EXPECT_EQ(test.after, after);
  }
}

TEST(FirewallRulesEnabledTest, OnlyProfilesInForceCount) {
  constexpr LONG kPublic = NET_FW_PROFILE2_PUBLIC;
  constexpr LONG kPrivate = NET_FW_PROFILE2_PRIVATE;
  constexpr LONG kDomain = NET_FW_PROFILE2_DOMAIN;
  // Profiles are sets of bits; -1 profile types means they cannot be read.
  // (Off everywhere is FirewallManagerTest's.)
  struct Case {
    LONG current, on, unreadable;
    bool expected;
  } const cases[] = {
      {kPrivate, kPublic | kDomain, 0, false},  // off where it matters
      {kPublic | kPrivate, kPrivate, 0, true},  // on in one of two
      {kDomain, 0, kDomain, true},              // unknown counts as on
      {-1, 0, 0, true},                         // profiles unknown
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::Message()
                 << test.current << " " << test.on << " " << test.unreadable);
    FirewallRules rules;
    InMemoryFirewallRuleStore* store = InitWithMemoryStore(&rules);
    store->current_profile_types = test.current;
    store->firewall_enabled.clear();
    for (NET_FW_PROFILE_TYPE2 profile :
         {NET_FW_PROFILE2_PUBLIC, NET_FW_PROFILE2_PRIVATE,
          NET_FW_PROFILE2_DOMAIN}) {
      if (!(test.unreadable & profile))
        store->firewall_enabled[profile] = (test.on & profile) != 0;
    }
    EXPECT_EQ(test.expected, rules.IsFirewallEnabled());
  }
}

// The manager's one rule, over the rules above; with the firewall off where
// it is in force the rule counts as in place without reading any rule.
TEST(FirewallManagerTest, AddsAndRemovesTheMdnsRule) {
  ProductNameProvider* names = ProductNameProvider::GetInstance();
  EXPECT_EQ(names, ProductNameProvider::GetInstance());
  EXPECT_EQ(L"Velto", names->GetShortName());
  EXPECT_FALSE(FirewallManager::CreateWithStore(names, kApplication, nullptr));
  auto owned_store = std::make_unique<InMemoryFirewallRuleStore>();
  InMemoryFirewallRuleStore* store = owned_store.get();
  std::unique_ptr<FirewallManager> manager = FirewallManager::CreateWithStore(
      names, kApplication, std::move(owned_store));
  ASSERT_TRUE(manager);
  EXPECT_FALSE(manager->IsRuleInPlace());
  ASSERT_TRUE(manager->AddRules());
  EXPECT_TRUE(manager->IsRuleInPlace());

  ASSERT_EQ(1u, store->rules().size());
  const FirewallRuleProperties rule = *store->rules()[0];
  EXPECT_EQ(L"Velto developer Internet Browser (mDNS-In)", rule.name);
  EXPECT_EQ(L"Inbound rule to allow mDNS traffic.", rule.description);
  EXPECT_EQ(L"Velto developer Internet Browser", rule.grouping);
  EXPECT_EQ(L"5353", rule.local_ports);
  EXPECT_EQ(kApplication.value(), rule.application_path.value());
  EXPECT_EQ(17, rule.protocol);  // UDP.
  EXPECT_EQ(NET_FW_RULE_DIR_IN, rule.direction);
  EXPECT_EQ(NET_FW_ACTION_ALLOW, rule.action);
  EXPECT_EQ(NET_FW_PROFILE2_ALL, rule.profiles);
  EXPECT_TRUE(rule.enabled);
  manager->RemoveRules();
  EXPECT_TRUE(store->rules().empty());
  EXPECT_FALSE(manager->IsRuleInPlace());

  store->current_profile_types =
      NET_FW_PROFILE2_PUBLIC | NET_FW_PROFILE2_DOMAIN;
  store->firewall_enabled[NET_FW_PROFILE2_PUBLIC] = false;
  store->firewall_enabled[NET_FW_PROFILE2_DOMAIN] = false;
  const int reads = store->rule_reads;
  EXPECT_TRUE(manager->IsRuleInPlace());
  EXPECT_EQ(reads, store->rule_reads);
}

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
  std::unique_ptr<FirewallManager> manager =
      FirewallManager::Create(ProductNameProvider::GetInstance(), application);
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
