#include "desktop/windows/installer/service/reg_op.h"

#include <map>
#include <vector>

#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/service/install_log_registry.h"
#include "desktop/windows/installer/service/reg_op_tables.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/registry_sandbox.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using base::win::VERSION_VISTA;
using base::win::VERSION_XP;

constexpr wchar_t kUninstall[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velto developer";

// Resolves the names of the tables, answers any other name with the name
// itself, and records the values written under one root.
class TestResolver : public PlaceholderResolver {
 public:
  explicit TestResolver(HKEY recorded_root = HKEY_CURRENT_USER)
      : recorded_root_(recorded_root) {}

  std::wstring Resolve(const std::wstring& name) override {
    const std::map<std::wstring, std::wstring> kNames = {
        {L"Product", L"Velto"},
        {L"Stream", L"developer"},
        {L"InstallFolder", L"C:\\Velto {x}"},
        {L"CompanyRegistryKey", L"Software\\Velto Company"},
        {L"Uninstall", kUninstall},
        {L"Version", L"45.0.2522.0"},
        {L"Company", L"Velto Software"},
        {L"CompanyURL", L"https://www.example.com/"},
        {L"HelpURL", L"https://help.example.com/?p="},
        {L"DownloadsURL", L"https://www.example.com/download/"},
    };
    auto found = kNames.find(name);
    if (found != kNames.end()) return found->second;
    unknown.push_back(name);
    return name;
  }
  InstallLogRegistry* GetInstallLogRegistryForRoot(HKEY root) override {
    return root == recorded_root_ ? &registry : nullptr;
  }

  InstallLogRegistry registry;
  std::vector<std::wstring> unknown;  // Names asked for and not resolved.

 private:
  const HKEY recorded_root_;
};

// A row that applies everywhere.
RegOpRecord Row(int32_t type, RegOpData data, const wchar_t* name = L"v") {
  return {L"Software\\{Product}", name, type, data, VERSION_XP,
          RegOpRoot::kAnyRoot,    0,    0,    0};
}

TEST(RegOpTest, ExpandPlaceholders) {
  const struct {
    const wchar_t* text;
    const wchar_t* expanded;
  } kCases[] = {
      {nullptr, L""},
      {L"{Product} {Stream}", L"Velto developer"},
      {L"{Unknown}{}", L"Unknown"},
      // Unclosed and lone braces stay; text around them is still expanded.
      {L"{Product}{Stream", L"Velto{Stream"},
      {L"}{Product}}", L"}Velto}"},
      // The name runs from the first "{" to the first "}" after it.
      {L"{a{Product}", L"a{Product"},
      // Resolved text is not searched again: a folder keeps its braces.
      {L"{InstallFolder}\\{Product}", L"C:\\Velto {x}\\Velto"},
  };
  TestResolver resolver;
  const RegOp reg_op(Row(REG_SZ, nullptr), &resolver);
  for (const auto& test : kCases) {
    EXPECT_EQ(test.expanded, reg_op.ExpandPlaceholders(test.text))
        << (test.text ? test.text : L"(null)");
  }
}

// Windows release, root and channel decide whether a row applies; a row
// that does not is skipped with success and records nothing.
TEST(RegOpTest, FiltersDecideWhetherARowApplies) {
  const struct {
    base::win::WindowsVersion min_version;
    RegOpRoot root_filter;
    int32_t min_channel;
    base::win::WindowsVersion running;
    HKEY root;
    bool applies;
  } kCases[] = {
      // clang-format off
      {VERSION_VISTA, RegOpRoot::kAnyRoot, 0, VERSION_XP, HKEY_CURRENT_USER, false},
      {VERSION_VISTA, RegOpRoot::kAnyRoot, 0, VERSION_VISTA, HKEY_CURRENT_USER, true},
      {VERSION_XP, RegOpRoot::kLocalMachine, 0, VERSION_XP, HKEY_CURRENT_USER, false},
      {VERSION_XP, RegOpRoot::kCurrentUser, 2, VERSION_XP, HKEY_CURRENT_USER, true},
      {VERSION_XP, RegOpRoot::kAnyRoot, 3, VERSION_XP, HKEY_CURRENT_USER, false},
      // clang-format on
  };
  for (int32_t type : {REG_SZ, kRegOpDeleteKey}) {
    for (const auto& test : kCases) {
      base::win::WindowsVersionInfo running;
      running.version = test.running;
      base::win::internal::ScopedWindowsVersionForTesting version(running);
      TestResolver resolver;
      RegOpRecord record = Row(type, L"x");
      record.min_windows_version = test.min_version;
      record.root_filter = test.root_filter;
      record.min_channel = test.min_channel;
      std::unique_ptr<Operation> operation;
      EXPECT_TRUE(
          RegOp(record, &resolver).CreateOperation(test.root, &operation));
      EXPECT_EQ(test.applies, operation != nullptr)
          << "type " << type << " version " << test.min_version << " channel "
          << test.min_channel;
      EXPECT_EQ(test.applies && type == REG_SZ &&
                    test.root == HKEY_CURRENT_USER,
                !resolver.registry.empty());
    }
  }
}

// The out pointer is emptied even when the row is refused.
TEST(RegOpTest, InvalidTypeFailsAndLeavesNoOperation) {
  for (int32_t type : {REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD, -3}) {
    TestResolver resolver;
    std::unique_ptr<Operation> operation;
    CreateDeleteRegKeyOperation(HKEY_CURRENT_USER, L"x", 0, &operation);
    EXPECT_FALSE(RegOp(Row(type, 0), &resolver)
                     .CreateOperation(HKEY_CURRENT_USER, &operation));
    EXPECT_FALSE(operation) << type;
    EXPECT_TRUE(resolver.registry.empty());
  }
}

TEST(RegOpDeathTest, DwordAbove32BitsStops) {
  TestResolver resolver;
  std::unique_ptr<Operation> operation;
  EXPECT_DEATH(RegOp(Row(REG_DWORD, 0x100000000ull), &resolver)
                   .CreateOperation(HKEY_CURRENT_USER, &operation),
               "REG_DWORD row under .* holds 4294967296");
}

using Value = std::pair<DWORD, std::vector<uint8_t>>;

// The type and bytes of a machine value; type 0 and no bytes when it is
// missing.
Value Read(const std::wstring& key, const wchar_t* name, REGSAM view) {
  base::win::RegKey opened(HKEY_LOCAL_MACHINE, key.c_str(),
                           KEY_QUERY_VALUE | view);
  uint8_t data[256];
  DWORD type = 0, size = sizeof(data);
  if (!opened.Valid() ||
      ::RegQueryValueExW(opened.Handle(), name, nullptr, &type, data, &size)) {
    return {0, {}};
  }
  return {type, std::vector<uint8_t>(data, data + size)};
}

// "<key>: <name>: <clean mode> <type> <data>" for every recorded value.
std::vector<std::string> Recorded(const InstallLogRegistry& registry) {
  std::vector<std::string> lines;
  for (const InstallLogKey& key : registry) {
    for (const InstallLogValue& value : key.values) {
      lines.push_back(key.key_path + ": " + value.name + ": " +
                      std::to_string(key.clean_mode) + " " + value.type_name +
                      " " + value.data);
    }
  }
  return lines;
}

std::vector<uint8_t> Wide(const std::wstring& text) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
  return std::vector<uint8_t>(bytes, bytes + (text.size() + 1) * 2);
}

// Rows of every kind through a transaction write what they say and are
// recorded with their data as they are created; deletions are not recorded.
// (The main table's test checks views and roots, the transactions' tests
// the rollback.)
TEST(RegOpTransactionTest, AppliesAndRecordsEveryKindOfRow) {
  testing_support::RegistrySandbox sandbox(/*redirect_predefined=*/true);
  internal::ScopedSecurityInfoFunctionsForTesting security_functions(
      {&test::GetSecurityByView, &test::SetSecurityByView});
  // The real machine hive has it; without it there is no 32-bit view.
  test::CreateKey(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node", 0);

  // Each row with the value it writes, or deletes when |seeded| (made
  // before), what the install log says of it ("<clean mode> <type> <data>")
  // and the view the value is read in.
  // clang-format off
  const struct {
    RegOpRecord row;
    const wchar_t* key;
    const wchar_t* name;
    Value written;
    bool seeded;
    const char* recorded;
    REGSAM view = 0;
  } kRows[] = {
      {{L"Software\\{Product}", L"Text", REG_SZ, L"{InstallFolder}\\Launcher.exe", VERSION_XP, RegOpRoot::kAnyRoot, 0, 1, 0},
       L"Software\\Velto", L"Text", {REG_SZ, Wide(L"C:\\Velto {x}\\Launcher.exe")}, false, "1 REG_SZ C:\\Velto {x}\\Launcher.exe"},
      {Row(REG_SZ, L"", L"Empty"), L"Software\\Velto", L"Empty", {REG_SZ, {}}, false, "1 REG_SZ "},
      {Row(REG_EXPAND_SZ, L"%TEMP%", nullptr), L"Software\\Velto", L"", {REG_EXPAND_SZ, Wide(L"%TEMP%")}, false, "1 REG_EXPAND_SZ %TEMP%"},
      {Row(REG_BINARY, "ab", L"Bytes"), L"Software\\Velto", L"Bytes", {REG_BINARY, {'a', 'b'}}, false, "1 REG_BINARY 61,62"},
      {Row(REG_DWORD, 32, L"Number"), L"Software\\Velto", L"Number", {REG_DWORD, {32, 0, 0, 0}}, false, "1 REG_DWORD 00000020"},
      {Row(REG_DWORD, 0xFFFFFFFFu, L"Largest"), L"Software\\Velto", L"Largest", {REG_DWORD, {255, 255, 255, 255}}, false, "1 REG_DWORD ffffffff"},
      {Row(kRegOpDeleteValue, nullptr, L"Stale"), L"Software\\Velto", L"Stale", {}, true, nullptr},
      {{L"Software\\{Product}\\Old", nullptr, kRegOpDeleteKey, nullptr, VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, 0},
       L"Software\\Velto\\Old", L"Kept", {}, true, nullptr},
      {kSetLastInstallPathRegOp[0], L"Software\\Velto Company", L"Last developer Install Path", {REG_SZ, Wide(L"C:\\Velto {x}\\")}, false, "0 REG_SZ C:\\Velto {x}\\"},
      {kSetLastInstallPathRegOp[1], L"Software\\Velto Company", L"Last developer Install Path x64", {}, true, nullptr},
      {kSystemComponentRegOp, kUninstall, L"SystemComponent", {REG_DWORD, {1, 0, 0, 0}}, false, "1 REG_DWORD 00000001", KEY_WOW64_32KEY},
      {{L"{Uninstall}\\Old", nullptr, kRegOpDeleteKey, nullptr, VERSION_XP, RegOpRoot::kAnyRoot, 0, 0, KEY_WOW64_32KEY},
       L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velto developer\\Old", L"Kept", {}, true, nullptr, KEY_WOW64_32KEY},
  };
  // clang-format on
  std::vector<std::string> recorded;
  for (const auto& row : kRows) {
    if (row.seeded) {
      ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey(HKEY_LOCAL_MACHINE, row.key,
                                                 KEY_SET_VALUE | row.view)
                                   .WriteValue(row.name, L"seed"));
    }
    if (row.recorded) {
      recorded.push_back(base::WideToUTF8(row.key) + ": " +
                         base::WideToUTF8(row.name) + ": " + row.recorded);
    }
  }

  TestResolver resolver(HKEY_LOCAL_MACHINE);
  Transaction transaction;
  for (const auto& row : kRows) {
    std::unique_ptr<Operation> operation;
    ASSERT_TRUE(RegOp(row.row, &resolver)
                    .CreateOperation(HKEY_LOCAL_MACHINE, &operation) &&
                transaction.Execute(std::move(operation)))
        << row.name;
    EXPECT_EQ(row.written, Read(row.key, row.name, row.view)) << row.name;
  }
  EXPECT_EQ(recorded, Recorded(resolver.registry));
}

// The main table through a transaction under each root: every row that
// applies goes through with no placeholder unknown. The per-user "ddeexec"
// rows leave the machine's alone; for the machine an old one goes. The
// uninstall entry lives in the 32-bit view alone.
TEST(RegOpTransactionTest, MainTableUnderEachRoot) {
  testing_support::RegistrySandbox sandbox(/*redirect_predefined=*/true);
  internal::ScopedSecurityInfoFunctionsForTesting security_functions(
      {&test::GetSecurityByView, &test::SetSecurityByView});
  // The real hives have them.
  test::CreateKey(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node", 0);
  test::CreateKey(HKEY_CURRENT_USER, L"Software", 0);
  base::win::WindowsVersionInfo running;
  running.version = VERSION_VISTA;
  base::win::internal::ScopedWindowsVersionForTesting version(running);
  const std::wstring kDdeexec =
      L"Software\\Classes\\Veltodeveloper\\shell\\open\\ddeexec";
  test::CreateKey(HKEY_LOCAL_MACHINE, kDdeexec + L"\\Topic", 0);

  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    SCOPED_TRACE(root == HKEY_CURRENT_USER ? "HKCU" : "HKLM");
    TestResolver resolver(root);
    Transaction transaction;
    for (const RegOpRecord& row : kMainRegOps) {
      std::unique_ptr<Operation> operation;
      ASSERT_TRUE(RegOp(row, &resolver).CreateOperation(root, &operation));
      EXPECT_TRUE(!operation || transaction.Execute(std::move(operation)))
          << row.key;
    }
    EXPECT_EQ(std::vector<std::wstring>(), resolver.unknown);
    EXPECT_EQ(root == HKEY_CURRENT_USER,
              test::KeyExists(HKEY_LOCAL_MACHINE, kDdeexec, 0));
    EXPECT_TRUE(test::KeyExists(root, kUninstall, KEY_WOW64_32KEY));
  }
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kUninstall, 0));

  // What the machine's rows wrote, read back in their view.
  const std::vector<uint8_t> kOne = {1, 0, 0, 0};
  const std::wstring kPersisted =
      L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\"
      L"Compatibility Assistant\\Persisted";
  // clang-format off
  const struct {
    std::wstring key;
    const wchar_t* name;
    Value value;
    REGSAM view;
  } kValues[] = {
      {L"Software\\Classes\\Veltodeveloper", L"FriendlyTypeName", {REG_SZ, Wide(L"Velto Web Document")}, 0},
      {L"Software\\Classes\\.xhtml\\OpenWithProgIDs", L"Veltodeveloper", {REG_NONE, {}}, 0},
      {kPersisted, L"C:\\Velto {x}\\Launcher.exe", {REG_DWORD, {32, 0, 0, 0}}, 0},
      {L"Software\\Clients\\StartMenuInternet\\Veltodeveloper\\Capabilities", L"ApplicationDescription", {REG_SZ, Wide(L"Do more on the web")}, 0},
      {kUninstall, L"DisplayName", {REG_SZ, Wide(L"Velto developer 45.0.2522.0")}, KEY_WOW64_32KEY},
      {kUninstall, L"HelpLink", {REG_SZ, Wide(L"https://help.example.com/?p=")}, KEY_WOW64_32KEY},
      {kUninstall, L"NoModify", {REG_DWORD, kOne}, KEY_WOW64_32KEY},
      {kUninstall, L"NoRepair", {REG_DWORD, kOne}, KEY_WOW64_32KEY},
      {kUninstall, L"Publisher", {REG_SZ, Wide(L"Velto Software")}, KEY_WOW64_32KEY},
      {kUninstall, L"UninstallString", {REG_SZ, Wide(L"\"C:\\Velto {x}\\Launcher.exe\" /uninstall")}, KEY_WOW64_32KEY},
      {kUninstall, L"URLInfoAbout", {REG_SZ, Wide(L"https://www.example.com/")}, KEY_WOW64_32KEY},
      {kUninstall, L"URLUpdateInfo", {REG_SZ, Wide(L"https://www.example.com/download/")}, KEY_WOW64_32KEY},
  };
  // clang-format on
  for (const auto& v : kValues)
    EXPECT_EQ(v.value, Read(v.key, v.name, v.view)) << v.name;
}

}  // namespace
}  // namespace installer
