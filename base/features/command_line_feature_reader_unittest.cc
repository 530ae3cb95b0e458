#include "base/features/command_line_feature_reader.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "base/json/values.h"
#include "base/logging.h"
#include "testing/log_capture.h"

namespace base {
namespace {

using Overrides = std::vector<std::pair<std::string, bool>>;

// What |reader| reads, as names and states in order.
Overrides ReadAll(FeatureReader&& reader) {
  std::vector<FeatureOverride> overrides;
  reader.ReadFeatures(&overrides);
  Overrides read;
  for (const FeatureOverride& entry : overrides)
    read.emplace_back(entry.name, entry.enabled);
  return read;
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
  EXPECT_EQ((Overrides{{"bare", true},
                       {"off", false},
                       {"on", true},
                       {"with-feature:nested", false}}),
            ReadAll(CommandLineFeatureReader(&command_line)));
  EXPECT_EQ(2u, log.Count(logging::LOG_WARNING));
  EXPECT_TRUE(log.Contains("with-feature:accent has unhandled value: "
                           "\"\xC3\xB6n\""));
  EXPECT_TRUE(log.Contains("with-feature:yes has unhandled value: \"yes\""));
}

// Entries are "name@1" or "name@2", white space around either part
// ignored; anything else, strings or not, is skipped.
TEST(ListFeatureReaderTest, KeepsParsedStringsInOrder) {
  ListValue list;
  for (const char* text : {"installer-experiment-test @ 2", " a\t@\t1 ",
                           "a@1@2", "a@3", "a@1x", "a", "x@1"})
    list.AppendString(text);
  list.AppendInteger(1);
  list.AppendString("x@2");

  EXPECT_EQ((Overrides{{"installer-experiment-test", false},
                       {"a", true},
                       {"x", true},
                       {"x", false}}),
            ReadAll(ListFeatureReader(&list)));

  // A refused entry leaves the output alone.
  FeatureOverride entry{"unchanged", true};
  EXPECT_FALSE(ParseFeatureEntry("a@3", &entry));
  EXPECT_EQ("unchanged", entry.name);
  EXPECT_TRUE(entry.enabled);
}

}  // namespace
}  // namespace base
