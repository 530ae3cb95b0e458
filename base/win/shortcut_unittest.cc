#include "base/win/shortcut.h"

#include "base/win/windows_types.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_util.h"
#include "testing/fake_property_store.h"
#include "base/win/windows_version.h"
#include "testing/scoped_test_folder.h"

namespace base {
namespace win {
namespace {

using testing_support::ScopedTestFolder;
using testing_support::WriteFileForTest;

std::string ReadFileForTest(const FilePath& path) {
  std::string contents;
  ReadFileToString(path, &contents);
  return contents;
}

struct ChangeNotice {
  LONG event_id;
  UINT flags;
  std::wstring path;
};

struct ShellCall {
  std::wstring verb;
  std::wstring file;
  INT show_command;
};

// Replaces the shell calls of shortcut.cc for its life and records them.
class FakeShell {
 public:
  FakeShell() : scope_(kFunctions) { current_ = this; }
  ~FakeShell() { current_ = nullptr; }

  FakePropertyStore store;
  HRESULT get_store_result = S_OK;
  bool hand_out_null_store = false;
  int store_queries = 0;
  INT_PTR shell_execute_result = 42;
  std::vector<ShellCall> shell_calls;
  std::vector<ChangeNotice> notices;

 private:
  static HRESULT GetPropertyStore(IShellLinkW*, IPropertyStore** out) {
    FakeShell* shell = current_;
    ++shell->store_queries;
    *out = nullptr;
    if (SUCCEEDED(shell->get_store_result) && !shell->hand_out_null_store)
      shell->store.QueryInterface(IID_IPropertyStore,
                                  reinterpret_cast<void**>(out));
    return shell->get_store_result;
  }
  static HINSTANCE ShellExecute(HWND, const wchar_t* verb, const wchar_t* file,
                                const wchar_t*, const wchar_t*, INT show) {
    current_->shell_calls.push_back({verb, file, show});
    return reinterpret_cast<HINSTANCE>(current_->shell_execute_result);
  }
  static void ChangeNotify(LONG event_id, UINT flags, const void* item1,
                           const void* item2) {
    EXPECT_EQ(nullptr, item2);
    current_->notices.push_back(
        {event_id, flags,
         item1 ? static_cast<const wchar_t*>(item1) : L"<null>"});
  }

  static constexpr ShortcutShellFunctions kFunctions = {
      &GetPropertyStore, &ShellExecute, &ChangeNotify};
  static FakeShell* current_;

  internal::ScopedShortcutShellFunctionsForTesting scope_;
};

FakeShell* FakeShell::current_ = nullptr;
constexpr ShortcutShellFunctions FakeShell::kFunctions;

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
    other_target_ = folder_.Append(L"other.exe");
    link_ = folder_.Append(L"Velto.lnk");
    ASSERT_TRUE(WriteFileForTest(target_.value(), "MZ"));
    ASSERT_TRUE(WriteFileForTest(other_target_.value(), "MZ"));
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
  bool LinkExists() {
    return ::GetFileAttributesW(link_.value().c_str()) !=
           INVALID_FILE_ATTRIBUTES;
  }

  ScopedTestFolder test_folder_;
  FilePath folder_;
  FilePath target_;
  FilePath other_target_;
  FilePath link_;
  ShortcutProperties full_;  // Every basic property set.
};

void ExpectBasicPropertiesEqual(const ShortcutProperties& expected,
                                const ShortcutProperties& actual) {
  EXPECT_EQ(expected.target.value(), actual.target.value());
  EXPECT_EQ(expected.working_dir.value(), actual.working_dir.value());
  EXPECT_EQ(expected.arguments, actual.arguments);
  EXPECT_EQ(expected.description, actual.description);
  EXPECT_EQ(expected.icon.value(), actual.icon.value());
  EXPECT_EQ(expected.icon_index, actual.icon_index);
}

// ---- Real links: create, update, replace, resolve ----

// Texts end at their first NUL, written and read back, never at the end of
// the buffer.
TEST_F(ShortcutTest, TextsEndAtTheirFirstNul) {
  const struct {
    std::wstring written;
    std::wstring read;
  } kCases[] = {
      {L"", L""},
      {L"--flag value with spaces", L"--flag value with spaces"},
      {std::wstring(L"ab\0cd", 5), L"ab"},
      {std::wstring(200, L'x'), std::wstring(200, L'x')},
  };
  for (const auto& c : kCases) {
    ShortcutProperties properties;
    properties.set_target(target_);
    properties.set_arguments(c.written);
    properties.set_description(c.written);
    ASSERT_TRUE(Write(properties));
    ShortcutProperties read =
        Resolve(ShortcutProperties::PROPERTIES_ARGUMENTS |
                ShortcutProperties::PROPERTIES_DESCRIPTION);
    EXPECT_EQ(c.read, read.arguments) << "length " << c.written.size();
    EXPECT_EQ(c.read, read.description) << "length " << c.written.size();
  }
}

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
  EXPECT_FALSE(LinkExists());

  ASSERT_TRUE(Write(full_));
  ShortcutProperties read = Resolve(ShortcutProperties::PROPERTIES_BASIC);
  EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_BASIC),
            read.options);
  ExpectBasicPropertiesEqual(full_, read);
  const std::string before = ReadFileForTest(link_);
  EXPECT_FALSE(Write(no_target, SHORTCUT_REPLACE_EXISTING));
  EXPECT_EQ(before, ReadFileForTest(link_));

  ASSERT_TRUE(WriteFileForTest(link_.value(), "not a link"));
  ASSERT_TRUE(Write(full_));
  ExpectBasicPropertiesEqual(full_,
                             Resolve(ShortcutProperties::PROPERTIES_BASIC));
  ASSERT_EQ(2u, shell.notices.size());
  EXPECT_EQ(SHCNE_CREATE, shell.notices[0].event_id);
  EXPECT_EQ(static_cast<UINT>(SHCNF_PATHW), shell.notices[0].flags);
  EXPECT_EQ(link_.value(), shell.notices[0].path);
  EXPECT_EQ(SHCNE_ASSOCCHANGED, shell.notices[1].event_id);
  EXPECT_EQ(static_cast<UINT>(SHCNF_IDLIST), shell.notices[1].flags);
  EXPECT_EQ(L"<null>", shell.notices[1].path);
}

// Update changes only the given properties; replace keeps only the old
// arguments, and those only unless given.
TEST_F(ShortcutTest, UpdateAndReplace) {
  ASSERT_TRUE(Write(full_));
  ShortcutProperties change;
  change.set_description(L"New description");
  change.set_icon(other_target_, 0);
  ASSERT_TRUE(Write(change, SHORTCUT_UPDATE_EXISTING));
  ShortcutProperties expected = full_;
  expected.description = change.description;
  expected.icon = change.icon;
  expected.icon_index = 0;
  ExpectBasicPropertiesEqual(expected,
                             Resolve(ShortcutProperties::PROPERTIES_BASIC));

  ShortcutProperties replacement;
  replacement.set_target(other_target_);
  ASSERT_TRUE(Write(replacement, SHORTCUT_REPLACE_EXISTING));
  expected = ShortcutProperties();
  expected.target = other_target_;
  expected.arguments = full_.arguments;
  expected.icon_index = 0;
  ExpectBasicPropertiesEqual(expected,
                             Resolve(ShortcutProperties::PROPERTIES_BASIC));

  replacement.set_arguments(L"");
  ASSERT_TRUE(Write(replacement, SHORTCUT_REPLACE_EXISTING));
  EXPECT_EQ(L"", Resolve(ShortcutProperties::PROPERTIES_ARGUMENTS).arguments);
}

TEST_F(ShortcutTest, ReplaceUpdateAndResolveNeedALoadableLink) {
  for (ShortcutOperation operation :
       {SHORTCUT_REPLACE_EXISTING, SHORTCUT_UPDATE_EXISTING}) {
    ::DeleteFileW(link_.value().c_str());
    EXPECT_FALSE(Write(full_, operation));
    EXPECT_FALSE(LinkExists()) << "operation " << operation;
    ASSERT_TRUE(WriteFileForTest(link_.value(), "not a link"));
    EXPECT_FALSE(Write(full_, operation));
    EXPECT_EQ("not a link", ReadFileForTest(link_))
        << "operation " << operation;
  }
  EXPECT_FALSE(ResolveShortcut(link_, nullptr));
  ::DeleteFileW(link_.value().c_str());
  FilePath target;
  EXPECT_FALSE(ResolveShortcut(link_, &target));
  ASSERT_TRUE(Write(full_));
  EXPECT_TRUE(ResolveShortcut(link_, nullptr));
  ASSERT_TRUE(ResolveShortcut(link_, &target));
  EXPECT_EQ(target_.value(), target.value());
}

TEST_F(ShortcutTest, ResolveReportsOnlyWhatItRead) {
  ASSERT_TRUE(Write(full_));
  ShortcutProperties read;
  read.options = ShortcutProperties::PROPERTIES_ALL;
  ASSERT_TRUE(ResolveShortcutProperties(link_, 0, &read));
  EXPECT_EQ(0u, read.options);

  ASSERT_TRUE(ResolveShortcutProperties(
      link_, ShortcutProperties::PROPERTIES_WORKING_DIR, &read));
  EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_WORKING_DIR),
            read.options);
  EXPECT_EQ(folder_.value(), read.working_dir.value());
  EXPECT_EQ(L"", read.target.value());
}

// ---- Application id and dual mode ----

TEST_F(ShortcutTest, AppIdAndDualModeAreWrittenAndCommitted) {
  internal::ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  ShortcutProperties properties = full_;
  properties.set_app_id(L"Velto.Browser.1");
  properties.set_dual_mode(true);
  {
    // What each write holds is win_util's to test.
    FakeShell shell;
    ASSERT_TRUE(Write(properties));
    ASSERT_EQ(2u, shell.store.writes.size());
    EXPECT_EQ(L"Velto.Browser.1", shell.store.writes[0].text);
    EXPECT_EQ(2, shell.store.commits);
    EXPECT_EQ(0, shell.store.references);
  }
  // The system's own store on a real link takes the same writes.
  ASSERT_TRUE(Write(properties));
  ExpectBasicPropertiesEqual(full_,
                             Resolve(ShortcutProperties::PROPERTIES_BASIC));
}

// The result rules of each write belong to win_util; here: no store or a
// failed write saves no link.
TEST_F(ShortcutTest, StoreFailuresSaveNothing) {
  internal::ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  const struct {
    const char* name;
    HRESULT get_store;
    bool null_store;
    HRESULT set_value;
    bool expected;
  } kCases[] = {
      {"all succeed", S_OK, false, S_OK, true},
      {"no store", E_NOINTERFACE, false, S_OK, false},
      {"null store", S_OK, true, S_OK, false},
      {"write fails", S_OK, false, E_ACCESSDENIED, false},
  };
  for (const auto& c : kCases) {
    ::DeleteFileW(link_.value().c_str());
    FakeShell shell;
    shell.get_store_result = c.get_store;
    shell.hand_out_null_store = c.null_store;
    shell.store.set_value_result = c.set_value;
    ShortcutProperties properties;
    properties.set_target(target_);
    properties.set_app_id(L"Velto.Browser");
    EXPECT_EQ(c.expected, Write(properties)) << c.name;
    EXPECT_EQ(c.expected, LinkExists()) << c.name;
    EXPECT_EQ(0, shell.store.references) << c.name;
  }
}

TEST_F(ShortcutTest, VistaSkipsAppIdDualModeAndUnpin) {
  internal::ScopedWindowsVersionForTesting vista(VersionRecord(VERSION_VISTA));
  FakeShell shell;
  ShortcutProperties properties = full_;
  properties.set_app_id(L"Velto.Browser");
  properties.set_dual_mode(false);
  ASSERT_TRUE(Write(properties));
  EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_BASIC),
            Resolve(ShortcutProperties::PROPERTIES_ALL).options);
  EXPECT_EQ(0, shell.store_queries);
  // Unpinning asks no shell; pinning leaves the version test to its caller.
  EXPECT_FALSE(TaskbarUnpinShortcutLink(link_));
  EXPECT_TRUE(shell.shell_calls.empty());
  EXPECT_TRUE(TaskbarPinShortcutLink(link_));
  EXPECT_EQ(1u, shell.shell_calls.size());
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
    FakeShell shell;
    shell.get_store_result = c.get_store;
    shell.store.get_value_result = c.get_value;
    PROPVARIANT& value = c.property == kAppId ? shell.store.app_id_value
                                              : shell.store.other_value;
    value.vt = c.type;
    if (c.type == VT_LPWSTR)
      value.pwszVal = app_id_text;
    if (c.type == VT_BOOL)
      value.boolVal = c.flag;
    ShortcutProperties read;
    read.dual_mode = !c.expected_dual_mode;
    EXPECT_EQ(c.expected, ResolveShortcutProperties(link_, c.property, &read))
        << c.name;
    if (c.expected) {
      EXPECT_EQ(c.property, read.options) << c.name;
      if (c.property == kAppId)
        EXPECT_EQ(c.expected_app_id, read.app_id) << c.name;
      else
        EXPECT_EQ(c.expected_dual_mode, read.dual_mode) << c.name;
    }
    EXPECT_EQ(0, shell.store.references) << c.name;
  }
}

// ---- Taskbar pins ----

TEST(ShortcutPinTest, PinningIsForWindows7To81) {
  const struct {
    WindowsVersion version;
    bool expected;
  } kCases[] = {
      {VERSION_VISTA, false},
      {VERSION_WIN7, true},
      {VERSION_WIN8_1, true},
      {VERSION_WIN10, false},
  };
  for (const auto& c : kCases) {
    internal::ScopedWindowsVersionForTesting version(VersionRecord(c.version));
    EXPECT_EQ(c.expected, CanPinShortcutToTaskbar()) << "version " << c.version;
  }
}

TEST(ShortcutPinTest, VerbsRunHiddenOnTheLink) {
  internal::ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  const FilePath link(L"C:\\Users\\Public\\Velto.lnk");
  FakeShell shell;
  EXPECT_TRUE(TaskbarPinShortcutLink(link));
  EXPECT_TRUE(TaskbarUnpinShortcutLink(link));
  ASSERT_EQ(2u, shell.shell_calls.size());
  EXPECT_EQ(L"taskbarpin", shell.shell_calls[0].verb);
  EXPECT_EQ(L"taskbarunpin", shell.shell_calls[1].verb);
  for (const ShellCall& call : shell.shell_calls) {
    EXPECT_EQ(link.value(), call.file);
    EXPECT_EQ(0, call.show_command);
  }
  // ShellExecuteW succeeds only with a value above 32.
  shell.shell_execute_result = 32;
  EXPECT_FALSE(TaskbarPinShortcutLink(link));
  EXPECT_FALSE(TaskbarUnpinShortcutLink(link));
}

}  // namespace
}  // namespace win
}  // namespace base
