#include "desktop/windows/installer/service/product_experiments.h"

#include <gtest/gtest.h>

#include <iterator>

#include "base/features/feature_list.h"
#include "base/features/switch_table.h"

namespace installer {
namespace {

// The standard product settings name the product "VLT", and this is the
// Developer build: its masks are 0x6 and 0x6.
TEST(ProductExperimentsTest, FollowTheProductTokenAndBuildChannel) {
  base::StreamMasks current = GetCurrentStreamMasks();
  EXPECT_EQ(0x6u, current.default_mask);
  EXPECT_EQ(0x6u, current.overridable_mask);

  base::FeatureList list;
  RegisterInstallerExperiments(&list);
  // One row each way is enough here: base's tests walk the table with
  // these masks.
  EXPECT_FALSE(list.IsEnabled(base::kInstallerExperimentTest));
  EXPECT_TRUE(list.IsEnabled(base::kInstallerSupportX64Download));

  // Each experiment's two answers, which the masks tell apart only for
  // "installer-experiment-test": off by default, yet overridable.
  const struct {
    const char* name;
    bool enabled_by_default;
    bool overridable;
  } kExpected[] = {
      {base::kInstallerExperimentTest, false, true},
      {base::kInstallerHideFromProgramAndFeatures, false, false},
      {base::kInstallerPrefDefaultOverridesSupport, true, true},
      {base::kInstallerSupportX64Download, true, true},
  };
  size_t count = 0;
  const base::FeatureRow* experiments = base::GetInstallerExperiments(&count);
  ASSERT_EQ(std::size(kExpected), count);
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(experiments[i].name);
    EXPECT_STREQ(kExpected[i].name, experiments[i].name);
    EXPECT_EQ(kExpected[i].enabled_by_default,
              IsExperimentEnabledByDefault(experiments[i]));
    EXPECT_EQ(kExpected[i].overridable,
              IsExperimentOverridable(experiments[i]));
  }

  const base::FeatureRow* row =
      base::FindSwitchTableEntry(base::kAlternativeCrashLogging);
  ASSERT_NE(nullptr, row);
  EXPECT_TRUE(IsExperimentEnabledByDefault(*row));
  EXPECT_TRUE(IsExperimentOverridable(*row));
}

}  // namespace
}  // namespace installer
