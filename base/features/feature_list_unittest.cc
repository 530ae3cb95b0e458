#include "base/features/feature_list.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/build_channel.h"
#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
#include "base/features/installer_experiments.h"
#include "base/files/file_path.h"

namespace base {
namespace {

class FixedReader : public FeatureReader {
 public:
  explicit FixedReader(std::vector<FeatureOverride> overrides)
      : overrides_(std::move(overrides)) {}
  void ReadFeatures(std::vector<FeatureOverride>* overrides) override {
    overrides->insert(overrides->end(), overrides_.begin(), overrides_.end());
  }

 private:
  std::vector<FeatureOverride> overrides_;
};

TEST(FeatureListTest, PinnedThenLatestOverrideThenDefault) {
  FeatureList list;
  list.RegisterFeature("on-open", false, true);
  list.RegisterFeature("on-locked", true, false);
  list.RegisterFeature("untouched", true, true);
  list.RegisterFeature("pinned", false, false);

  // A later reader's word wins: see ProcessListPassesItsOverridesToAChild.
  FixedReader reader(
      {{"on-open", true}, {"on-locked", false}, {"unregistered", true}});
  list.Initialize(&reader);
  list.PinOverride("pinned", false);
  list.PinOverride("pinned", true);
  list.PinOverride("pinned-unregistered", true);

  for (const char* name : {"on-open", "on-locked", "untouched", "pinned",
                           "pinned-unregistered", "On-Open", "PINNED"})
    EXPECT_TRUE(list.IsEnabled(name)) << name;
  for (const char* name : {"unregistered", "on-open "})
    EXPECT_FALSE(list.IsEnabled(name)) << name;
}

// Each process registers the experiments, with the masks of the standard
// product "VLT" on this build's channel, and its own features, then reads
// its overrides.
void RegisterForTest(FeatureList* list) {
  RegisterInstallerExperiments(list, GetStreamMasks("VLT", GetBuildChannel()));
  for (const char* name : {"process-a", "process-b", "process-c"})
    list->RegisterFeature(name, false, true);
}

TEST(FeatureListTest, ProcessListPassesItsOverridesToAChild) {
  FeatureList* list = FeatureList::GetInstance();
  ASSERT_EQ(list, FeatureList::GetInstance());
  RegisterForTest(list);

  // In another case than the child's command line gives them; a later
  // reader's word wins.
  FixedReader first({{"Installer-Experiment-Test", true},
                     {"INSTALLER-SUPPORT-X64-DOWNLOAD", false},
                     {"process-a", true},
                     {"process-b", true},
                     {"process-c", false}});
  list->Initialize(&first);
  FixedReader later({{"process-b", false}});
  list->Initialize(&later);
  // Pins go after the overrides, so the child's last value is the pin's.
  list->PinOverride("process-c", true);
  // Not overridable: a pin turns it on here, but it reaches the child as an
  // ordinary override, which the child ignores.
  list->PinOverride(kInstallerHideFromProgramAndFeatures, true);

  CommandLine child(FilePath(L"child.exe"));
  FeatureList::AppendToCommandLine(&child);
  // The child reads its command line as launched.
  CommandLine launched(CommandLine::NO_PROGRAM);
  launched.ParseFromString(child.GetCommandLineString());
  FeatureList child_list;
  RegisterForTest(&child_list);
  CommandLineFeatureReader child_reader(&launched);
  child_list.Initialize(&child_reader);

  const struct {
    const char* name;
    bool enabled;
    bool enabled_in_child;
  } kCases[] = {
      {"process-a", true, true},
      {"process-b", false, false},
      {"process-c", true, true},
      {kInstallerExperimentTest, true, true},
      {kInstallerHideFromProgramAndFeatures, true, false},
      {kInstallerPrefDefaultOverridesSupport, true, true},
      {kInstallerSupportX64Download, false, false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.enabled, IsFeatureEnabled(c.name)) << c.name;
    EXPECT_EQ(c.enabled_in_child, child_list.IsEnabled(c.name)) << c.name;
  }
}

// Whoever starts the installer may override what the product lets them
// override and nothing else, however the switch is spelt.
TEST(FeatureListTest, NoCommandLineTurnsOnAFeatureThatMayNotBeOverridden) {
  const struct {
    const wchar_t* prefix;
    bool overrides;  // Whether it overrides a feature that allows it.
  } kCases[] = {
      {L"--with-feature:", true},
      {L"--WITH-FEATURE:", true},
      {L"--with-pinned-feature:", false},
      {L"--WITH-PINNED-FEATURE:", false},
      {L"--With-Pinned-Feature:", false},
  };
  for (const auto& c : kCases) {
    const std::wstring prefix(c.prefix);
    CommandLine command_line(CommandLine::NO_PROGRAM);
    command_line.ParseFromString(
        L"installer.exe " + prefix +
        L"installer-hide-from-program-and-features=on " + prefix +
        L"installer-experiment-test=on");
    FeatureList list;
    RegisterForTest(&list);
    CommandLineFeatureReader reader(&command_line);
    list.Initialize(&reader);

    EXPECT_FALSE(list.IsEnabled(kInstallerHideFromProgramAndFeatures))
        << c.prefix;
    // Proves the switch was read where it should be.
    EXPECT_EQ(c.overrides, list.IsEnabled(kInstallerExperimentTest))
        << c.prefix;
  }
}

}  // namespace
}  // namespace base
