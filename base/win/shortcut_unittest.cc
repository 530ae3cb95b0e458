#include "base/win/shortcut.h"

#include "base/win/windows_types.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_util.h"
#include "base/win/windows_version.h"
#include "testing/fake_property_store.h"
#include "testing/scoped_test_folder.h"

namespace base {
namespace win {
namespace {

using testing_support::ScopedTestFolder;
using testing_support::WriteFileForTest;

// Event id, flags and path (or "<null>") of one change notice.
using ChangeNotice = std::tuple<LONG, UINT, std::wstring>;
// Verb, file and show command of one ShellExecute call.
using ShellCall = std::tuple<std::wstring, std::wstring, INT>;

// Replaces the shell calls of shortcut.cc for its life and records them.
class FakeShell {
 public:
  FakeShell() : scope_({&GetPropertyStore, &ShellExecute, &ChangeNotify}) {
    current_ = this;
  }
  ~FakeShell() { current_ = nullptr; }

  FakePropertyStore store;
  // S_FALSE succeeds without handing out a store.
  HRESULT get_store_result = S_OK;
  INT_PTR shell_execute_result = 42;
  std::vector<ShellCall> shell_calls;
  std::vector<ChangeNotice> notices;

 private:
  static HRESULT GetPropertyStore(IShellLinkW*, IPropertyStore** out) {
    *out = nullptr;
    if (current_->get_store_result == S_OK)
      current_->store.QueryInterface(IID_IPropertyStore,
                                     reinterpret_cast<void**>(out));
    return current_->get_store_result;
  }
  static HINSTANCE ShellExecute(HWND, const wchar_t* verb, const wchar_t* file,
                                const wchar_t*, const wchar_t*, INT show) {
    current_->shell_calls.emplace_back(verb, file, show);
    return reinterpret_cast<HINSTANCE>(current_->shell_execute_result);
  }
  static void ChangeNotify(LONG event_id, UINT flags, const void* item1,
                           const void* item2) {
    EXPECT_EQ(nullptr, item2);
    current_->notices.emplace_back(event_id, flags,
                                   item1 ? static_cast<const wchar_t*>(item1)
                                         : L"<null>");
  }

  static FakeShell* current_;

  internal::ScopedShortcutShellFunctionsForTesting scope_;
};

FakeShell* FakeShell::current_ = nullptr;

WindowsVersionInfo VersionRecord(WindowsVersion version) {
  WindowsVersionInfo info = *WindowsVersionInfo::GetInstance();
  info.version = version;
  return info;
}

class ShortcutTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    folder_ = FilePath(test_folder_.path());
    target_ = folder_.Append(L"velto.exe");
    link_ = folder_.Append(L"Velto.lnk");
    ASSERT_TRUE(WriteFileForTest(target_.value(), "MZ"));
    full_.set_target(target_);
    full_.set_working_dir(folder_);
    full_.set_arguments(L"--profile-directory=\"Default\"");
    full_.set_description(L"Browse the web");
    full_.set_icon(target_, 3);
  }
  void TearDown() override { ::CoUninitialize(); }

  bool Write(const ShortcutProperties& properties,
             ShortcutOperation operation = SHORTCUT_CREATE_ALWAYS) {
    return CreateOrUpdateShortcutLink(link_, properties, operation);
  }
  ShortcutProperties Resolve(uint32_t options) {
    ShortcutProperties read;
    EXPECT_TRUE(ResolveShortcutProperties(link_, options, &read));
    return read;
  }

  ScopedTestFolder test_folder_;
  FilePath folder_;
  FilePath target_;
  FilePath link_;
  ShortcutProperties full_;  // Every basic property set.
};

// The basic properties as one line, so that a whole set compares at once.
std::wstring Basic(const ShortcutProperties& p) {
  return p.target.value() + L"|" + p.working_dir.value() + L"|" + p.arguments +
         L"|" + p.description + L"|" + p.icon.value() + L"," +
         std::to_wstring(p.icon_index);
}

// ---- Real links: create, update, replace, resolve ----

// Every basic property round-trips; creating over a file that is not a link
// replaces it as a changed file. Refused requests write nothing and tell the
// shell nothing.
TEST_F(ShortcutTest, CreateRoundTripsAndTellsTheShellWhatChanged) {
  FakeShell shell;
  ShortcutProperties no_target = full_;
  no_target.options &= ~ShortcutProperties::PROPERTIES_TARGET;
  EXPECT_FALSE(Write(no_target));
  EXPECT_FALSE(Write(full_, static_cast<ShortcutOperation>(3)));
  EXPECT_FALSE(
      CreateOrUpdateShortcutLink(folder_.Append(L"missing").Append(L"V.lnk"),
                                 full_, SHORTCUT_CREATE_ALWAYS));
  EXPECT_FALSE(PathExists(link_));

  ASSERT_TRUE(Write(full_));
  EXPECT_EQ(Basic(full_), Basic(Resolve(ShortcutProperties::PROPERTIES_BASIC)));
  EXPECT_FALSE(Write(no_target, SHORTCUT_REPLACE_EXISTING));

  ASSERT_TRUE(WriteFileForTest(link_.value(), "not a link"));
  ASSERT_TRUE(Write(full_));
  EXPECT_EQ((std::vector<ChangeNotice>{
                {SHCNE_CREATE, SHCNF_PATHW, link_.value()},
                {SHCNE_ASSOCCHANGED, SHCNF_IDLIST, L"<null>"}}),
            shell.notices);
}

// Only a link that loads is updated (only the given properties change),
// replaced (only the old arguments stay, and those only unless given) or
// resolved (only what was asked for); anything else there is left alone, so
// it still does not resolve.
TEST_F(ShortcutTest, LinksThatLoadAreUpdatedReplacedAndResolved) {
  ASSERT_TRUE(WriteFileForTest(link_.value(), "not a link"));
  EXPECT_FALSE(Write(full_, SHORTCUT_REPLACE_EXISTING));
  EXPECT_FALSE(Write(full_, SHORTCUT_UPDATE_EXISTING));
  FilePath target;
  EXPECT_FALSE(ResolveShortcut(link_, &target));

  ASSERT_TRUE(Write(full_));
  EXPECT_TRUE(ResolveShortcut(link_, nullptr));
  ASSERT_TRUE(ResolveShortcut(link_, &target));
  EXPECT_EQ(target_.value(), target.value());
  ShortcutProperties read;
  read.options = ShortcutProperties::PROPERTIES_ALL;
  ASSERT_TRUE(ResolveShortcutProperties(
      link_, ShortcutProperties::PROPERTIES_WORKING_DIR, &read));
  EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_WORKING_DIR),
            read.options);
  EXPECT_EQ(folder_.value(), read.working_dir.value());

  const FilePath other_target = folder_.Append(L"other.exe");
  ASSERT_TRUE(WriteFileForTest(other_target.value(), "MZ"));
  ShortcutProperties change;
  change.set_description(L"New description");
  change.set_icon(other_target, 0);
  ASSERT_TRUE(Write(change, SHORTCUT_UPDATE_EXISTING));
  ShortcutProperties expected = full_;
  expected.set_description(change.description);
  expected.set_icon(other_target, 0);
  EXPECT_EQ(Basic(expected),
            Basic(Resolve(ShortcutProperties::PROPERTIES_BASIC)))
      << "updated";

  ShortcutProperties replacement;
  replacement.set_target(other_target);
  ASSERT_TRUE(Write(replacement, SHORTCUT_REPLACE_EXISTING));
  expected = replacement;
  expected.arguments = full_.arguments;
  expected.icon_index = 0;
  EXPECT_EQ(Basic(expected),
            Basic(Resolve(ShortcutProperties::PROPERTIES_BASIC)))
      << "replaced";
  replacement.set_arguments(L"");
  ASSERT_TRUE(Write(replacement, SHORTCUT_REPLACE_EXISTING));
  EXPECT_EQ(L"", Resolve(ShortcutProperties::PROPERTIES_ARGUMENTS).arguments);
}

// ---- Application id and dual mode ----

// What each write holds, and the result rules of each write, belong to
// win_util; here: both are written and committed, and no store or a failed
// write saves no link. Before Windows 7 the store is neither asked nor read.
// The system's own store on a real link takes the same writes.
TEST_F(ShortcutTest, AppIdAndDualModeGoToTheStoreOrNoLinkIsSaved) {
  ShortcutProperties properties = full_;
  properties.set_app_id(L"Velto.Browser.1");
  properties.set_dual_mode(true);
  const struct {
    const char* name;
    WindowsVersion version;
    HRESULT get_store;
    HRESULT set_value;
    bool expected;
  } kCases[] = {
      {"all succeed", VERSION_WIN7, S_OK, S_OK, true},
      {"no store", VERSION_WIN7, E_NOINTERFACE, S_OK, false},
      {"null store", VERSION_WIN7, S_FALSE, S_OK, false},
      {"write fails", VERSION_WIN7, S_OK, E_ACCESSDENIED, false},
      {"Vista", VERSION_VISTA, E_NOINTERFACE, S_OK, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    internal::ScopedWindowsVersionForTesting version(VersionRecord(c.version));
    ::DeleteFileW(link_.value().c_str());
    FakeShell shell;
    shell.get_store_result = c.get_store;
    shell.store.set_value_result = c.set_value;
    EXPECT_EQ(c.expected, Write(properties));
    EXPECT_EQ(c.expected, PathExists(link_));
    EXPECT_EQ(0, shell.store.references);
    if (c.expected && c.get_store == S_OK) {
      ASSERT_EQ(2u, shell.store.writes.size());
      EXPECT_EQ(L"Velto.Browser.1", shell.store.writes[0].text);
      EXPECT_EQ(2, shell.store.commits);
    } else if (c.expected) {
      EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_BASIC),
                Resolve(ShortcutProperties::PROPERTIES_ALL).options);
    }
  }
  internal::ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  ASSERT_TRUE(Write(properties));
}

TEST_F(ShortcutTest, AppIdAndDualModeReadBack) {
  internal::ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  ASSERT_TRUE(Write(full_));
  wchar_t app_id_text[] = L"Velto.Browser";
  constexpr uint32_t kAppId = ShortcutProperties::PROPERTIES_APP_ID;
  constexpr uint32_t kDualMode = ShortcutProperties::PROPERTIES_DUAL_MODE;
  const struct {
    const char* name;
    uint32_t property;
    VARTYPE type;
    VARIANT_BOOL flag;
    HRESULT get_value;
    HRESULT get_store;
    bool expected;
    const wchar_t* expected_app_id;
    bool expected_dual_mode;
  } kCases[] = {
      {"empty id", kAppId, VT_EMPTY, 0, S_OK, S_OK, true, L""},
      {"text id", kAppId, VT_LPWSTR, 0, S_OK, S_OK, true, L"Velto.Browser"},
      {"wrong id type", kAppId, VT_UI4, 0, S_OK, S_OK, false},
      {"id read fails", kAppId, VT_EMPTY, 0, E_NOTIMPL, S_OK, false},
      {"no store", kAppId, VT_LPWSTR, 0, S_OK, E_NOINTERFACE, false},
      {"empty mode", kDualMode, VT_EMPTY, 0, S_OK, S_OK, true, L"", false},
      {"true", kDualMode, VT_BOOL, VARIANT_TRUE, S_OK, S_OK, true, L"", true},
      {"only VARIANT_TRUE is true", kDualMode, VT_BOOL, 1, S_OK, S_OK, true,
       L"", false},
      {"wrong mode type", kDualMode, VT_I4, 0, S_OK, S_OK, false},
      {"mode read fails", kDualMode, VT_EMPTY, 0, E_FAIL, S_OK, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeShell shell;
    shell.get_store_result = c.get_store;
    shell.store.get_value_result = c.get_value;
    PROPVARIANT& value = c.property == kAppId ? shell.store.app_id_value
                                              : shell.store.other_value;
    value.vt = c.type;
    if (c.type == VT_LPWSTR) value.pwszVal = app_id_text;
    if (c.type == VT_BOOL) value.boolVal = c.flag;
    ShortcutProperties read;
    read.dual_mode = !c.expected_dual_mode;
    EXPECT_EQ(c.expected, ResolveShortcutProperties(link_, c.property, &read));
    if (c.expected) {
      EXPECT_EQ(c.property, read.options);
      if (c.property == kAppId)
        EXPECT_EQ(c.expected_app_id, read.app_id);
      else
        EXPECT_EQ(c.expected_dual_mode, read.dual_mode);
    }
    EXPECT_EQ(0, shell.store.references);
  }
}

// ---- Taskbar pins ----

// Pinning is offered on Windows 7 to 8.1. Unpinning before Windows 7 asks no
// shell; pinning leaves the version test to its caller. ShellExecuteW
// succeeds only with a value above 32.
TEST(ShortcutPinTest, VerbsRunHiddenOnTheLink) {
  const FilePath link(L"C:\\Users\\Public\\Velto.lnk");
  const ShellCall pin{L"taskbarpin", link.value(), SW_HIDE};
  const ShellCall unpin{L"taskbarunpin", link.value(), SW_HIDE};
  const struct {
    WindowsVersion version;
    bool can_pin;
    bool unpins;
  } kCases[] = {
      {VERSION_VISTA, false, false},
      {VERSION_WIN7, true, true},
      {VERSION_WIN8_1, true, true},
      {VERSION_WIN10, false, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "version " << c.version);
    internal::ScopedWindowsVersionForTesting version(VersionRecord(c.version));
    EXPECT_EQ(c.can_pin, CanPinShortcutToTaskbar());
    FakeShell shell;
    EXPECT_TRUE(TaskbarPinShortcutLink(link));
    EXPECT_EQ(c.unpins, TaskbarUnpinShortcutLink(link));
    std::vector<ShellCall> expected = {pin};
    if (c.unpins) expected.push_back(unpin);
    EXPECT_EQ(expected, shell.shell_calls);
    shell.shell_execute_result = 32;
    EXPECT_FALSE(TaskbarPinShortcutLink(link));
    EXPECT_FALSE(TaskbarUnpinShortcutLink(link));
  }
}

}  // namespace
}  // namespace win
}  // namespace base
