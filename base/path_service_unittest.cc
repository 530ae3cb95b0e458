#include "base/path_service.h"

#include "base/win/windows_types.h"

#include <shlobj.h>

#include <string.h>

#include <functional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "base/base_paths_win.h"
#include "base/files/file_util.h"
#include "base/win/windows_version.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"

namespace base {
namespace {

using testing_support::ScopedTestFolder;

// A key no provider answers; overriding it clears the cache and nothing else.
constexpr int kScratchKey = 9001;

void ClearPathCache() {
  ASSERT_TRUE(PathService::Override(kScratchKey, FilePath(L"C:\\scratch"), true,
                                    false));
}

FilePath GetOrEmpty(int key) {
  FilePath path;
  if (!PathService::Get(key, &path)) return FilePath();
  return path;
}

// Overrides cannot be removed, so a test that overrides a real key puts its
// earlier answer back as an override when it ends.
struct ScopedKeyRestore {
  explicit ScopedKeyRestore(int key) : key(key), original(GetOrEmpty(key)) {}
  ~ScopedKeyRestore() {
    EXPECT_TRUE(PathService::Override(key, original, true, false));
  }
  const int key;
  const FilePath original;
};

FilePath ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT,
                                buffer))) {
    return FilePath();
  }
  return FilePath(buffer);
}

TEST(PathServiceTest, ModuleKeysAndUnansweredKeys) {
  const FilePath exe(testing_support::SelfPath());
  EXPECT_EQ(exe, GetOrEmpty(PathKey::ExeFile));
  EXPECT_EQ(exe.DirName(), GetOrEmpty(PathKey::ExeDirectory));
  // This code is linked into the test executable itself.
  EXPECT_EQ(exe, GetOrEmpty(PathKey::ModuleFile));
  EXPECT_EQ(exe.DirName(), GetOrEmpty(PathKey::ModuleDirectory));
  EXPECT_EQ(exe.DirName().DirName().DirName(), GetOrEmpty(PathKey::SourceRoot));

  // Keys no provider answers fail and leave the output alone.
  for (int key : {int{PathKey::None}, 11, 100, 118, 5000}) {
    FilePath path(L"untouched");
    EXPECT_FALSE(PathService::Get(key, &path)) << key;
    EXPECT_EQ(FilePath(L"untouched"), path) << key;
  }
}

// Each shell-folder key names its own folder; a key answered from a
// neighbouring folder id would put files where nobody looks for them.
TEST(PathServiceTest, ShellFolderKeysNameTheirOwnFolders) {
  ClearPathCache();
  const struct {
    int key;
    int csidl;
  } kCases[] = {
      {PathKey::UserDesktop, CSIDL_DESKTOPDIRECTORY},
      {PathKey::ProgramFiles, CSIDL_PROGRAM_FILES},
      {PathKey::ProgramFiles6432, CSIDL_PROGRAM_FILES},
      {PathKey::InternetCache, CSIDL_INTERNET_CACHE},
      {PathKey::CommonStartMenu, CSIDL_COMMON_PROGRAMS},
      {PathKey::StartMenu, CSIDL_PROGRAMS},
      {PathKey::AppData, CSIDL_APPDATA},
      {PathKey::LocalAppData, CSIDL_LOCAL_APPDATA},
      {PathKey::CommonAppData, CSIDL_COMMON_APPDATA},
      {PathKey::CommonDesktop, CSIDL_COMMON_DESKTOPDIRECTORY},
      {PathKey::WindowsFonts, CSIDL_FONTS},
  };
  for (const auto& test : kCases) {
    const FilePath expected = ShellFolder(test.csidl);
    ASSERT_FALSE(expected.empty()) << test.key;
    EXPECT_EQ(expected, GetOrEmpty(test.key)) << test.key;
  }

  wchar_t windows[MAX_PATH] = {};
  wchar_t system[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetWindowsDirectoryW(windows, MAX_PATH));
  ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH));
  EXPECT_EQ(FilePath(windows), GetOrEmpty(PathKey::WindowsDirectory));
  EXPECT_EQ(FilePath(system), GetOrEmpty(PathKey::SystemDirectory));
  EXPECT_EQ(GetHomeDir(), GetOrEmpty(PathKey::HomeDirectory));
}

TEST(PathServiceTest, CurrentDirectoryIsReadAfreshOthersAreCached) {
  ScopedTestFolder folder;
  FilePath before;
  ASSERT_TRUE(PathService::Get(PathKey::CurrentDirectory, &before));
  ASSERT_TRUE(::SetCurrentDirectoryW(folder.path().c_str()));
  EXPECT_EQ(FilePath(folder.path()), GetOrEmpty(PathKey::CurrentDirectory));
  ASSERT_TRUE(::SetCurrentDirectoryW(before.value().c_str()));

  // The temporary folder follows TMP, but only until it is cached.
  ClearPathCache();
  const FilePath cached = GetOrEmpty(PathKey::TempDirectory);
  ASSERT_FALSE(cached.empty());
  wchar_t saved_tmp[MAX_PATH] = {};
  DWORD saved_length = ::GetEnvironmentVariableW(L"TMP", saved_tmp, MAX_PATH);
  ASSERT_TRUE(::SetEnvironmentVariableW(L"TMP", folder.path().c_str()));
  EXPECT_EQ(cached, GetOrEmpty(PathKey::TempDirectory));
  ClearPathCache();
  EXPECT_EQ(FilePath(folder.path()), GetOrEmpty(PathKey::TempDirectory));

  ::SetEnvironmentVariableW(L"TMP", saved_length ? saved_tmp : nullptr);
  ClearPathCache();
}

TEST(PathServiceTest, OverridePropagatesToDependentKeys) {
  ScopedTestFolder folder;
  ScopedKeyRestore restore(PathKey::AppData);
  // Cached before the override, computed again after it.
  ASSERT_FALSE(GetOrEmpty(PathKey::TaskbarPins).empty());

  const FilePath app_data(folder.path());
  ASSERT_TRUE(PathService::Override(PathKey::AppData, app_data, true, false));
  const FilePath quick_launch = app_data.Append(L"Microsoft")
                                    .Append(L"Internet Explorer")
                                    .Append(L"Quick Launch");
  EXPECT_EQ(quick_launch, GetOrEmpty(PathKey::UserQuickLaunch));
  EXPECT_EQ(quick_launch.Append(L"User Pinned").Append(L"TaskBar"),
            GetOrEmpty(PathKey::TaskbarPins));
  EXPECT_EQ(quick_launch.Append(L"User Pinned").Append(L"ImplicitAppShortcuts"),
            GetOrEmpty(PathKey::ImplicitAppShortcuts));

  // An override is handed out as given; the keys built on it are made
  // absolute, never climbing with parent references.
  const FilePath climbing = app_data.Append(L"a\\..\\b");
  ASSERT_TRUE(PathService::Override(PathKey::AppData, climbing, true, false));
  EXPECT_EQ(climbing, GetOrEmpty(PathKey::AppData));
  EXPECT_EQ(app_data.Append(L"b\\Microsoft\\Internet Explorer\\Quick Launch"),
            GetOrEmpty(PathKey::UserQuickLaunch));
}

TEST(PathServiceTest, OverrideCreatesMissingParentsOrMakesAbsolute) {
  ScopedTestFolder folder;
  const FilePath nested = FilePath(folder.path()).Append(L"one\\two\\three");
  EXPECT_TRUE(PathService::Override(kScratchKey, nested, true, true));
  EXPECT_TRUE(DirectoryExists(nested));
  EXPECT_EQ(nested, GetOrEmpty(kScratchKey));

  // A file in the way cannot become a folder.
  const FilePath file = FilePath(folder.path()).Append(L"file");
  ASSERT_TRUE(testing_support::WriteFileForTest(file.value(), "x"));
  EXPECT_FALSE(
      PathService::Override(kScratchKey, file.Append(L"below"), true, true));
  EXPECT_EQ(nested, GetOrEmpty(kScratchKey));

  // Relative paths are taken against the current directory.
  {
    testing_support::ScopedCurrentDirectoryForTest current(folder.path());
    ASSERT_TRUE(current.changed());
    EXPECT_TRUE(
        PathService::Override(kScratchKey, FilePath(L"rel"), false, false));
  }
  EXPECT_EQ(FilePath(folder.path()).Append(L"rel"), GetOrEmpty(kScratchKey));

  // Test data is answered only once its folder exists.
  ScopedKeyRestore restore(PathKey::SourceRoot);
  const FilePath root(folder.path());
  ASSERT_TRUE(PathService::Override(PathKey::SourceRoot, root, true, false));
  EXPECT_TRUE(GetOrEmpty(PathKey::TestData).empty());
  const FilePath data = root.Append(L"base").Append(L"test").Append(L"data");
  ASSERT_TRUE(CreateDirectoryTree(data));
  EXPECT_EQ(data, GetOrEmpty(PathKey::TestData));
}

TEST(PathServiceTest, ProgramFilesX86FollowsTheArchitecture) {
  const struct {
    WindowsVersionInfo::Architecture architecture;
    int expected_csidl;
  } cases[] = {
      {WindowsVersionInfo::X86_ARCHITECTURE, CSIDL_PROGRAM_FILES},
      {WindowsVersionInfo::X64_ARCHITECTURE, CSIDL_PROGRAM_FILESX86},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(testing::Message() << "architecture " << test.architecture);
    WindowsVersionInfo info = *WindowsVersionInfo::GetInstance();
    info.architecture = test.architecture;
    win::internal::ScopedWindowsVersionForTesting version(info);
    ClearPathCache();
    EXPECT_EQ(ShellFolder(test.expected_csidl),
              GetOrEmpty(PathKey::ProgramFilesX86));
  }
  ClearPathCache();
  // On this 64-bit system 64-bit programs have theirs.
  EXPECT_EQ(L"Program Files",
            GetOrEmpty(PathKey::ProgramFiles6432).BaseName().value());
}

// A stand-in for the known-folder call, which not every system answers: it
// counts its calls and answers |answer| with |result|, but only when asked
// for the application shortcuts of the current user with no flags. The
// provider calls it without holding the path lock, so |during_next_call|
// may change the answer and override keys while the provider computes.
struct KnownFolderFake {
  int count = 0;
  HRESULT result = S_OK;
  std::wstring answer = L"C:\\Shortcuts";
  std::function<void()> during_next_call;
};
KnownFolderFake* g_fake = nullptr;

HRESULT WINAPI FakeGetKnownFolderPath(const GUID& id, DWORD flags, HANDLE token,
                                      wchar_t** path) {
  static const GUID kApplicationShortcuts = {
      0xA3918781,
      0xE5F2,
      0x4890,
      {0xB3, 0xD9, 0xA7, 0xE5, 0x43, 0x32, 0x32, 0x8C}};
  KnownFolderFake& fake = *g_fake;
  ++fake.count;
  const size_t bytes = (fake.answer.size() + 1) * sizeof(wchar_t);
  *path = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
  memcpy(*path, fake.answer.c_str(), bytes);
  if (fake.during_next_call) std::exchange(fake.during_next_call, nullptr)();
  const bool asked_right =
      ::IsEqualGUID(id, kApplicationShortcuts) && !flags && !token;
  return asked_right ? fake.result : E_INVALIDARG;
}

TEST(PathServiceTest, AppShortcutsOnlyFromWindows8AndNeverStale) {
  internal::ScopedGetKnownFolderPathForTesting fake_call(
      &FakeGetKnownFolderPath);
  const struct {
    WindowsVersion version;
    HRESULT call_result;
    int expected_calls;
    const wchar_t* expected_path;  // Null: the key fails.
  } cases[] = {
      {win::VERSION_WIN7, S_OK, 0, nullptr},
      {win::VERSION_WIN8, E_FAIL, 1, nullptr},
      {win::VERSION_WIN8, S_OK, 1, L"C:\\Shortcuts"},
      {win::VERSION_WIN10_TH2, S_OK, 1, L"C:\\Shortcuts"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(testing::Message() << "version " << test.version);
    WindowsVersionInfo info = *WindowsVersionInfo::GetInstance();
    info.version = test.version;
    win::internal::ScopedWindowsVersionForTesting version(info);
    ClearPathCache();
    KnownFolderFake fake;
    fake.result = test.call_result;
    g_fake = &fake;

    FilePath path;
    EXPECT_EQ(test.expected_path != nullptr,
              PathService::Get(PathKey::AppShortcuts, &path));
    if (test.expected_path) {
      EXPECT_EQ(FilePath(test.expected_path), path);
    }
    EXPECT_EQ(test.expected_calls, fake.count);
  }

  // An answer computed across an override is not cached.
  WindowsVersionInfo info = *WindowsVersionInfo::GetInstance();
  info.version = win::VERSION_WIN8;
  win::internal::ScopedWindowsVersionForTesting version(info);
  KnownFolderFake fake;
  fake.answer = L"C:\\Before";
  // The provider's input changes while it computes, and an override says so.
  fake.during_next_call = [&] {
    fake.answer = L"C:\\After";
    ClearPathCache();
  };
  g_fake = &fake;
  ClearPathCache();
  // The call may hand out what it computed, but must not keep it.
  EXPECT_EQ(L"C:\\Before", GetOrEmpty(PathKey::AppShortcuts).value());
  EXPECT_EQ(L"C:\\After", GetOrEmpty(PathKey::AppShortcuts).value());
  ClearPathCache();
}

}  // namespace
}  // namespace base
