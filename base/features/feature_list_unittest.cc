#include "base/features/feature_list.h"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/features/command_line_feature_reader.h"
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
  list.RegisterFeature("on-open", true, true);
  list.RegisterFeature("off-open", false, true);
  list.RegisterFeature("on-locked", true, false);
  list.RegisterFeature("off-locked", false, false);
  list.RegisterFeature("untouched", true, true);
  list.RegisterFeature("pinned", false, false);
  EXPECT_FALSE(list.initialized());

  FixedReader first({{"on-open", false},
                     {"off-open", true},
                     {"on-locked", false},
                     {"off-locked", true},
                     {"unregistered", true}});
  list.Initialize(&first);
  EXPECT_TRUE(list.initialized());
  // A second reader adds to the first, and its word wins.
  FixedReader second({{"off-open", false}, {"on-open", true}});
  list.Initialize(&second);
  list.PinOverride("pinned", false);
  list.PinOverride("pinned", true);
  list.PinOverride("pinned-unregistered", true);

  const struct {
    const char* name;
    bool enabled;
  } kCases[] = {
      {"on-open", true},   {"off-open", false},
      {"on-locked", true}, {"off-locked", false},
      {"untouched", true}, {"unregistered", false},
      {"pinned", true},    {"pinned-unregistered", true},
      {"On-Open", false},  {"on-open ", false},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(c.enabled, list.IsEnabled(c.name)) << c.name;
}

TEST(FeatureListTest, ProcessListPassesItsOverridesToAChild) {
  FeatureList* list = FeatureList::GetInstance();
  ASSERT_EQ(list, FeatureList::GetInstance());
  const char* const kNames[] = {"process-a", "process-b", "process-c"};
  for (const char* name : kNames) list->RegisterFeature(name, false, true);

  CommandLine own(CommandLine::NO_PROGRAM);
  own.AppendSwitch(GetFeatureSwitchName("process-a"));
  own.AppendSwitchASCII(GetFeatureSwitchName("process-b"), "on");
  CommandLineFeatureReader own_reader(&own);
  list->Initialize(&own_reader);
  FixedReader later({{"process-b", false}});
  list->Initialize(&later);
  list->PinOverride("process-c", true);
  EXPECT_TRUE(IsFeatureEnabled("process-a"));
  EXPECT_FALSE(IsFeatureEnabled("process-b"));
  EXPECT_TRUE(IsFeatureEnabled("process-c"));

  CommandLine child(FilePath(L"child.exe"));
  FeatureList::AppendToCommandLine(&child);
  EXPECT_EQ("off", child.GetSwitchValueASCII("with-feature:process-b"));

  // The child, reading its command line as launched, agrees on every state.
  CommandLine launched(CommandLine::NO_PROGRAM);
  launched.ParseFromString(child.GetCommandLineString());
  FeatureList child_list;
  for (const char* name : kNames) child_list.RegisterFeature(name, false, true);
  CommandLineFeatureReader child_reader(&launched);
  child_list.Initialize(&child_reader);
  for (const char* name : kNames)
    EXPECT_EQ(list->IsEnabled(name), child_list.IsEnabled(name)) << name;
}

}  // namespace
}  // namespace base
