// Built three times, as browser_registration_unittests_win7, _win8 and
// _win10: the test prefix gives each name its own Windows release, and the
// release-bound tests expect what that release does.
#include "desktop/windows/installer/service/browser_registration.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "base/win/windows_types.h"
#include "base/win/windows_version.h"

#include "desktop/windows/installer/service/shell_association_api.h"
#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"
#include "desktop/windows/installer/service/utils.h"
#include "testing/machine_snapshot.h"
#include "testing/registry_sandbox.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using base::win::RegKey;
using Calls = std::vector<std::wstring>;
using ActivatorBase = ShellAssociationApi::Activator;

constexpr wchar_t kFolder[] = L"C:\\Program Files\\Velto";
constexpr wchar_t kOurCommand[] =
    L"\"C:\\PROGRAM FILES\\VELTO\\LAUNCHER.EXE\" -noautoupdate -- \"%1\"";
constexpr wchar_t kOtherCommand[] = L"\"C:\\Other\\launcher.exe\" \"%1\"";
constexpr wchar_t kProgId[] = L"Software\\Classes\\Veltodeveloper";
constexpr wchar_t kHttpChoice[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\"
    L"http\\UserChoice";
constexpr wchar_t kHtmChoice[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.htm"
    L"\\UserChoice";
constexpr wchar_t kSettingsPage[] =
    L"activate windows.immersivecontrolpanel_cw5n1h2txyewy"
    L"!microsoft.windows.immersivecontrolpanel page=SettingsPageAppsDefaults";

base::win::WindowsVersion Release() { return base::GetWindowsVersion(); }

// For the release-independent tests that pin one release in the process.
base::win::WindowsVersionInfo Pinned(base::win::WindowsVersion version) {
  base::win::WindowsVersionInfo info;
  info.version = version;
  return info;
}

class FakeInstallation : public BrowserRegistration::Installation {
 public:
  const base::FilePath& folder() const override { return folder_; }
  const std::wstring& app_registry_name() const override { return name; }
  bool IsSingleProfile() override { return single_profile; }
  bool IsInstalledForAllUsers() override { return all_users; }

  base::FilePath folder_{kFolder};
  std::wstring name = L"Velto developer";
  bool single_profile = false;
  bool all_users = false;
};

// Records every shell call as one line of text and answers |result|.
class FakeShellApi : public ShellAssociationApi {
 public:
  HRESULT QueryAppIsDefault(const wchar_t* query, ASSOCIATIONTYPE type,
                            ASSOCIATIONLEVEL level, const wchar_t* app,
                            BOOL* is_default) override {
    *is_default = answer_default;
    return Record(L"query " + std::wstring(query) + L" " +
                  std::to_wstring(type) + L" " + std::to_wstring(level) + L" " +
                  app);
  }
  HRESULT SetAppAsDefault(const wchar_t* app, const wchar_t* set,
                          ASSOCIATIONTYPE type) override {
    return Record(L"set " + std::wstring(set) + L" " + std::to_wstring(type));
  }
  std::unique_ptr<ActivatorBase> CreateActivator() override {
    Record(L"create activator");
    if (!can_activate) return nullptr;
    struct Activator : ActivatorBase {
      explicit Activator(FakeShellApi* shell) : shell(shell) {}
      HRESULT ActivateApplication(const wchar_t* id,
                                  const wchar_t* arguments) override {
        const HRESULT answer =
            shell->Record(L"activate " + std::wstring(id) + L" " + arguments);
        if (shell->on_activate) shell->on_activate();
        return answer;
      }
      FakeShellApi* shell;
    };
    return std::make_unique<Activator>(this);
  }
  HRESULT OpenWithDialog(HWND owner, const OPENASINFO& info) override {
    return Record(L"open with " + std::wstring(info.pcszFile) +
                  (info.pcszClass || owner ? L" ?" : L" ") +
                  std::to_wstring(info.oaifInFlags));
  }
  void NotifyAssociationsChanged() override { Record(L"notify"); }

  HRESULT result = S_OK;
  BOOL answer_default = FALSE;
  bool can_activate = true;
  std::function<void()> on_activate;  // The user's choice in Settings.
  Calls calls;

 private:
  HRESULT Record(const std::wstring& call) {
    calls.push_back(call);
    return result;
  }
};

void Write(HKEY root, const std::wstring& key, const wchar_t* name,
           const std::wstring& value) {
  RegKey regkey(root, key.c_str(), KEY_SET_VALUE);
  ASSERT_EQ(ERROR_SUCCESS, regkey.WriteValue(name, value));
}

// The string value; "<none>" for a missing value, "<no key>" for a missing
// key.
std::wstring Read(HKEY root, const std::wstring& key, const wchar_t* name) {
  RegKey regkey;
  if (regkey.Open(root, key.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS)
    return L"<no key>";
  std::wstring value;
  return regkey.ReadValue(name, &value) == ERROR_SUCCESS ? value : L"<none>";
}

// Registers |command| for the protocol or class |name| under |root|.
void RegisterCommand(HKEY root, const std::wstring& name,
                     const std::wstring& command) {
  Write(root, L"Software\\Classes\\" + name + L"\\shell\\open\\command",
        nullptr, command);
}

// Each test runs in a registry sandbox whose classes root is the sandboxed
// HKEY_CURRENT_USER\Software\Classes, the user's part of the merged view.
class BrowserRegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    RegKey classes(HKEY_CURRENT_USER, L"Software\\Classes", KEY_ALL_ACCESS);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.Handle()));
    // The machine's "Software" exists on every system.
    ASSERT_TRUE(RegKey(HKEY_LOCAL_MACHINE, L"Software", KEY_SET_VALUE).Valid());
  }

  testing_support::MachineSnapshot Snapshot() {
    testing_support::MachineSnapshot snapshot;
    EXPECT_TRUE(
        snapshot.AddRegistryTree(L"HKCU", HKEY_CURRENT_USER, L"Software", 0) &&
        snapshot.AddRegistryTree(L"HKLM", HKEY_LOCAL_MACHINE, L"Software", 0));
    return snapshot;
  }

  testing_support::RegistrySandbox sandbox_{/*redirect_predefined=*/true};
  FakeInstallation installation_;
  FakeShellApi shell_;
  internal::ScopedShellAssociationApiForTesting scoped_shell_{&shell_};
  BrowserRegistration registration_{&installation_};
};

// Guards the release-bound tests against skipping unseen: each executable
// must see the release its name asks the test prefix for.
TEST(BrowserRegistrationReleaseTest, ExecutableSeesItsRelease) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  const std::wstring name(path);
  if (name.find(L"_win7.exe") != std::wstring::npos)
    EXPECT_EQ(base::win::VERSION_WIN7, Release());
  else if (name.find(L"_win8.exe") != std::wstring::npos)
    EXPECT_EQ(base::win::VERSION_WIN8, Release());
  else
    EXPECT_GE(Release(), base::win::VERSION_WIN10) << name;
}

// The real default-programs call: an application Windows does not know (or
// a system without the interface) answers false.
TEST(BrowserRegistrationReleaseTest, RealQueryFailureAnswersFalse) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  FakeInstallation installation;
  installation.all_users = true;
  installation.name = L"Velto unregistered test name";
  EXPECT_FALSE(BrowserRegistration(&installation).IsStartMenuInternetDefault());
  ::CoUninitialize();
}

// Scopes nest: the inner one's end puts the outer one's implementation back.
TEST(ShellAssociationApiTest, ScopesNest) {
  ShellAssociationApi* const real = GetShellAssociationApi();
  FakeShellApi outer, inner;
  {
    internal::ScopedShellAssociationApiForTesting outer_scope(&outer);
    {
      internal::ScopedShellAssociationApiForTesting inner_scope(&inner);
      EXPECT_EQ(&inner, GetShellAssociationApi());
    }
    EXPECT_EQ(&outer, GetShellAssociationApi());
  }
  EXPECT_EQ(real, GetShellAssociationApi());
}

TEST(BrowserRegistrationReleaseTest, DefaultAppsTargets) {
  EXPECT_EQ(L"SystemSettings_DefaultApps_Browser",
            GetDefaultAppsSettingsTarget(L"HTTP"));
  EXPECT_EQ(L"SystemSettings_DefaultApps_Email",
            GetDefaultAppsSettingsTarget(L"mailto"));
  EXPECT_EQ(L"SettingsPageAppsDefaultsProtocolView",
            GetDefaultAppsSettingsTarget(L"ftp"));
}

// The per-user choice names the class when it has one; a key without it, or
// no key at all (a user who never chose), leaves the class to decide. An
// empty name or class never reaches the classes root's own command.
TEST_F(BrowserRegistrationTest, OpenCommandFollowsChoiceThenClass) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    Write(root, L"Software\\Classes\\shell\\open\\command", nullptr, L"root");
    Write(root, L"Software\\Classes\\.xht", nullptr, L"");
  }
  RegisterCommand(HKEY_CURRENT_USER, L"http", L"plain http");
  RegisterCommand(HKEY_CURRENT_USER, L"Chosen", L"chosen");
  RegisterCommand(HKEY_CURRENT_USER, L"HtmlFile", L"html file");
  RegisterCommand(HKEY_LOCAL_MACHINE, L"http", L"machine http");
  Write(HKEY_CURRENT_USER, L"Software\\Classes\\.htm", nullptr, L"HtmlFile");
  // At machine level the machine's extension names the class.
  RegisterCommand(HKEY_LOCAL_MACHINE, L"MachineHtml", L"machine html");
  Write(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.htm", nullptr,
        L"MachineHtml");
  std::wstring command;
  EXPECT_TRUE(GetRegisteredOpenCommand(L"http", false, &command));
  EXPECT_EQ(L"plain http", command);
  EXPECT_TRUE(GetRegisteredOpenCommand(L".htm", false, &command));
  EXPECT_EQ(L"html file", command);
  for (bool machine_level : {false, true}) {
    for (const wchar_t* name : {L".xht", L".xhtml", L"", L"\\"})
      EXPECT_FALSE(GetRegisteredOpenCommand(name, machine_level, &command))
          << name << " " << command;
  }
  Write(HKEY_CURRENT_USER, kHttpChoice, L"Hash", L"x");
  EXPECT_TRUE(GetRegisteredOpenCommand(L"http", false, &command));
  EXPECT_EQ(L"plain http", command);
  Write(HKEY_CURRENT_USER, kHttpChoice, L"ProgId", L"Chosen");
  EXPECT_TRUE(GetRegisteredOpenCommand(L"http", false, &command));
  EXPECT_EQ(L"chosen", command);
  EXPECT_TRUE(GetRegisteredOpenCommand(L"http", true, &command));
  EXPECT_EQ(L"machine http", command);
  EXPECT_TRUE(GetRegisteredOpenCommand(L".htm", true, &command));
  EXPECT_EQ(L"machine html", command);
}

TEST_F(BrowserRegistrationTest, HandlerIsMatchedByExecutablePath) {
  const std::string product = GetExecutableName();
  const std::wstring product_command =
      L"\"" + std::wstring(kFolder) + L"\\" +
      std::wstring(product.begin(), product.end()) + L"\" \"%1\"";
  const struct {
    std::wstring command;
    bool use_product_executable;
    bool expected;
  } kCases[] = {
      {kOurCommand, false, true},
      {kOurCommand, true, false},
      {product_command, true, true},
      // The path must stand whole, not inside a longer one.
      {L"C:\\Program Files\\Velto\\launcher.exe %1", false, true},
      {L"\"C:\\Program Files\\Velto\\launcher.exe.old\" \"%1\"", false, false},
      {L"\"XC:\\Program Files\\Velto\\launcher.exe\" \"%1\"", false, false},
      // A tab ends the path as a blank does.
      {L"C:\\Program Files\\Velto\\launcher.exe\t%1", false, true},
  };
  for (const auto& c : kCases) {
    RegisterCommand(HKEY_CURRENT_USER, L"ftp", c.command);
    EXPECT_EQ(c.expected, registration_.IsDefaultHandlerFor(
                              L"ftp", c.use_product_executable))
        << c.command;
  }
  // Case is ignored for every letter from A to Z.
  installation_.folder_ = base::FilePath(L"C:\\AZ");
  RegisterCommand(HKEY_CURRENT_USER, L"ftp",
                  L"\"c:\\az\\LAUNCHER.EXE\" \"%1\"");
  EXPECT_TRUE(registration_.IsDefaultHandlerFor(L"ftp", false));
  // Only an absolute folder can be the handler: a relative one would match
  // a launcher in any folder of that name.
  RegisterCommand(HKEY_CURRENT_USER, L"ftp", L"Velto\\launcher.exe \"%1\"");
  installation_.folder_ = base::FilePath(L"Velto");
  EXPECT_FALSE(registration_.IsDefaultHandlerFor(L"ftp", false));
}

// A name that is not one key name would write under "Software\Classes"
// itself; a folder that is not absolute would register a launcher wherever
// the current drive or folder happens to be. Both are refused before
// anything is written or shown.
TEST_F(BrowserRegistrationTest, RefusesBadNamesAndFolders) {
  const testing_support::MachineSnapshot before = Snapshot();
  for (const std::wstring& name :
       {std::wstring(), std::wstring(L"\\"), std::wstring(L"ht\\tp"),
        std::wstring(L".htm\\x"), std::wstring(L"http\0x", 6)}) {
    for (bool all_users : {false, true})
      EXPECT_FALSE(registration_.MakeDefaultFor(name, all_users)) << name;
  }
  for (const wchar_t* folder : {L"", L"Velto", L"C:Velto", L"\\Velto"}) {
    installation_.folder_ = base::FilePath(folder);
    for (bool all_users : {false, true}) {
      EXPECT_FALSE(registration_.RegisterAssociations(all_users)) << folder;
      for (const wchar_t* name : {L"http", L".htm"})
        EXPECT_FALSE(registration_.MakeDefaultFor(name, all_users)) << folder;
      EXPECT_FALSE(registration_.MakeStartMenuInternetDefault(all_users))
          << folder;
    }
  }
  EXPECT_TRUE(shell_.calls.empty());
  const testing_support::MachineSnapshot after = Snapshot();
  EXPECT_TRUE(before == after) << DescribeDifferences(before, after);
}

// The class lands under the root asked for (the launcher's command names the
// folder). For the current user an empty "ddeexec" hides the machine's; for
// all users an old "ddeexec" is removed. A row that fails half-way undoes
// every row of the call.
TEST_F(BrowserRegistrationTest, RegisterAssociationsPerRoot) {
  const std::wstring ddeexec =
      std::wstring(kProgId) + L"\\shell\\open\\ddeexec";
  Write(HKEY_LOCAL_MACHINE, ddeexec + L"\\Topic", nullptr, L"old");
  const testing_support::MachineSnapshot before = Snapshot();
  int countdown = 6;  // Only the sixth step fails.
  internal::ScopedOperationFailureHookForTesting fail(
      [&countdown] { return --countdown == 0; });
  EXPECT_FALSE(registration_.RegisterAssociations(/*all_users=*/true));
  const testing_support::MachineSnapshot after = Snapshot();
  EXPECT_TRUE(before == after) << DescribeDifferences(before, after);
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    ASSERT_TRUE(registration_.RegisterAssociations(root == HKEY_LOCAL_MACHINE));
    EXPECT_EQ(
        L"\"C:\\Program Files\\Velto\\Launcher.exe\" -noautoupdate -- \"%1\"",
        Read(root, kProgId + std::wstring(L"\\shell\\open\\command"), nullptr));
    if (root == HKEY_CURRENT_USER) {
      EXPECT_EQ(L"old",
                Read(HKEY_LOCAL_MACHINE, ddeexec + L"\\Topic", nullptr));
      for (const wchar_t* key : {L"", L"\\Application", L"\\Topic"})
        EXPECT_EQ(L"", Read(HKEY_CURRENT_USER, ddeexec + key, nullptr)) << key;
    }
  }
  EXPECT_EQ(L"<no key>", Read(HKEY_LOCAL_MACHINE, ddeexec, nullptr));
}

// Every value the rows write, as Windows reads it back: the class, one
// protocol, one extension and the start menu's client, for the current user
// of Windows 7.
TEST_F(BrowserRegistrationTest, RowsWriteTheirValues) {
  base::win::internal::ScopedWindowsVersionForTesting win7(
      Pinned(base::win::VERSION_WIN7));
  ASSERT_TRUE(registration_.RegisterAssociations(false));
  ASSERT_TRUE(registration_.MakeDefaultFor(L"ftp", false));
  ASSERT_TRUE(registration_.MakeDefaultFor(L".xht", false));
  ASSERT_TRUE(registration_.MakeStartMenuInternetDefault(false));
  const std::wstring kIcon = std::wstring(kFolder) + L"\\Launcher.exe,0";
  const struct {
    const wchar_t* key;  // Below "Software".
    const wchar_t* name;
    std::wstring value;
  } kValues[] = {
      {L"Classes\\Veltodeveloper", L"FriendlyTypeName", L"Velto Web Document"},
      {L"Classes\\Veltodeveloper", L"URL Protocol", L""},
      {L"Classes\\Veltodeveloper\\DefaultIcon", nullptr, kIcon},
      {L"Classes\\ftp", L"URL Protocol", L""},
      {L"Classes\\ftp\\DefaultIcon", nullptr, kIcon},
      {L"Classes\\ftp\\shell\\open\\command", nullptr,
       L"\"C:\\Program Files\\Velto\\launcher.exe\" -noautoupdate -- \"%1\""},
      {L"Classes\\ftp\\shell\\open\\ddeexec", nullptr, L""},
      {L"Classes\\ftp\\shell\\open\\ddeexec\\Application", nullptr, L""},
      {L"Classes\\ftp\\shell\\open\\ddeexec\\Topic", nullptr, L""},
      {L"Classes\\.xht", nullptr, L"Veltodeveloper"},
      {L"Clients\\StartMenuInternet", nullptr, L"Veltodeveloper"},
  };
  for (const auto& v : kValues) {
    EXPECT_EQ(v.value, Read(HKEY_CURRENT_USER,
                            L"Software\\" + std::wstring(v.key), v.name))
        << v.key << " " << (v.name ? v.name : L"(default)");
  }
  RegKey ftp;
  DWORD edit_flags = 0;
  ASSERT_EQ(
      ERROR_SUCCESS,
      ftp.Open(HKEY_CURRENT_USER, L"Software\\Classes\\ftp", KEY_QUERY_VALUE));
  ASSERT_EQ(ERROR_SUCCESS, ftp.ReadValueDW(L"EditFlags", &edit_flags));
  EXPECT_EQ(2u, edit_flags);
}

// A registration that fails half-way leaves nothing behind, and no protocol
// is made the default after it.
TEST_F(BrowserRegistrationTest, FailedRegistrationSkipsTheProtocols) {
  const testing_support::MachineSnapshot before = Snapshot();
  int asked = 0;  // Only the first step fails.
  internal::ScopedOperationFailureHookForTesting fail(
      [&asked] { return asked++ == 0; });
  EXPECT_FALSE(registration_.MakeDefaultBrowser(false));
  EXPECT_TRUE(shell_.calls.empty());
  const testing_support::MachineSnapshot after = Snapshot();
  EXPECT_TRUE(before == after) << DescribeDifferences(before, after);
}

TEST_F(BrowserRegistrationTest, SavePreviousDefaultBrowser) {
  const std::wstring key = GetProductRegistryKey();
  const wchar_t kValue[] = L"Previous Default Browser";
  registration_.SavePreviousDefaultBrowser(false);  // Nothing registered.
  RegisterCommand(HKEY_CURRENT_USER, L"http", kOurCommand);
  registration_.SavePreviousDefaultBrowser(false);  // Already ours.
  EXPECT_EQ(L"<no key>", Read(HKEY_CURRENT_USER, key, kValue));
  RegisterCommand(HKEY_CURRENT_USER, L"http", kOtherCommand);
  RegisterCommand(HKEY_LOCAL_MACHINE, L"http", L"machine http");
  registration_.SavePreviousDefaultBrowser(false);
  registration_.SavePreviousDefaultBrowser(true);
  EXPECT_EQ(kOtherCommand, Read(HKEY_CURRENT_USER, key, kValue));
  EXPECT_EQ(L"machine http", Read(HKEY_LOCAL_MACHINE, key, kValue));
}

// The default-programs interface answers for an installation for all
// users; otherwise the user's client counts, or the machine's when the
// user's key names none.
TEST_F(BrowserRegistrationTest, StartMenuInternetDefault) {
  const wchar_t kKey[] = L"Software\\Clients\\StartMenuInternet";
  EXPECT_FALSE(registration_.IsStartMenuInternetDefault());
  Write(HKEY_LOCAL_MACHINE, kKey, nullptr, L"Veltodeveloper");
  Write(HKEY_CURRENT_USER, kKey, L"Other", L"x");
  EXPECT_TRUE(registration_.IsStartMenuInternetDefault());
  Write(HKEY_CURRENT_USER, kKey, nullptr, L"VELTODEVELOPER");
  EXPECT_FALSE(registration_.IsStartMenuInternetDefault());
  EXPECT_TRUE(shell_.calls.empty());
  installation_.all_users = true;
  EXPECT_FALSE(registration_.IsStartMenuInternetDefault());  // Answered no.
  shell_.answer_default = TRUE;
  EXPECT_TRUE(registration_.IsStartMenuInternetDefault());
  EXPECT_EQ(Calls(2, L"query StartmenuInternet 2 1 Velto developer"),
            shell_.calls);
  shell_.result = E_NOTIMPL;
  EXPECT_FALSE(registration_.IsStartMenuInternetDefault());

  installation_.single_profile = true;
  const testing_support::MachineSnapshot before = Snapshot();
  EXPECT_FALSE(registration_.MakeDefaultBrowser(false));
  EXPECT_TRUE(before == Snapshot());  // Never made the default.
}

// Windows XP has no per-user choice: the class decides, nothing asks the
// default-programs interface, and the start menu's client is read from the
// registry even for all users. Vista is the first release whose choice is
// followed and, for the installation's own users, cleared.
TEST_F(BrowserRegistrationTest, PerUserChoiceFromVistaOn) {
  RegisterCommand(HKEY_CURRENT_USER, L"http", L"plain http");
  RegisterCommand(HKEY_CURRENT_USER, L"Chosen", L"chosen");
  Write(HKEY_CURRENT_USER, kHttpChoice, L"ProgId", L"Chosen");
  std::wstring command;
  {
    base::win::internal::ScopedWindowsVersionForTesting xp(
        Pinned(base::win::VERSION_XP));
    EXPECT_TRUE(GetRegisteredOpenCommand(L"http", false, &command));
    EXPECT_EQ(L"plain http", command);
    installation_.all_users = true;
    Write(HKEY_CURRENT_USER, L"Software\\Clients\\StartMenuInternet", nullptr,
          L"Veltodeveloper");
    EXPECT_TRUE(registration_.IsStartMenuInternetDefault());
    EXPECT_TRUE(registration_.MakeDefaultFor(L"http", false));
    EXPECT_EQ(L"Chosen", Read(HKEY_CURRENT_USER, kHttpChoice, L"ProgId"));
    EXPECT_TRUE(shell_.calls.empty());
  }
  base::win::internal::ScopedWindowsVersionForTesting vista(
      Pinned(base::win::VERSION_VISTA));
  EXPECT_TRUE(GetRegisteredOpenCommand(L"http", false, &command));
  EXPECT_EQ(L"chosen", command);
  installation_.all_users = false;
  EXPECT_TRUE(registration_.MakeDefaultFor(L"http", false));
  EXPECT_EQ(L"<none>", Read(HKEY_CURRENT_USER, kHttpChoice, L"ProgId"));
  EXPECT_TRUE(shell_.calls.empty());
}

// From Windows 8 on only the user chooses: nothing is made the default for
// all users, and the start menu's client no longer counts. Below it the
// machine's client is written.
TEST_F(BrowserRegistrationTest, FromWindows8OnlyHttpIsAskedFor) {
  const testing_support::MachineSnapshot before = Snapshot();
  for (base::win::WindowsVersion release :
       {base::win::VERSION_WIN8, base::win::VERSION_WIN8_1,
        base::win::VERSION_WIN10_TH2}) {
    base::win::internal::ScopedWindowsVersionForTesting pinned(Pinned(release));
    EXPECT_FALSE(registration_.MakeStartMenuInternetDefault(true)) << release;
    for (const wchar_t* name : {L"http", L".htm"})
      EXPECT_FALSE(registration_.MakeDefaultFor(name, true)) << name;
  }
  EXPECT_TRUE(shell_.calls.empty());
  const testing_support::MachineSnapshot after = Snapshot();
  EXPECT_TRUE(before == after) << DescribeDifferences(before, after);

  {
    base::win::internal::ScopedWindowsVersionForTesting win8(
        Pinned(base::win::VERSION_WIN8));
    EXPECT_FALSE(registration_.MakeDefaultBrowser(false));  // Not "https".
    EXPECT_EQ(Calls({L"open with http 74", L"notify"}), shell_.calls);
    RegisterCommand(HKEY_CURRENT_USER, L"https", kOurCommand);
    shell_.calls.clear();
    EXPECT_TRUE(registration_.MakeDefaultBrowser(false));
    EXPECT_TRUE(shell_.calls.empty());
  }
  base::win::internal::ScopedWindowsVersionForTesting win7(
      Pinned(base::win::VERSION_WIN7));
  EXPECT_TRUE(registration_.MakeStartMenuInternetDefault(true));
  EXPECT_EQ(L"Veltodeveloper",
            Read(HKEY_LOCAL_MACHINE, L"Software\\Clients\\StartMenuInternet",
                 nullptr));
}

TEST_F(BrowserRegistrationTest, Windows10OpensTheDefaultAppsPage) {
  if (Release() < base::win::VERSION_WIN10) GTEST_SKIP() << "Windows 10 only";
  const testing_support::MachineSnapshot before = Snapshot();
  EXPECT_FALSE(registration_.MakeDefaultFor(L"http", /*all_users=*/true));
  shell_.can_activate = false;
  EXPECT_FALSE(registration_.MakeDefaultFor(L"http", false));
  shell_.can_activate = true;
  shell_.result = E_FAIL;
  EXPECT_FALSE(registration_.MakeDefaultFor(L"http", false));
  EXPECT_EQ(Calls({L"create activator", L"create activator", kSettingsPage}),
            shell_.calls);  // Stops after the first page fails.
  const testing_support::MachineSnapshot after = Snapshot();
  EXPECT_TRUE(before == after) << DescribeDifferences(before, after);

  // The user picks the browser on the pages; only "http" is asked for, and
  // the answer is whether "https" opens it too.
  shell_.result = S_OK;
  shell_.calls.clear();
  shell_.on_activate = [] {
    RegisterCommand(HKEY_CURRENT_USER, L"http", kOurCommand);
  };
  EXPECT_FALSE(registration_.MakeDefaultBrowser(false));
  EXPECT_EQ(Calls({L"create activator", kSettingsPage,
                   std::wstring(kSettingsPage) +
                       L"&target=SystemSettings_DefaultApps_Browser"}),
            shell_.calls);
  EXPECT_EQ(L"Velto Web Document",
            Read(HKEY_CURRENT_USER, kProgId, L"FriendlyTypeName"));
  shell_.calls.clear();
  RegisterCommand(HKEY_CURRENT_USER, L"https", kOurCommand);
  EXPECT_TRUE(registration_.MakeDefaultBrowser(false));
  EXPECT_TRUE(shell_.calls.empty());  // Already the handler: nothing shown.
}

TEST_F(BrowserRegistrationTest, Windows8ShowsOpenWith) {
  if (Release() != base::win::VERSION_WIN8) GTEST_SKIP() << "Windows 8 only";
  Write(HKEY_CURRENT_USER, kHtmChoice, L"Progid", L"Other");
  EXPECT_FALSE(registration_.MakeDefaultFor(L".htm", /*all_users=*/true));
  shell_.result = E_FAIL;
  EXPECT_FALSE(registration_.MakeDefaultFor(L".htm", false));
  EXPECT_EQ(L"<no key>",
            Read(HKEY_CURRENT_USER, L"Software\\Classes\\.htm", nullptr));
  shell_.result = S_OK;
  shell_.calls.clear();
  EXPECT_TRUE(registration_.MakeDefaultFor(L".htm", false));
  EXPECT_EQ(Calls({L"open with .htm 74", L"notify"}), shell_.calls);

  // Already the handler: no dialog, the class row only.
  RegisterCommand(HKEY_CURRENT_USER, L"Other", kOurCommand);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\.htm");
  shell_.calls.clear();
  EXPECT_TRUE(registration_.MakeDefaultFor(L".htm", false));
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(L"Veltodeveloper",
            Read(HKEY_CURRENT_USER, L"Software\\Classes\\.htm", nullptr));
  EXPECT_EQ(L"Other", Read(HKEY_CURRENT_USER, kHtmChoice, L"Progid"));
}

// For the installation's own users the rows clear the per-user choice; for
// the current user of an installation for all users the default-programs
// interface decides and the choice stays.
TEST_F(BrowserRegistrationTest, Windows7WritesRowsOrAsksDefaultPrograms) {
  if (Release() != base::win::VERSION_WIN7) GTEST_SKIP() << "Windows 7 only";
  const std::wstring http = L"Software\\Classes\\http";
  EXPECT_FALSE(registration_.MakeDefaultBrowser(true));  // The machine's.
  EXPECT_EQ(L"Veltodeveloper",
            Read(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.xhtml", nullptr));
  EXPECT_EQ(L"<no key>", Read(HKEY_CURRENT_USER, http, nullptr));

  Write(HKEY_CURRENT_USER, kHttpChoice, L"Progid", L"Other");
  EXPECT_TRUE(registration_.MakeDefaultBrowser(false));
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(L"<none>", Read(HKEY_CURRENT_USER, kHttpChoice, L"Progid"));
  EXPECT_EQ(
      L"Veltodeveloper",
      Read(HKEY_CURRENT_USER, L"Software\\Classes\\.vldownload", nullptr));

  ::RegDeleteTreeW(HKEY_CURRENT_USER, http.c_str());
  Write(HKEY_CURRENT_USER, kHttpChoice, L"Progid", L"Other");
  installation_.all_users = true;
  // For all users the machine's rows go in; Windows is asked only for the
  // current user.
  EXPECT_TRUE(registration_.MakeDefaultFor(L"ftp", true));
  EXPECT_EQ(
      L"\"C:\\Program Files\\Velto\\launcher.exe\" -noautoupdate -- \"%1\"",
      Read(HKEY_LOCAL_MACHINE, L"Software\\Classes\\ftp\\shell\\open\\command",
           nullptr));
  EXPECT_TRUE(registration_.MakeDefaultFor(L".html", false));
  EXPECT_TRUE(registration_.MakeDefaultFor(L"http", false));
  EXPECT_TRUE(registration_.MakeStartMenuInternetDefault(false));
  EXPECT_EQ(Calls({L"set .html 0", L"set http 1", L"set StartmenuInternet 2"}),
            shell_.calls);
  EXPECT_EQ(L"Other", Read(HKEY_CURRENT_USER, kHttpChoice, L"Progid"));
  shell_.result = E_NOTIMPL;
  ::RegDeleteTreeW(HKEY_CURRENT_USER, http.c_str());
  EXPECT_FALSE(registration_.MakeDefaultFor(L"http", false));
  EXPECT_EQ(L"<no key>", Read(HKEY_CURRENT_USER, http, nullptr));
}

}  // namespace
}  // namespace installer
