#include "base/features/installer_experiments.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/build_channel.h"
#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/feature_list.h"
#include "base/features/switch_table.h"

namespace base {
namespace {

TEST(InstallerExperimentsTest, StreamTableNeedsTokenAndChannel) {
  // This build: "VLT" on the Developer channel.
  EXPECT_EQ(1, FindStreamTableRow("VLT", 2));
  // No row: the token must match in its case, and the channel too.
  for (const auto& [token, channel] :
       {std::pair<const char*, int32_t>{"VLT", 5}, {"vlt", 2}}) {
    EXPECT_EQ(-1, FindStreamTableRow(token, channel)) << token << channel;
    const StreamMasks masks = GetStreamMasks(token, channel);
    EXPECT_EQ(0u, masks.default_mask | masks.overridable_mask) << token;
  }
}

// Registers the experiments under this build's masks, then tries to flip
// each one from the command line: a feature whose state changes was
// overridable.
TEST(InstallerExperimentsTest, StatesFollowTheStream) {
  const StreamMasks masks = GetStreamMasks("VLT", GetBuildChannel());
  // Order: experiment-test, hide-from-program-and-features,
  // pref-default-overrides-support, support-x64-download.
  const bool defaults[] = {false, false, true, true};
  const bool overridable[] = {true, false, true, true};
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

// Every product and channel has its own masks, and under them each
// experiment, and the crash reporter's switch row, is on by default or not
// and may be overridden or not.
TEST(InstallerExperimentsTest, EveryStreamGivesItsOwnStates) {
  // One character per experiment in table order, then the switch row.
  const struct {
    const char* token;
    int32_t channel;
    StreamMasks masks;
    const char* defaults;
    const char* overridable;
  } kStreams[] = {
      {"VLT", 1, {0x7, 0x7}, "00111", "10111"},
      {"VLT", 2, {0x6, 0x6}, "00111", "10111"},
      {"VLT", 3, {0x4, 0x4}, "00111", "10111"},
      {"VLT", 4, {0x4, 0x4}, "00111", "10111"},
      {"KRX", 1, {0x8, 0x8}, "01000", "10110"},
      {"KRX", 2, {0x8, 0x8}, "01000", "10110"},
      {"KRX", 3, {0x8, 0x8}, "01000", "10110"},
      {"KRX", 4, {0x8, 0x8}, "01000", "10110"},
  };
  size_t count = 0;
  const FeatureRow* experiments = GetInstallerExperiments(&count);
  ASSERT_EQ(4u, count);
  std::vector<const FeatureRow*> rows;
  for (size_t i = 0; i < count; ++i) rows.push_back(&experiments[i]);
  rows.push_back(FindSwitchTableEntry("alternative-crash-logging"));
  ASSERT_NE(nullptr, rows.back());
  for (const auto& stream : kStreams) {
    SCOPED_TRACE(testing::Message() << stream.token << stream.channel);
    const StreamMasks masks = GetStreamMasks(stream.token, stream.channel);
    EXPECT_EQ(stream.masks.default_mask, masks.default_mask);
    EXPECT_EQ(stream.masks.overridable_mask, masks.overridable_mask);
    std::string defaults;
    std::string overridable;
    for (const FeatureRow* row : rows) {
      defaults += IsExperimentEnabledByDefault(*row, masks) ? '1' : '0';
      overridable += IsExperimentOverridable(*row, masks) ? '1' : '0';
    }
    EXPECT_EQ(stream.defaults, defaults);
    EXPECT_EQ(stream.overridable, overridable);
  }
}

TEST(SwitchTableTest, FindsTheCrashLoggingRowOnly) {
  EXPECT_NE(nullptr, FindSwitchTableEntry("alternative-crash-logging"));
  EXPECT_EQ(nullptr, FindSwitchTableEntry("alternative-crash-loggin"));
}

}  // namespace
}  // namespace base
