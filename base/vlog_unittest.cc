#include "base/vlog.h"

#include <gtest/gtest.h>

namespace logging {
namespace {

TEST(MatchVlogPatternTest, Table) {
  const struct {
    const char* text;
    const char* pattern;
    bool matches;
  } kCases[] = {
      {"foo", "foo", true},
      {"foo", "Foo", false},  // case matters
      {"foo", "fo", false},   // the whole text must be consumed
      {"fo", "foo", false},
      {"", "", true},
      {"", "*", true},
      {"", "?", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},   // "?" is exactly one character
      {"abbc", "a?c", false},
      {"barista", "bar*", true},
      {"bar", "bar*", true},
      {"bar", "bar**", true},
      {"xbar", "bar*", false},
      {"abcbcd", "a*bcd", true},  // needs a retry after a false start
      {"abcbce", "a*bcd", false},
      {"mississippi", "*sip*", true},
      {"mississippi", "m*i*i*i*i", true},
      {"mississippi", "m*i*i*i*i*i", false},
      {"a/b", "a\\b", true},  // separators match each other
      {"a\\b", "a/b", true},
      {"a\\b", "a\\b", true},
      {"a/b", "a?b", true},
      {"a.b", "a/b", false},
      {"src/base/foo.cc", "*/base/*", true},
      {"C:\\src\\base\\foo.cc", "*/base/*", true},
      {"base/foo.cc", "*/base/*", false},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(test.matches, MatchVlogPattern(test.text, test.pattern))
        << "\"" << test.text << "\" against \"" << test.pattern << "\"";
  }
}

TEST(VlogInfoTest, ModulePatternsSelectPerFile) {
  int min_log_level = 0;
  VlogInfo info("", "foo=2,bar*=1", &min_log_level);
  const struct {
    const char* file;
    int level;
  } kCases[] = {
      {"foo.cc", 2},
      {"/src/base/foo.cc", 2},
      {"C:\\src\\base\\foo.h", 2},
      {"dir/foo-inl.h", 2},
      {"foo", 2},
      {"foo.bar.cc", 0},  // module "foo.bar": only the last extension goes
      {"foobar.cc", 0},
      {"barista.cc", 1},
      {"x/bar.cc", 1},
      {"other.cc", 0},
      {"bar/other.cc", 0},  // folders are not part of the module name
  };
  for (const auto& test : kCases)
    EXPECT_EQ(test.level, info.GetVlogLevel(test.file)) << test.file;
  EXPECT_EQ(0, min_log_level);
}

TEST(VlogInfoTest, FirstMatchingPatternWins) {
  int min_log_level = 0;
  VlogInfo info("", "foo*=4,foobar=1", &min_log_level);
  EXPECT_EQ(4, info.GetVlogLevel("foobar.cc"));
}

TEST(VlogInfoTest, PatternsWithSeparatorMatchTheWholePath) {
  int min_log_level = 0;
  VlogInfo info("", "base/*=3,*/installer/*=2", &min_log_level);
  EXPECT_EQ(2, info.GetVlogLevel("/work/src/installer/engine.cc"));
  EXPECT_EQ(2, info.GetVlogLevel("C:\\src\\installer\\engine.cc"));
  // Without a leading "*" the pattern only matches a path that begins there.
  EXPECT_EQ(3, info.GetVlogLevel("base/file.cc"));
  EXPECT_EQ(0, info.GetVlogLevel("/src/base/file.cc"));
  EXPECT_EQ(0, info.GetVlogLevel("installer.cc"));
}

TEST(VlogInfoTest, VSwitchSetsTheGlobalLevel) {
  const struct {
    const char* v;
    int min_log_level;  // Starts at 2.
  } kCases[] = {
      {"3", -3}, {"0", 0}, {"-1", 1}, {"", 2}, {"abc", 2}, {"3x", 2}, {" 3", 2},
  };
  for (const auto& test : kCases) {
    int min_log_level = 2;
    VlogInfo info(test.v, "", &min_log_level);
    EXPECT_EQ(test.min_log_level, min_log_level) << test.v;
    EXPECT_EQ(-min_log_level, info.GetVlogLevel("any.cc")) << test.v;
  }
}

TEST(VlogInfoTest, UnmatchedFilesUseTheVLevel) {
  int min_log_level = 0;
  VlogInfo info("1", "foo=3", &min_log_level);
  EXPECT_EQ(3, info.GetVlogLevel("foo.cc"));
  EXPECT_EQ(1, info.GetVlogLevel("other.cc"));
  // The level is read from the shared minimum, so later changes count.
  min_log_level = -4;
  EXPECT_EQ(4, info.GetVlogLevel("other.cc"));
}

TEST(VlogInfoTest, LevelTextsParseLeniently) {
  int min_log_level = 0;
  VlogInfo info("", "a=3x,b=x,c=,d=-2", &min_log_level);
  EXPECT_EQ(3, info.GetVlogLevel("a.cc"));  // keeps the leading digits
  EXPECT_EQ(0, info.GetVlogLevel("b.cc"));
  EXPECT_EQ(0, info.GetVlogLevel("c.cc"));
  EXPECT_EQ(-2, info.GetVlogLevel("d.cc"));
}

}  // namespace
}  // namespace logging
