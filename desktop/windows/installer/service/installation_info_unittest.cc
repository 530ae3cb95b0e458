#include "desktop/windows/installer/service/installation_info.h"

#include <stdio.h>

#include <string>

#include <gtest/gtest.h>

#include "base/at_exit.h"
#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/well_known_sid.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
#include "desktop/windows/installer/service/utils.h"
#include "desktop/windows/installer/service/version_info.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using base::FilePath;

// An installation folder in a fresh temporary folder, with helpers to give
// it preferences and an install log.
class InstallationInfoTest : public testing::Test {
 protected:
  FilePath folder() const { return FilePath(temp_.path()); }

  void WritePrefs(const std::string& json, const FilePath& where) {
    ASSERT_TRUE(testing_support::WriteFileForTest(
        where.Append(kInstallerPrefsFileName).value(), json));
  }
  void WritePrefs(const std::string& json) { WritePrefs(json, folder()); }

  void WriteLog(bool copy_only, const FilePath& where) {
    InstallLog log;
    log.path = where;
    log.copy_only = copy_only;
    log.files = {where.Append(L"velto.exe")};
    ASSERT_TRUE(
        InstallLogSerializer().Save(log, where.Append(kInstallLogFileName)));
  }

  testing_support::ScopedTestFolder temp_;
};

FilePath DefaultProfilePath(const std::string& channel_name) {
  FilePath app_data;
  EXPECT_TRUE(base::PathService::Get(base::PathKey::AppData, &app_data));
  return app_data.Append(L"Velto Software")
      .Append(L"Velto " + base::UTF8ToUTF16(channel_name));
}

TEST_F(InstallationInfoTest, SingleProfilePreference) {
  struct Case {
    const char* prefs;  // null: the installation folder does not exist
    bool single_profile;
  } cases[] = {
      {R"({"single_profile": true})", true},
      // The single profile is the only one: nothing to strip.
      {R"({"single_profile": true, "profile_path": "C:\\P\\<USERNAME>"})",
       true},
      {R"({"single_profile": false})", false},
      {R"({"single_profile": "true"})", false},
      {R"({"single_profile": tr)", false},  // not JSON
      {nullptr, false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.prefs ? test.prefs : "(no folder)");
    const FilePath install =
        test.prefs ? folder() : folder().Append(L"missing");
    if (test.prefs) WritePrefs(test.prefs);
    InstallationInfo info(install);
    FilePath single(L"unchanged");
    EXPECT_EQ(test.single_profile, info.GetSingleProfileFolder(&single));
    EXPECT_EQ(test.single_profile ? install.Append(L"profile").value()
                                  : L"unchanged",
              single.value());

    // A single profile keeps its data inside the installation, whatever
    // the channel; otherwise channel 7, which has no name, uses the stream's.
    FilePath user_data, parent, other_channel;
    ASSERT_TRUE(info.GetUserDataFolder(&user_data));
    ASSERT_TRUE(info.GetProfilesParentFolder(&parent));
    ASSERT_TRUE(info.GetUserDataFolderForChannel(&other_channel, false, 7));
    const FilePath data = install.Append(L"profile").Append(L"data");
    EXPECT_EQ(test.single_profile ? data : DefaultProfilePath("Developer"),
              user_data);
    EXPECT_EQ(user_data, parent);
    EXPECT_EQ(test.single_profile
                  ? data
                  : DefaultProfilePath(VersionInfo::GetStreamName()),
              other_channel);

    // The installer core's file is only read, even when it is not JSON.
    std::string contents;
    EXPECT_EQ(test.prefs != nullptr,
              base::ReadFileToString(install.Append(kInstallerPrefsFileName),
                                     &contents));
    EXPECT_EQ(test.prefs ? test.prefs : "", contents);
    EXPECT_FALSE(base::PathExists(install.Append(L"installer_prefs.bad")));
  }
}

TEST_F(InstallationInfoTest, FilesAreReadOnceAndTheLogLazily) {
  WritePrefs(R"({"single_profile": true})");
  InstallationInfo info(folder());
  // Made after the object: the log is read on the first question about it.
  WriteLog(true, folder());
  WritePrefs(R"({"single_profile": false})");
  EXPECT_TRUE(info.IsCopyOnly());
  EXPECT_TRUE(info.IsSingleProfile());

  ASSERT_TRUE(
      base::DeleteFileOrTree(folder().Append(kInstallLogFileName), false));
  EXPECT_TRUE(info.IsCopyOnly());

  // A log that breaks a rule after its flags gives the defaults.
  ASSERT_TRUE(testing_support::WriteFileForTest(
      folder().Append(kInstallLogFileName).value(),
      R"(<install_log version="1" copy_only="True" all_users="False" )"
      R"(pinned="False"><path/><files/></install_log>)"));
  InstallationInfo broken(folder());
  EXPECT_FALSE(broken.IsCopyOnly());
  EXPECT_TRUE(broken.IsInstalledForAllUsers());

  // A log given to the constructor is the log: the disk is not read.
  WriteLog(false, folder());
  InstallLog given;
  given.copy_only = true;
  given.all_users = false;
  InstallationInfo from_given(folder(), given);
  EXPECT_TRUE(from_given.IsCopyOnly());
  EXPECT_FALSE(from_given.IsInstalledForAllUsers());
  EXPECT_TRUE(InstallationInfo(folder()).IsInstalledForAllUsers());
}

TEST_F(InstallationInfoTest, CustomProfilePath) {
  std::wstring user;
  ASSERT_TRUE(GetCurrentUserName(&user));
  auto fill = [&user](std::wstring text) {
    const size_t at = text.find(L"<U>");
    return at == std::wstring::npos ? text : text.replace(at, 3, user);
  };
  struct Case {
    const char* json_path;   // "profile_path" as JSON text
    const wchar_t* profile;  // <U> stands for the user name; null: refused
    const wchar_t* parent;   // null: refused
  };
  const Case cases[] = {
      {R"(C:\\P\\<USERNAME>)", L"C:\\P\\<U>", L"C:\\P"},
      // The user name is the last component in any spelling.
      {R"(C:\\P\\<USERNAME>\\.)", L"C:\\P\\<U>", L"C:\\P"},
      {R"(C:\\P\\<USERNAME>\\V)", L"C:\\P\\<U>\\V", L"C:\\P\\<U>\\V"},
      // Only the first placeholder is filled in.
      {R"(C:\\P\\<USERNAME>\\<USERNAME>)", L"C:\\P\\<U>\\<USERNAME>",
       L"C:\\P\\<U>\\<USERNAME>"},
      // A folder whose name only begins like that of the users' homes.
      {R"(C:\\User\\<USERNAME>)", L"C:\\User\\<U>", L"C:\\User"},
      {R"(D:\\Data)", L"D:\\Data", L"D:\\Data"},
      {R"(D:\\Data\u0000\\More)", L"D:\\Data", L"D:\\Data"},
      {R"(D:\\Velto.Data\\a.b)", L"D:\\Velto.Data\\a.b",
       L"D:\\Velto.Data\\a.b"},
      // Parents that would point the uninstallation at a whole drive or
      // share, or at the homes of all users (the spellings of a root are
      // PathValidationTest's).
      {R"(C:\\<USERNAME>)", L"C:\\<U>", nullptr},
      {R"(\\\\srv\\share\\<USERNAME>)", L"\\\\srv\\share\\<U>", nullptr},
      {R"(\\\\?\\UNC\\srv\\s\\<USERNAME>)", L"\\\\srv\\s\\<U>", nullptr},
      {R"(C:\\Users\\<USERNAME>)", L"C:\\Users\\<U>", nullptr},
      {R"(c:\\USERS\\<USERNAME>)", L"c:\\USERS\\<U>", nullptr},
      // Spellings the system reads as the homes of all users: it drops
      // trailing dots and blanks, and a stream name opens the folder.
      {R"(C:\\Users.\\<USERNAME>)", nullptr, nullptr},
      {R"(C:\\users. .\\<USERNAME>)", nullptr, nullptr},
      {R"(C:\\Users::$INDEX_ALLOCATION\\<USERNAME>)", nullptr, nullptr},
      // User-data folders that are roots, relative or the homes of all
      // users: nothing is handed out.
      {R"(Profiles\\<USERNAME>)", nullptr, nullptr},
      {R"(D:\\)", nullptr, nullptr},
      {R"(C:\\Users)", nullptr, nullptr},
      {R"(C:\\Users\\.)", nullptr, nullptr},
      {R"(C:\\users.)", nullptr, nullptr},
      {R"(C:\\users )", nullptr, nullptr},
      {R"(\\\\?\\C:\\users.)", nullptr, nullptr},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.json_path);
    WritePrefs(std::string(R"({"profile_path": ")") + test.json_path + "\"}");
    InstallationInfo info(folder());
    FilePath profile(L"unchanged"), user_data(L"unchanged"),
        parent(L"unchanged");
    EXPECT_EQ(test.profile != nullptr, info.GetChannelProfilePath(&profile, 2));
    EXPECT_EQ(fill(test.profile ? test.profile : L"unchanged"),
              profile.value());
    EXPECT_EQ(test.profile != nullptr, info.GetUserDataFolder(&user_data));
    EXPECT_EQ(profile, user_data);
    EXPECT_EQ(test.parent != nullptr, info.GetProfilesParentFolder(&parent));
    EXPECT_EQ(fill(test.parent ? test.parent : L"unchanged"), parent.value());
  }
}

TEST_F(InstallationInfoTest, RebaseUserPathMovesRoamingToLocal) {
  FilePath roaming, local;
  ASSERT_TRUE(base::PathService::Get(base::PathKey::AppData, &roaming));
  ASSERT_TRUE(base::PathService::Get(base::PathKey::LocalAppData, &local));
  InstallationInfo info(folder());
  FilePath rebased;
  info.RebaseUserPath(roaming.Append(L"Velto\\Data\\x"), &rebased);
  EXPECT_EQ(local.Append(L"Velto\\Data\\x"), rebased);
  // Which paths lie below the roaming folder is FilePath's to show.
  const FilePath outside = folder().Append(L"x");
  info.RebaseUserPath(outside, &rebased);
  EXPECT_EQ(outside, rebased);

  // A custom location has no local counterpart.
  WritePrefs(R"({"profile_path": "D:\\P"})");
  const FilePath below = roaming.Append(L"x");
  InstallationInfo(folder()).RebaseUserPath(below, &rebased);
  EXPECT_EQ(below, rebased);
}

// Files beside wherever the process runs are not this installation's.
TEST_F(InstallationInfoTest, WithoutAbsoluteFolderNothingIsRead) {
  const FilePath relative(L"Velto");
  ASSERT_TRUE(base::CreateDirectoryTree(folder().AppendPath(relative)));
  for (const FilePath& where : {folder(), folder().AppendPath(relative)}) {
    WriteLog(/*copy_only=*/true, where);
    WritePrefs(R"({"single_profile": true})", where);
  }
  testing_support::ScopedCurrentDirectoryForTest current(temp_.path());
  ASSERT_TRUE(current.changed());

  InstallationInfo empty{FilePath()};
  InstallationInfo relative_info(relative);
  for (InstallationInfo* info : {&empty, &relative_info}) {
    SCOPED_TRACE(info->folder().value());
    EXPECT_FALSE(info->IsCopyOnly());
    EXPECT_FALSE(info->IsSingleProfile());
  }
  FilePath out;
  EXPECT_FALSE(empty.GetUserDataFolder(&out));
  EXPECT_FALSE(empty.GetProfilesParentFolder(&out));
  EXPECT_FALSE(empty.GetChannelProfilePath(&out, 2));
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(L"Velto developer", empty.app_registry_name());
}

TEST(InstallationInfoPlainTest, TemplateIsUtf8AndNamesEveryStream) {
  EXPECT_EQ(
      FilePath(L"C:\\A\\V\u00e9lto S\u00f6ftware\\\u6d4b Next\\Next"),
      internal::AppendProfilePathTemplate(FilePath(L"C:\\A"),
                                          "V\xc3\xa9lto S\xc3\xb6"
                                          "ftware/\xe6\xb5\x8b "
                                          "{InternalStream}/{InternalStream}",
                                          "Next"));
}

// Run by ElevationOnlyWithoutAdministratorRights under a token that denies
// the Administrators group.
TEST(InstallationInfoChild, DISABLED_NonAdministratorNeedsElevation) {
  ASSERT_FALSE(IsAdminUser(false));
  EXPECT_TRUE(InstallationNeedsElevation(true, true));
  EXPECT_TRUE(InstallationNeedsElevation(true, false));
  EXPECT_FALSE(InstallationNeedsElevation(false, true));
  EXPECT_TRUE(InstallationNeedsElevation(false, false));
}

// An administrator never needs elevating; anyone else does for all users,
// and for one user only where the folder cannot be written.
TEST(InstallationInfoPlainTest, ElevationOnlyWithoutAdministratorRights) {
  ASSERT_TRUE(IsAdminUser(false));
  for (bool all_users : {false, true}) {
    for (bool writable : {false, true})
      EXPECT_FALSE(InstallationNeedsElevation(all_users, writable));
  }

  HANDLE raw_token = nullptr;
  ASSERT_TRUE(::OpenProcessToken(
      ::GetCurrentProcess(),
      TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &raw_token));
  base::win::ScopedHandle token(raw_token);
  base::win::ScopedSid administrators = base::win::CreateAdministratorsSid();
  ASSERT_TRUE(administrators.IsValid());
  SID_AND_ATTRIBUTES deny_only = {administrators.Get(), 0};
  HANDLE raw_restricted = nullptr;
  ASSERT_TRUE(::CreateRestrictedToken(token.Get(), 0, 1, &deny_only, 0, nullptr,
                                      0, nullptr, &raw_restricted));
  base::win::ScopedHandle restricted(raw_restricted);
  base::LaunchOptions options;
  options.as_user = restricted.Get();
  const base::Process child =
      base::LaunchProcess(L"\"" + testing_support::SelfPath() +
                              L"\" --gtest_also_run_disabled_tests"
                              L" --gtest_filter=InstallationInfoChild.DISABLED_"
                              L"NonAdministratorNeedsElevation",
                          options);
  ASSERT_TRUE(child.IsValid());
  int exit_code = -1;
  if (!child.WaitForExitWithTimeout(base::TimeDelta::FromSeconds(60),
                                    &exit_code)) {
    ::TerminateProcess(child.Handle(), 1);
    FAIL() << "the child did not finish";
  }
  EXPECT_EQ(0, exit_code) << "the child's test failed";
}

// Run by ProcessInstanceFindsTheInstallationFolder from a copy of this
// executable: prints the process-wide instance's folder. (That concurrent
// first callers share one instance is base's lazy pointer's to show.)
TEST(InstallationInfoChild, DISABLED_PrintInstanceFolder) {
  base::AtExitManager exit_manager;
  EXPECT_EQ(InstallationInfo::GetInstance(), GetInstallationInfo());
  printf("folder=[%s]\n",
         InstallationInfo::GetInstance()->folder().AsUTF8Unsafe().c_str());
}

// Run by ProcessInstanceFindsTheInstallationFolder in each child: the
// at-exit manager ends the instance, and the next request makes one that
// reads the installation afresh.
TEST(InstallationInfoChild, DISABLED_InstanceEndsWithItsExitManager) {
  FilePath folder;
  {
    base::AtExitManager exit_manager;
    EXPECT_FALSE(InstallationInfo::GetInstance()->IsSingleProfile());
    folder = InstallationInfo::GetInstance()->folder();
  }
  const std::wstring prefs = folder.Append(kInstallerPrefsFileName).value();
  ASSERT_TRUE(
      testing_support::WriteFileForTest(prefs, R"({"single_profile": true})"));
  {
    base::AtExitManager exit_manager;
    EXPECT_TRUE(InstallationInfo::GetInstance()->IsSingleProfile());
  }
  EXPECT_TRUE(::DeleteFileW(prefs.c_str()));
}

TEST_F(InstallationInfoTest, ProcessInstanceFindsTheInstallationFolder) {
  const FilePath install = folder().Append(L"Velto");
  const FilePath version = install.Append(L"45.0.2522.0");
  const FilePath bare = folder().Append(L"Bare").Append(L"45.0.2522.0");
  ASSERT_TRUE(base::CreateDirectoryTree(version));
  ASSERT_TRUE(base::CreateDirectoryTree(bare));
  ASSERT_TRUE(testing_support::WriteFileForTest(
      install.Append(L"launcher.exe").value(), "MZ"));

  struct Case {
    FilePath exe_folder;
    FilePath expected;
  } cases[] = {
      {version, install},  // the version subfolder below the launcher
      {install, install},  // beside the launcher
      {bare, bare},        // no launcher anywhere
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.exe_folder.AsUTF8Unsafe());
    const FilePath exe = test.exe_folder.Append(L"velto_probe.exe");
    ASSERT_TRUE(::CopyFileW(testing_support::SelfPath().c_str(),
                            exe.value().c_str(), TRUE));
    const testing_support::ChildResult result =
        testing_support::RunChildProcess(
            L"\"" + exe.value() +
            L"\" --gtest_also_run_disabled_tests"
            L" --gtest_filter=InstallationInfoChild.DISABLED_"
            L"PrintInstanceFolder:InstallationInfoChild.DISABLED_"
            L"InstanceEndsWithItsExitManager");
    ASSERT_TRUE(result.started);
    EXPECT_EQ(0u, result.exit_code) << result.output;
    EXPECT_NE(
        std::string::npos,
        result.output.find("folder=[" + test.expected.AsUTF8Unsafe() + "]"))
        << result.output;
  }
}

}  // namespace
}  // namespace installer
