#include "base/win/shortcut.h"

#include "base/win/windows_types.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_util.h"
#include "base/win/windows_version.h"
#include "testing/scoped_test_folder.h"

namespace base {
namespace win {
namespace {

using testing_support::ScopedTestFolder;
using testing_support::WriteFileForTest;

constexpr uint32_t kAppIdPropertyId = 5;
constexpr uint32_t kDualModePropertyId = 11;

std::string ReadFileForTest(const FilePath& path) {
  std::string contents;
  ReadFileToString(path, &contents);
  return contents;
}

// One write that reached the fake store.
struct StoreWrite {
  uint32_t property_id;
  VARTYPE type;
  std::wstring text;
  VARIANT_BOOL flag;
};

// A property store whose answers the test sets and whose writes it records.
// Lives on the test's stack; the reference count only guards against an
// extra release.
class FakePropertyStore : public IPropertyStore {
 public:
  HRESULT set_value_result = S_OK;
  HRESULT commit_result = S_OK;
  HRESULT get_value_result = S_OK;
  PROPVARIANT app_id_value = {};    // Handed out by GetValue; not owned.
  PROPVARIANT dual_mode_value = {};
  std::vector<StoreWrite> writes;
  int commits = 0;
  int references = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IPropertyStore) {
      *out = static_cast<IPropertyStore*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    EXPECT_GT(references, 0);
    return --references;
  }
  HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key,
                                     PROPVARIANT* value) override {
    EXPECT_EQ(VT_EMPTY, value->vt);
    if (FAILED(get_value_result))
      return get_value_result;
    const PROPVARIANT& source =
        key.pid == kAppIdPropertyId ? app_id_value : dual_mode_value;
    return ::PropVariantCopy(value, &source);
  }
  HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key,
                                     REFPROPVARIANT value) override {
    StoreWrite write = {key.pid, value.vt, L"", VARIANT_FALSE};
    if (value.vt == VT_LPWSTR && value.pwszVal)
      write.text = value.pwszVal;
    if (value.vt == VT_BOOL)
      write.flag = value.boolVal;
    writes.push_back(write);
    return set_value_result;
  }
  HRESULT STDMETHODCALLTYPE Commit() override {
    ++commits;
    return commit_result;
  }
};

struct ChangeNotice {
  LONG event_id;
  UINT flags;
  std::wstring path;
};

struct ShellCall {
  HWND window;
  std::wstring verb;
  std::wstring file;
  const wchar_t* parameters;
  const wchar_t* directory;
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
  static HRESULT GetPropertyStore(IShellLinkW* link, IPropertyStore** out) {
    EXPECT_NE(nullptr, link);
    FakeShell* shell = current_;
    ++shell->store_queries;
    *out = nullptr;
    if (FAILED(shell->get_store_result))
      return shell->get_store_result;
    if (!shell->hand_out_null_store) {
      shell->store.AddRef();
      *out = &shell->store;
    }
    return S_OK;
  }
  static HINSTANCE ShellExecute(HWND window, const wchar_t* verb,
                                const wchar_t* file,
                                const wchar_t* parameters,
                                const wchar_t* directory, INT show_command) {
    current_->shell_calls.push_back(
        {window, verb, file, parameters, directory, show_command});
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

  ScopedShortcutShellFunctionsForTesting scope_;
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
    ASSERT_TRUE(SUCCEEDED(
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
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

  ShortcutProperties Resolve(uint32_t options) {
    ShortcutProperties read;
    EXPECT_TRUE(ResolveShortcutProperties(link_, options, &read));
    return read;
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

// Texts read back end at their terminator, never at the buffer's end.
TEST_F(ShortcutTest, TextsReadBackEndAtTheirTerminator) {
  const std::wstring kTexts[] = {L"", L"a", L"--flag value with spaces",
                                 std::wstring(200, L'x')};
  for (const std::wstring& text : kTexts) {
    ShortcutProperties properties;
    properties.set_target(target_);
    properties.set_arguments(text);
    properties.set_description(text);
    ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, properties,
                                           SHORTCUT_CREATE_ALWAYS));
    ShortcutProperties read =
        Resolve(ShortcutProperties::PROPERTIES_ARGUMENTS |
                ShortcutProperties::PROPERTIES_DESCRIPTION);
    EXPECT_EQ(text, read.arguments) << "length " << text.size();
    EXPECT_EQ(text, read.description) << "length " << text.size();
  }
}

// Refused requests and failed saves write nothing and tell the shell nothing.
TEST_F(ShortcutTest, RefusedRequestsWriteNothing) {
  FakeShell shell;
  const FilePath unreachable = folder_.Append(L"missing").Append(L"V.lnk");
  EXPECT_FALSE(
      CreateOrUpdateShortcutLink(unreachable, full_, SHORTCUT_CREATE_ALWAYS));
  ShortcutProperties no_target = full_;
  no_target.options &= ~ShortcutProperties::PROPERTIES_TARGET;
  EXPECT_FALSE(
      CreateOrUpdateShortcutLink(link_, no_target, SHORTCUT_CREATE_ALWAYS));
  EXPECT_FALSE(CreateOrUpdateShortcutLink(link_, full_,
                                          static_cast<ShortcutOperation>(3)));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            ::GetFileAttributesW(link_.value().c_str()));

  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));
  const std::string before = ReadFileForTest(link_);
  EXPECT_FALSE(
      CreateOrUpdateShortcutLink(link_, no_target, SHORTCUT_REPLACE_EXISTING));
  EXPECT_EQ(before, ReadFileForTest(link_));
  ASSERT_EQ(1u, shell.notices.size());  // Only for the one link made.
  EXPECT_EQ(SHCNE_CREATE, shell.notices[0].event_id);
}

TEST_F(ShortcutTest, UpdateChangesOnlyTheGivenProperties) {
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));

  ShortcutProperties change;
  change.set_description(L"New description");
  change.set_icon(other_target_, 0);
  ASSERT_TRUE(
      CreateOrUpdateShortcutLink(link_, change, SHORTCUT_UPDATE_EXISTING));

  ShortcutProperties expected = full_;
  expected.description = change.description;
  expected.icon = change.icon;
  expected.icon_index = 0;
  ExpectBasicPropertiesEqual(expected,
                             Resolve(ShortcutProperties::PROPERTIES_BASIC));
}

TEST_F(ShortcutTest, ReplaceKeepsOnlyTheOldArgumentsUnlessGiven) {
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));

  ShortcutProperties replacement;
  replacement.set_target(other_target_);
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, replacement,
                                         SHORTCUT_REPLACE_EXISTING));

  ShortcutProperties read = Resolve(ShortcutProperties::PROPERTIES_BASIC);
  EXPECT_EQ(other_target_.value(), read.target.value());
  EXPECT_EQ(full_.arguments, read.arguments);
  EXPECT_EQ(L"", read.description);
  EXPECT_EQ(L"", read.working_dir.value());
  EXPECT_EQ(L"", read.icon.value());

  replacement.set_arguments(L"");
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, replacement,
                                         SHORTCUT_REPLACE_EXISTING));
  EXPECT_EQ(L"", Resolve(ShortcutProperties::PROPERTIES_ARGUMENTS).arguments);
}

TEST_F(ShortcutTest, ReplaceUpdateAndResolveNeedALoadableLink) {
  for (ShortcutOperation operation :
       {SHORTCUT_REPLACE_EXISTING, SHORTCUT_UPDATE_EXISTING}) {
    ::DeleteFileW(link_.value().c_str());
    EXPECT_FALSE(CreateOrUpdateShortcutLink(link_, full_, operation));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              ::GetFileAttributesW(link_.value().c_str()))
        << "operation " << operation;

    ASSERT_TRUE(WriteFileForTest(link_.value(), "not a link"));
    EXPECT_FALSE(CreateOrUpdateShortcutLink(link_, full_, operation));
    EXPECT_EQ("not a link", ReadFileForTest(link_))
        << "operation " << operation;
  }
  EXPECT_FALSE(ResolveShortcut(link_, nullptr));
  ::DeleteFileW(link_.value().c_str());
  FilePath target;
  EXPECT_FALSE(ResolveShortcut(link_, &target));
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));
  EXPECT_TRUE(ResolveShortcut(link_, nullptr));
  ASSERT_TRUE(ResolveShortcut(link_, &target));
  EXPECT_EQ(target_.value(), target.value());
}

TEST_F(ShortcutTest, ResolveReportsOnlyWhatItRead) {
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));

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

// ---- Shell notices ----

// Every basic property round-trips; creating over a file that is not a link
// replaces it as a changed file.
TEST_F(ShortcutTest, CreateRoundTripsAndTellsTheShellWhatChanged) {
  FakeShell shell;
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));
  ShortcutProperties read = Resolve(ShortcutProperties::PROPERTIES_BASIC);
  EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_BASIC),
            read.options);
  ExpectBasicPropertiesEqual(full_, read);
  ASSERT_TRUE(WriteFileForTest(link_.value(), "not a link"));
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));
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

// ---- Application id and dual mode ----

TEST_F(ShortcutTest, AppIdAndDualModeAreWrittenAndCommitted) {
  ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  FakeShell shell;
  ShortcutProperties properties = full_;
  properties.set_app_id(L"Velto.Browser.1");
  properties.set_dual_mode(true);
  ASSERT_TRUE(
      CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_CREATE_ALWAYS));

  ASSERT_EQ(2u, shell.store.writes.size());
  EXPECT_EQ(kAppIdPropertyId, shell.store.writes[0].property_id);
  EXPECT_EQ(VT_LPWSTR, shell.store.writes[0].type);
  EXPECT_EQ(L"Velto.Browser.1", shell.store.writes[0].text);
  EXPECT_EQ(kDualModePropertyId, shell.store.writes[1].property_id);
  EXPECT_EQ(VT_BOOL, shell.store.writes[1].type);
  EXPECT_EQ(VARIANT_TRUE, shell.store.writes[1].flag);
  EXPECT_EQ(2, shell.store.commits);
  EXPECT_EQ(0, shell.store.references);
}

// The system's own store on a real link takes the writes.
TEST_F(ShortcutTest, AppIdWriteThroughTheLinksOwnStore) {
  ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  ShortcutProperties properties = full_;
  properties.set_app_id(L"Velto.Browser");
  properties.set_dual_mode(true);
  EXPECT_TRUE(
      CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_CREATE_ALWAYS));
  ExpectBasicPropertiesEqual(full_,
                             Resolve(ShortcutProperties::PROPERTIES_BASIC));
}

TEST_F(ShortcutTest, StoreWriteResults) {
  ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  const struct {
    const char* name;
    HRESULT get_store;
    bool null_store;
    HRESULT set_value;
    HRESULT commit;
    bool expected;
    int expected_commits;
  } kCases[] = {
      {"all succeed", S_OK, false, S_OK, S_OK, true, 1},
      {"unchanged is not committed", S_OK, false, S_FALSE, E_FAIL, true, 0},
      {"no store", E_NOINTERFACE, false, S_OK, S_OK, false, 0},
      {"null store", S_OK, true, S_OK, S_OK, false, 0},
      {"write fails", S_OK, false, E_ACCESSDENIED, S_OK, false, 0},
      {"commit fails", S_OK, false, S_OK, E_FAIL, false, 1},
  };
  for (const auto& c : kCases) {
    ::DeleteFileW(link_.value().c_str());
    FakeShell shell;
    shell.get_store_result = c.get_store;
    shell.hand_out_null_store = c.null_store;
    shell.store.set_value_result = c.set_value;
    shell.store.commit_result = c.commit;
    ShortcutProperties properties;
    properties.set_target(target_);
    properties.set_app_id(L"Velto.Browser");
    EXPECT_EQ(c.expected, CreateOrUpdateShortcutLink(link_, properties,
                                                     SHORTCUT_CREATE_ALWAYS))
        << c.name;
    EXPECT_EQ(c.expected_commits, shell.store.commits) << c.name;
    // Nothing is saved when a property cannot be set.
    EXPECT_EQ(c.expected, ::GetFileAttributesW(link_.value().c_str()) !=
                              INVALID_FILE_ATTRIBUTES)
        << c.name;
    EXPECT_EQ(0, shell.store.references) << c.name;
  }
}

TEST_F(ShortcutTest, VistaSkipsAppIdDualModeAndUnpin) {
  ScopedWindowsVersionForTesting vista(VersionRecord(VERSION_VISTA));
  FakeShell shell;
  ShortcutProperties properties = full_;
  properties.set_app_id(L"Velto.Browser");
  properties.set_dual_mode(false);
  ASSERT_TRUE(
      CreateOrUpdateShortcutLink(link_, properties, SHORTCUT_CREATE_ALWAYS));
  EXPECT_EQ(0, shell.store_queries);

  ShortcutProperties read;
  ASSERT_TRUE(ResolveShortcutProperties(
      link_, ShortcutProperties::PROPERTIES_ALL, &read));
  EXPECT_EQ(0, shell.store_queries);
  EXPECT_EQ(static_cast<uint32_t>(ShortcutProperties::PROPERTIES_BASIC),
            read.options);
  // Unpinning asks no shell; pinning leaves the version test to its caller.
  EXPECT_FALSE(TaskbarUnpinShortcutLink(link_));
  EXPECT_TRUE(shell.shell_calls.empty());
  EXPECT_TRUE(TaskbarPinShortcutLink(link_));
  EXPECT_EQ(1u, shell.shell_calls.size());
}

TEST_F(ShortcutTest, AppIdAndDualModeReadBack) {
  ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, full_, SHORTCUT_CREATE_ALWAYS));
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
      {"false", kDualMode, VT_BOOL, VARIANT_FALSE, S_OK, S_OK, true, L"", false},
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
                                              : shell.store.dual_mode_value;
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
  struct Case {
    WindowsVersion version;
    bool expected;
  } const kCases[] = {
      {VERSION_PRE_XP, false}, {VERSION_XP, false}, {VERSION_SERVER_2003, false},
      {VERSION_VISTA, false},  {VERSION_WIN7, true}, {VERSION_WIN8, true},
      {VERSION_WIN8_1, true},  {VERSION_WIN10, false},
      {VERSION_WIN10_TH2, false}, {VERSION_WIN_LAST, false},
  };
  for (const Case& c : kCases) {
    ScopedWindowsVersionForTesting version(VersionRecord(c.version));
    EXPECT_EQ(c.expected, CanPinShortcutToTaskbar()) << "version " << c.version;
  }
}

TEST(ShortcutPinTest, VerbsRunHiddenOnTheLink) {
  ScopedWindowsVersionForTesting win7(VersionRecord(VERSION_WIN7));
  const FilePath link(L"C:\\Users\\Public\\Velto.lnk");
  FakeShell shell;
  EXPECT_TRUE(TaskbarPinShortcutLink(link));
  EXPECT_TRUE(TaskbarUnpinShortcutLink(link));
  ASSERT_EQ(2u, shell.shell_calls.size());
  EXPECT_EQ(L"taskbarpin", shell.shell_calls[0].verb);
  EXPECT_EQ(L"taskbarunpin", shell.shell_calls[1].verb);
  for (const ShellCall& call : shell.shell_calls) {
    EXPECT_EQ(nullptr, call.window);
    EXPECT_EQ(link.value(), call.file);
    EXPECT_EQ(nullptr, call.parameters);
    EXPECT_EQ(nullptr, call.directory);
    EXPECT_EQ(0, call.show_command);
  }
  // ShellExecuteW succeeds only with a value above 32.
  for (INT_PTR result : {0, 2, 31, 32, 33}) {
    shell.shell_execute_result = result;
    EXPECT_EQ(result > 32, TaskbarPinShortcutLink(link)) << result;
    EXPECT_EQ(result > 32, TaskbarUnpinShortcutLink(link)) << result;
  }
}


}  // namespace
}  // namespace win
}  // namespace base
