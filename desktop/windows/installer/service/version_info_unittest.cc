#include "desktop/windows/installer/service/version_info.h"

#include <gtest/gtest.h>

namespace installer {
namespace {

// With the standard settings of this test executable. (A delta of 3 and the
// upstream minor number give 48.58.2522.0: see the fallback-module test of
// ProductSettingsTest.)
TEST(VersionInfoTest, StandardBuild) {
  EXPECT_EQ("45.0.2522.0", VersionInfo::GetFullVersion());
  EXPECT_EQ(L"20170303284921", GetBuildIdentifier());
  // The Developer build channel reports crashes as "nightly".
  EXPECT_EQ(L"nightly", GetCrashReportChannelName());
  // Only the exact name of the browser tests has a package of its own.
  EXPECT_EQ(L"tests-syms", GetSymbolsPackageName(L"browser_tests"));
  for (const wchar_t* name : {L"browser_tests.exe", L"Browser_tests"})
    EXPECT_EQ(L"browser-syms", GetSymbolsPackageName(name)) << name;
}

// The date is cut or padded to 8 digits, the counter to its last 6.
TEST(VersionInfoTest, BuildIdentifierCutsAndPads) {
  const struct {
    int counter;
    const wchar_t* timestamp;
    const wchar_t* identifier;
  } kCases[] = {
      {5, L"20170303", L"20170303000005"},
      {0, L"", L"00000000000000"},
      {1234567, L"2017", L"20170000234567"},
      {2147483647, L"201703031", L"20170303483647"},
  };
  for (const auto& test : kCases) {
    EXPECT_EQ(test.identifier,
              internal::MakeBuildIdentifier(test.counter, test.timestamp))
        << test.counter << " " << test.timestamp;
  }
}

}  // namespace
}  // namespace installer
