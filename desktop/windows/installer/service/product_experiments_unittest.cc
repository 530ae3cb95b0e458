#include "desktop/windows/installer/service/product_experiments.h"

#include <gtest/gtest.h>

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

  const base::FeatureRow* row =
      base::FindSwitchTableEntry(base::kAlternativeCrashLogging);
  ASSERT_NE(nullptr, row);
  EXPECT_TRUE(IsExperimentEnabledByDefault(*row));
  EXPECT_TRUE(IsExperimentOverridable(*row));
}

}  // namespace
}  // namespace installer
