#include "base/features/command_line_feature_reader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/json/values.h"
#include "base/logging.h"
#include "testing/log_capture.h"

namespace base {
namespace {

void ExpectOverrides(const std::vector<FeatureOverride>& expected,
                     const std::vector<FeatureOverride>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].name, actual[i].name) << i;
    EXPECT_EQ(expected[i].enabled, actual[i].enabled) << i;
  }
}

TEST(CommandLineFeatureReaderTest, ReadsOnOffAndEmptyAndWarnsOnTheRest) {
  CommandLine command_line(CommandLine::NO_PROGRAM);
  command_line.AppendSwitch("with-feature:bare");
  command_line.AppendSwitchASCII("with-feature:on", "on");
  command_line.AppendSwitchASCII("with-feature:off", "off");
  command_line.AppendSwitchASCII("with-feature:with-feature:nested", "off");
  command_line.AppendSwitchASCII("feature:other", "on");
  command_line.AppendSwitchASCII("with-feature:yes", "yes");
  // Not ASCII: must not read as empty, which would mean "on".
  command_line.AppendSwitchNative("with-feature:accent", L"\u00f6n");

  testing_support::LogCapture log;
  std::vector<FeatureOverride> overrides;
  CommandLineFeatureReader(&command_line).ReadFeatures(&overrides);
  ExpectOverrides({{"bare", true},
                   {"off", false},
                   {"on", true},
                   {"with-feature:nested", false}},
                  overrides);
  EXPECT_EQ(2u, log.Count(logging::LOG_WARNING));
  EXPECT_TRUE(log.Contains("with-feature:accent has unhandled value: "
                           "\"\xC3\xB6n\""));
  EXPECT_TRUE(log.Contains("with-feature:yes has unhandled value: \"yes\""));
}

TEST(ParseFeatureEntryTest, AcceptsOnlyNameAtOneOrTwo) {
  const struct {
    const char* text;
    bool parses;
    const char* name;
    bool enabled;
  } kCases[] = {
      {"installer-experiment-test @ 2", true, "installer-experiment-test",
       false},
      {" a\t@\t1 ", true, "a", true},
      {"a@1@2", false},
      {"a@3", false},
      {"a@1x", false},
      {"a", false},
  };
  for (const auto& c : kCases) {
    FeatureOverride entry{"unchanged", false};
    EXPECT_EQ(c.parses, ParseFeatureEntry(c.text, &entry)) << c.text;
    EXPECT_EQ(c.parses ? c.name : "unchanged", entry.name) << c.text;
    EXPECT_EQ(c.parses && c.enabled, entry.enabled) << c.text;
  }
}

TEST(ListFeatureReaderTest, KeepsParsedStringsInOrder) {
  ListValue list;
  list.AppendString("x@1");
  list.AppendInteger(1);
  list.AppendString("y @ 2");
  list.AppendString("z@3");
  list.AppendString("x@2");

  std::vector<FeatureOverride> overrides;
  ListFeatureReader(&list).ReadFeatures(&overrides);
  ExpectOverrides({{"x", true}, {"y", false}, {"x", false}}, overrides);
}

}  // namespace
}  // namespace base
