#include "base/vlog.h"

#include <gtest/gtest.h>

namespace logging {
namespace {

// Case matters, the whole text is consumed, "?" is one character and the
// two separators match each other. Trailing stars and patterns over whole
// paths are in the per-file levels below.
TEST(MatchVlogPatternTest, MatchesTheWholeTextWithWildcards) {
  EXPECT_TRUE(MatchVlogPattern("foo", "foo"));
  EXPECT_FALSE(MatchVlogPattern("foo", "Foo"));
  EXPECT_FALSE(MatchVlogPattern("foo", "fo"));
  EXPECT_TRUE(MatchVlogPattern("", "*"));
  EXPECT_FALSE(MatchVlogPattern("", "?"));
  EXPECT_TRUE(MatchVlogPattern("abc", "a?c"));
  EXPECT_FALSE(MatchVlogPattern("ac", "a?c"));
  EXPECT_FALSE(MatchVlogPattern("xbar", "bar*"));
  // A retry after a false start.
  EXPECT_TRUE(MatchVlogPattern("abcbcd", "a*bcd"));
  EXPECT_TRUE(MatchVlogPattern("mississippi", "m*i*i*i*i"));
  EXPECT_FALSE(MatchVlogPattern("mississippi", "m*i*i*i*i*i"));
  EXPECT_TRUE(MatchVlogPattern("a/b", "a\\b"));
  EXPECT_TRUE(MatchVlogPattern("a\\b", "a/b"));
  EXPECT_FALSE(MatchVlogPattern("a.b", "a/b"));
}

// Each case builds its own VlogInfo with a shared minimum level starting at 2.
TEST(VlogInfoTest, LevelPerFile) {
  const struct {
    const char* v;
    const char* vmodule;
    const char* file;
    int level;
  } kCases[] = {
      {"", "foo=2,bar*=1", "C:\\src\\base\\foo.h", 2},
      {"", "foo=2,bar*=1", "dir/foo-inl.h", 2},
      {"", "foo=2,bar*=1", "foo", 2},
      {"", "foo=2,bar*=1", "foo.bar.cc", -2},  // only the last extension goes
      {"", "foo=2,bar*=1", "x/bar.cc", 1},
      {"", "foo=2,bar*=1", "bar/other.cc", -2},  // folders are not the module
      {"", "foo*=4,foobar=1", "foobar.cc", 4},   // first match wins
      // A pattern with a separator matches the whole path.
      {"", "base/*=3,*/installer/*=2", "/work/src/installer/engine.cc", 2},
      {"", "base/*=3,*/installer/*=2", "base/file.cc", 3},
      {"", "base/*=3,*/installer/*=2", "/src/base/file.cc", -2},
      {"", "base/*=3,*/installer/*=2", "installer.cc", -2},
      {"", "*\\installer\\*=2", "/work/src/installer/engine.cc", 2},
      // Level texts parse leniently.
      {"", "a=3x,b=x,c=,d=-2", "a.cc", 3},
      {"", "a=3x,b=x,c=,d=-2", "b.cc", 0},
      {"", "a=3x,b=x,c=,d=-2", "d.cc", -2},
      // Without patterns the level is the "v" value, when it is a number
      // (see VSwitchSetsTheSharedLevel), else the minimum level's.
      {"", "", "any.cc", -2},
      {"3x", "", "any.cc", -2},
  };
  for (const auto& test : kCases) {
    int min_log_level = 2;
    VlogInfo info(test.v, test.vmodule, &min_log_level);
    EXPECT_EQ(test.level, info.GetVlogLevel(test.file))
        << test.v << " " << test.vmodule << " " << test.file;
  }
}

// The "v" value becomes the process's minimum level, and the level is read
// from there, so later changes count.
TEST(VlogInfoTest, VSwitchSetsTheSharedLevel) {
  int min_log_level = 0;
  VlogInfo info("1", "foo=3", &min_log_level);
  EXPECT_EQ(-1, min_log_level);
  min_log_level = -4;
  EXPECT_EQ(4, info.GetVlogLevel("other.cc"));
  EXPECT_EQ(3, info.GetVlogLevel("foo.cc"));
}

}  // namespace
}  // namespace logging
