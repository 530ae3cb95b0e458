#include "base/features/installer_experiments.h"

#include <utility>

#include <gtest/gtest.h>

#include "base/build_channel.h"
#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_list.h"
#include "base/features/switch_table.h"
#include "base/json/values.h"

namespace base {
namespace {

// The masks of the standard product, "VLT", on this build's channel.
StreamMasks ThisBuildMasks() {
  return GetStreamMasks("VLT", GetBuildChannel());
}

TEST(InstallerExperimentsTest, StreamTableNeedsTokenAndChannel) {
  // This build: "VLT" on the Developer channel.
  EXPECT_EQ(1, FindStreamTableRow("VLT", 2));
  const StreamMasks current = ThisBuildMasks();
  EXPECT_EQ(0x6u, current.default_mask);
  EXPECT_EQ(0x6u, current.overridable_mask);
  // No row: the token must match in its case, and the channel too.
  for (const auto& [token, channel] :
       {std::pair<const char*, int32_t>{"VLT", 5}, {"vlt", 2}, {"", 2}}) {
    EXPECT_EQ(-1, FindStreamTableRow(token, channel)) << token << channel;
    const StreamMasks masks = GetStreamMasks(token, channel);
    EXPECT_EQ(0u, masks.default_mask | masks.overridable_mask) << token;
  }
}

// Registers the experiments under |masks|, then tries to flip each one from
// the command line: a feature whose state changes was overridable.
void ExpectExperiments(const StreamMasks& masks, const bool (&defaults)[4],
                       const bool (&overridable)[4]) {
  size_t count = 0;
  const FeatureRow* rows = GetInstallerExperiments(&count);
  ASSERT_EQ(4u, count);
  FeatureList plain;
  RegisterInstallerExperiments(&plain, masks);
  FeatureList flipped;
  RegisterInstallerExperiments(&flipped, masks);
  CommandLine command_line(CommandLine::NO_PROGRAM);
  for (size_t i = 0; i < count; ++i) {
    command_line.AppendSwitchASCII(GetFeatureSwitchName(rows[i].name),
                                   defaults[i] ? "off" : "on");
  }
  CommandLineFeatureReader reader(&command_line);
  flipped.Initialize(&reader);
  for (size_t i = 0; i < count; ++i) {
    EXPECT_EQ(defaults[i], plain.IsEnabled(rows[i].name)) << rows[i].name;
    EXPECT_EQ(overridable[i], flipped.IsEnabled(rows[i].name) != defaults[i])
        << rows[i].name;
  }
}

TEST(InstallerExperimentsTest, StatesFollowTheStream) {
  // Order: experiment-test, hide-from-program-and-features,
  // pref-default-overrides-support, support-x64-download.
  ExpectExperiments(ThisBuildMasks(), {false, false, true, true},
                    {true, false, true, true});
  ExpectExperiments(GetStreamMasks("KRX", 2), {false, true, false, false},
                    {true, false, true, true});
  // A product the stream table does not know: all off, none overridable.
  ExpectExperiments(GetStreamMasks("ABC", 2), {false, false, false, false},
                    {false, false, false, false});
}

TEST(SwitchTableTest, FindsTheCrashLoggingRowOnly) {
  const FeatureRow* row = FindSwitchTableEntry("alternative-crash-logging");
  ASSERT_NE(nullptr, row);
  EXPECT_TRUE(IsExperimentEnabledByDefault(*row, ThisBuildMasks()));
  EXPECT_TRUE(IsExperimentOverridable(*row, ThisBuildMasks()));
  EXPECT_FALSE(IsExperimentEnabledByDefault(*row, GetStreamMasks("KRX", 1)));
  EXPECT_FALSE(IsExperimentOverridable(*row, GetStreamMasks("KRX", 1)));
  EXPECT_EQ(nullptr, FindSwitchTableEntry("Alternative-crash-logging"));
  EXPECT_EQ(nullptr, FindSwitchTableEntry("alternative-crash-loggin"));
}

}  // namespace
}  // namespace base
