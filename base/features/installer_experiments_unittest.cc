#include "base/features/installer_experiments.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_list.h"
#include "base/features/switch_table.h"
#include "base/json/values.h"

namespace base {
namespace {

TEST(InstallerExperimentsTest, StreamTableGivesTheMasks) {
  const struct {
    const char* token;
    int32_t channel;
    int row;
    uint32_t default_mask;
    uint32_t overridable_mask;
  } kCases[] = {
      {"VLT", 1, 0, 0x7, 0x7}, {"VLT", 2, 1, 0x6, 0x6}, {"VLT", 4, 3, 0x4, 0x4},
      {"KRX", 4, 7, 0x8, 0x8}, {"VLT", 5, -1, 0, 0},    {"vlt", 2, -1, 0, 0},
      {"", 2, -1, 0, 0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.row, FindStreamTableRow(c.token, c.channel)) << c.token;
    StreamMasks masks = GetStreamMasks(c.token, c.channel);
    EXPECT_EQ(c.default_mask, masks.default_mask) << c.token << c.channel;
    EXPECT_EQ(c.overridable_mask, masks.overridable_mask) << c.token;
  }
  // This build: "VLT" on the Developer channel.
  StreamMasks current = GetCurrentStreamMasks();
  EXPECT_EQ(0x6u, current.default_mask);
  EXPECT_EQ(0x6u, current.overridable_mask);
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
  ExpectExperiments(GetCurrentStreamMasks(), {false, false, true, true},
                    {true, false, true, true});
  ExpectExperiments(GetStreamMasks("KRX", 2), {false, true, false, false},
                    {true, false, true, true});
  // A product the stream table does not know: all off, none overridable.
  ExpectExperiments(GetStreamMasks("ABC", 2), {false, false, false, false},
                    {false, false, false, false});
}

// Start-up order: the installation's preferences list, then the command line.
TEST(InstallerExperimentsTest, CommandLineWinsOverPreferencesList) {
  FeatureList list;
  RegisterInstallerExperiments(&list);
  ListValue prefs;
  prefs.AppendString("installer-experiment-test @ 1");
  prefs.AppendString("installer-support-x64-download@2");
  prefs.AppendString("installer-hide-from-program-and-features@1");
  ListFeatureReader prefs_reader(&prefs);
  list.Initialize(&prefs_reader);
  CommandLine command_line(CommandLine::NO_PROGRAM);
  command_line.AppendSwitch(GetFeatureSwitchName(kInstallerSupportX64Download));
  CommandLineFeatureReader switch_reader(&command_line);
  list.Initialize(&switch_reader);

  EXPECT_TRUE(list.IsEnabled(kInstallerExperimentTest));
  EXPECT_TRUE(list.IsEnabled(kInstallerSupportX64Download));
  EXPECT_FALSE(list.IsEnabled(kInstallerHideFromProgramAndFeatures));
}

TEST(SwitchTableTest, FindsTheCrashLoggingRowOnly) {
  const FeatureRow* row = FindSwitchTableEntry("alternative-crash-logging");
  ASSERT_NE(nullptr, row);
  EXPECT_TRUE(IsExperimentEnabledByDefault(*row));
  EXPECT_TRUE(IsExperimentOverridable(*row));
  EXPECT_FALSE(IsExperimentEnabledByDefault(*row, GetStreamMasks("KRX", 1)));
  EXPECT_FALSE(IsExperimentOverridable(*row, GetStreamMasks("KRX", 1)));
  EXPECT_EQ(nullptr, FindSwitchTableEntry("Alternative-crash-logging"));
  EXPECT_EQ(nullptr, FindSwitchTableEntry("alternative-crash-loggin"));
}

}  // namespace
}  // namespace base
