#include "desktop/windows/installer/service/product_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "base/json/values.h"
#include "base/strings/string_piece.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/testdata/product_settings_report.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using testing_support::ChildResult;
using testing_support::RunChildProcess;
using testing_support::ScopedTestFolder;
using testing_support::SelfFolder;

// The test "_vlautolib.pyd", copied into |folder|.
std::wstring CopyFallbackModule(const std::wstring& folder) {
  std::wstring module = folder + L"\\_vlautolib.pyd";
  EXPECT_TRUE(::CopyFileW(
      (SelfFolder() + L"\\product_settings_testdata\\autotest\\_vlautolib.pyd")
          .c_str(),
      module.c_str(), FALSE));
  return module;
}

ChildResult RunProbe(const std::wstring& probe, const std::wstring& arguments,
                     const std::wstring& working_directory) {
  return RunChildProcess(L"\"" + probe + L"\" " + arguments, working_directory);
}

// This test executable carries the standard settings resource. (The typed
// getters read base's dictionary as it answers; the probe's racers show the
// dictionary is loaded once.)
TEST(ProductSettingsTest, StandardResource) {
  // Every address is secure and lies in the trusted domain, which starts
  // with a dot; the package-server base is extended by appending.
  const std::string domain = ProductSettings::GetDomain();
  ASSERT_GT(domain.size(), 1u);
  EXPECT_EQ('.', domain[0]);
  const std::string kScheme = "https://";
  for (const char* name :
       {"autoupdate", "crash", "download", "download_full_windows", "help",
        "homepage", "uninstall_survey"}) {
    const std::string url = ProductSettings::GetUrl(name);
    ASSERT_EQ(0u, url.find(kScheme)) << name;
    const std::string host = url.substr(
        kScheme.size(), url.find('/', kScheme.size()) - kScheme.size());
    EXPECT_TRUE(host.size() > domain.size() &&
                base::StringPiece(host).ends_with(domain))
        << url;
  }
  EXPECT_EQ('/', ProductSettings::GetUrl("download").back());
  EXPECT_EQ("", ProductSettings::GetUrl("no_such_url"));

  std::string text = ReadProductSettingsText();
  ASSERT_FALSE(text.empty());
  EXPECT_NE('\0', text.back());
}

// A host without the resource takes it from "_vlautolib.pyd" beside it or
// already loaded, never from the current folder or the search path. The
// test module's settings differ from the standard ones in every printed
// value, and it also carries a correctly spelt "crash_log_product_suffix"
// that must be ignored.
TEST(ProductSettingsTest, FallbackModuleOnlyBesideHostOrLoaded) {
  ScopedTestFolder host_folder;
  ScopedTestFolder planted_folder;
  // The probe without a settings resource.
  const std::wstring probe = host_folder.path() + L"\\host.exe";
  ASSERT_TRUE(
      ::CopyFileW((SelfFolder() + L"\\product_settings_probe_bare.exe").c_str(),
                  probe.c_str(), FALSE));
  const std::wstring planted = CopyFallbackModule(planted_folder.path());

  // Planted in the current folder and on PATH: not taken.
  wchar_t old_path[32768];
  DWORD old_length = ::GetEnvironmentVariableW(L"PATH", old_path, 32768);
  ASSERT_GT(old_length, 0u);
  ::SetEnvironmentVariableW(L"PATH",
                            (planted_folder.path() + L";" + old_path).c_str());
  ChildResult planted_run = RunProbe(probe, L"", planted_folder.path());
  ::SetEnvironmentVariableW(L"PATH", old_path);
  EXPECT_NE(0u, planted_run.exit_code);
  EXPECT_NE(std::string::npos,
            planted_run.output.find(
                "The product settings resource \"TXT\" 133 is missing"))
      << planted_run.output;

  // Every getter answers a value of its own, so one reading another's key
  // shows.
  const char kAutotestSettings[] =
      "racers_agree=yes\n"
      "company_name=Autotest Company\n"
      "crash_log_product_sufix=-autotest\n"
      "default_profile_path_template=Autotest/Profile {InternalStream}\n"
      "domain=.autotest.example.net\n"
      "expected_signer=Autotest Signer\n"
      "file_name_base=autotest\n"
      "major_delta=3\n"
      "product_name=Autotest \xC3\x9Cn\xC3\xAF"
      "code\n"
      "schedule_autoupdate_task=false\n"
      "scheduled_autoupdate_delay_min=9\n"
      "shortcut_suffix= (autotest)\n"
      "urls.autoupdate=https://autotest.example.net/update/\n"
      "use_quarlium_major_for_minor=true\n"
      "user_agent_name=ATS\n"
      "visible_product_name=Autotest Visible\n"
      "white_labeled=false\n"
      "VersionInfo::GetProductName=Autotest \xC3\x9Cn\xC3\xAF"
      "code\n"
      "VersionInfo::GetUserAgentName=ATS\n"
      "VersionInfo::GetVisibleNameWithStream=Autotest Visible developer\n"
      "VersionInfo::GetFullVersion=48.58.2522.0\n"
      "VersionInfo::GetBuildNumber=812032\n"
      "VersionInfo::GetBuildTimestamp=20170303_190015\n"
      // Upper case in ASCII only: the bytes of other letters stay.
      "GetCrashEmailVariableName=AUTOTEST \xC3\x9CN\xC3\xAF"
      "CODE_CRASH_EMAIL\n";

  // Loaded by the test framework before the engine asks: taken.
  ChildResult preloaded =
      RunProbe(probe, L"preload \"" + planted + L"\"", host_folder.path());
  EXPECT_EQ(0u, preloaded.exit_code) << preloaded.output;
  EXPECT_EQ(kAutotestSettings, preloaded.output);

  // Beside the host: taken, whatever the current folder.
  CopyFallbackModule(host_folder.path());
  ChildResult beside = RunProbe(probe, L"", planted_folder.path());
  EXPECT_EQ(0u, beside.exit_code) << beside.output;
  EXPECT_EQ(kAutotestSettings, beside.output);

  // A host with settings of its own keeps them, module beside it or not.
  const std::wstring standard = host_folder.path() + L"\\standard.exe";
  ASSERT_TRUE(
      ::CopyFileW((SelfFolder() + L"\\product_settings_probe.exe").c_str(),
                  standard.c_str(), FALSE));
  ChildResult own = RunProbe(standard, L"", host_folder.path());
  EXPECT_EQ(0u, own.exit_code) << own.output;
  EXPECT_EQ("racers_agree=yes\n" + ReportProductSettings(), own.output);
}

// Without usable settings the engine would build registry keys and clean-up
// paths from empty names: the process stops instead, saying why. The company
// and product names become one registry key name ("Software\<company>") and
// part of file, task and variable names: a name that would address another
// key or folder stops the process like a missing one.
TEST(ProductSettingsDeathTest, UnusableSettingsStop) {
  auto names = [](const char* company, const char* product) {
    return std::string("{\"company_name\": \"") + company +
           "\", \"product_name\": \"" + product + "\"}";
  };
  // Names are JSON string contents.
  const std::pair<std::string, const char*> kUnusable[] = {
      {R"({"company_name": "Velto Software")", " are not valid JSON: Line: "},
      {R"([{"company_name": "V", "product_name": "V"}])",
       " are not a JSON dictionary"},
      {names("", "Velto"), " lack \"company_name\""},
      {names("Microsoft\\\\Windows", "Velto"), ".*\"company_name\""},
      {names("..", "Velto"), ".*\"company_name\""},
      {names(".", "Velto"), ".*\"company_name\""},
      {names("Velto/Software", "Velto"), ".*\"company_name\""},
      {names("Velto\\u0000X", "Velto"), ".*\"company_name\""},
      {names("Velto Software", "Velto\\\\X"), ".*\"product_name\""},
  };
  for (const auto& test : kUnusable) {
    EXPECT_DEATH(internal::ParseProductSettings(test.first),
                 std::string("The product settings") + test.second)
        << test.first;
  }
  // Dots inside a name are fine.
  EXPECT_TRUE(internal::ParseProductSettings(names("V.S. ...", ".Velto.")));
}

// The standard host: eight threads racing to load get one dictionary, and
// every getter answers as in this executable, which carries the same
// resource. (The fallback module's test tells each getter's key apart.)
TEST(ProductSettingsTest, StandardHostLoadsOnceUnderRace) {
  ChildResult result =
      RunProbe(SelfFolder() + L"\\product_settings_probe.exe", L"", L"");
  EXPECT_EQ(0u, result.exit_code) << result.output;
  EXPECT_EQ("racers_agree=yes\n" + ReportProductSettings(), result.output);
}

}  // namespace
}  // namespace installer
