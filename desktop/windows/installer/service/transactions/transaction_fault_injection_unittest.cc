// Runs a scripted installation (files copied over an existing installation,
// moved and deleted, folder chains, keys and values in both machine views
// and for the user, key trees deleted, access granted; later steps delete or
// move what earlier ones changed) once for every failure point it passes,
// before an operation or part-way through one, with the failure injected
// there, and checks that the rollback leaves the machine exactly as it was.
// Run to its end and committed, the script must leave what the same changes
// made with plain system calls leave.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/machine_snapshot.h"
#include "testing/registry_sandbox.h"
#include "testing/scoped_test_folder.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using base::FilePath;
using testing_support::MachineSnapshot;

// Every key of the script lies below this one, in each hive.
constexpr wchar_t kBaseKey[] = L"Software\\VeltoFault\\";
const std::wstring kBrowser = L"Clients\\VeltoBrowser";
const std::wstring kProgId = L"Classes\\OldProgId";

using Hive = test::RegistryPlace;
const Hive& kUser = test::kRegistryPlaces[0];
const Hive& kMachine64 = test::kRegistryPlaces[1];
const Hive& kMachine32 = test::kRegistryPlaces[2];

// ---- Plain system calls, for the changes the script must leave ----

bool CreateFolderChain(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
    return true;
  const size_t slash = path.rfind(L'\\');
  return slash != std::wstring::npos &&
         CreateFolderChain(path.substr(0, slash)) &&
         ::CreateDirectoryW(path.c_str(), nullptr);
}

void ClearReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

std::wstring Parent(const std::wstring& path) {
  return path.substr(0, path.rfind(L'\\'));
}

// One row of the script: the operation, and the same change made with plain
// system calls. File paths are full, key paths relative to kBaseKey.
struct Step {
  std::string name;  // What it does to which path, for failure messages.
  std::function<void(std::unique_ptr<Operation>*)> make;
  std::function<bool()> apply_plainly;
  // Fails even without an injected failure; the script goes on.
  bool fails = false;
};

// kBaseKey in |hive|, for the plain calls that take no view.
base::win::RegKey Base(const Hive& hive) {
  return base::win::RegKey(hive.root, kBaseKey, KEY_ALL_ACCESS | hive.view);
}

Step Folder(const std::wstring& path) {
  return {"create folder " + base::WideToUTF8(path),
          [=](auto* operation) {
            CreateCreateFolderOperation(FilePath(path), operation);
          },
          [=] { return CreateFolderChain(path); }};
}
// Copies, or with |move| moves, a file.
Step Transfer(bool move, const std::wstring& source,
              const std::wstring& destination) {
  return {
      (move ? "move to " : "copy to ") + base::WideToUTF8(destination),
      [=](auto* operation) {
        (move ? CreateMoveFileOperation : CreateCopyFileOperation)(
            FilePath(source), FilePath(destination), operation);
      },
      [=] {
        // The installer clears the bit on its source for good: a copy
        // takes the source's attributes, a moved file has none.
        ClearReadOnly(source);
        return CreateFolderChain(Parent(destination)) &&
               (move ? ::MoveFileExW(source.c_str(), destination.c_str(),
                                     MOVEFILE_REPLACE_EXISTING)
                     : ::CopyFileW(source.c_str(), destination.c_str(), FALSE));
      }};
}
constexpr bool kCopy = false;
constexpr bool kMove = true;
Step Delete(const std::wstring& path, bool check_in_use = false,
            bool remove_empty_parents = false, bool fails = false) {
  return {"delete file " + base::WideToUTF8(path),
          [=](auto* operation) {
            CreateDeleteFileOperation(FilePath(path), check_in_use,
                                      remove_empty_parents, operation);
          },
          [=] {
            if (fails ||
                ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
              return true;
            }
            ClearReadOnly(path);
            if (!::DeleteFileW(path.c_str())) return false;
            for (std::wstring parent = Parent(path);
                 remove_empty_parents && ::RemoveDirectoryW(parent.c_str());)
              parent = Parent(parent);
            return true;
          },
          fails};
}
// Sets a value; type kRegValueTypeNone deletes it.
Step Value(Hive hive, const std::wstring& path, const std::wstring& name,
           DWORD type, const std::string& data) {
  const std::wstring key = kBaseKey + path;
  return {"set value " + base::WideToUTF8(path + L" \"" + name + L"\""),
          [=](auto* operation) {
            CreateChangeRegValueOperation(hive.root, key, name, data.data(),
                                          type, static_cast<DWORD>(data.size()),
                                          hive.view, operation);
          },
          [=] {
            const LONG result =
                type == kRegValueTypeNone
                    ? ::RegDeleteKeyValueW(Base(hive).Handle(), path.c_str(),
                                           name.c_str())
                    : ::RegSetKeyValueW(Base(hive).Handle(), path.c_str(),
                                        name.c_str(), type, data.data(),
                                        static_cast<DWORD>(data.size()));
            return result == ERROR_SUCCESS || type == kRegValueTypeNone;
          }};
}
// The bytes of a string value, with the terminating NUL.
Step String(Hive hive, const std::wstring& key, const std::wstring& name,
            const std::wstring& text) {
  return Value(hive, key, name, REG_SZ,
               std::string(reinterpret_cast<const char*>(text.c_str()),
                           (text.size() + 1) * sizeof(wchar_t)));
}
Step DeleteKey(Hive hive, const std::wstring& path) {
  const std::wstring key = kBaseKey + path;
  return {"delete key " + base::WideToUTF8(path),
          [=](auto* operation) {
            CreateDeleteRegKeyOperation(hive.root, key, hive.view, operation);
          },
          [=] {
            const LONG result =
                ::RegDeleteTreeW(Base(hive).Handle(), path.c_str());
            return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
          }};
}
std::string Dword(DWORD number) {
  return std::string(reinterpret_cast<const char*>(&number), 4);
}

// Later steps delete or move what earlier ones changed: each rollback must
// find its key or file where the later rollbacks put it back. |folder| ends
// in a backslash.
std::vector<Step> Script(const std::wstring& folder) {
  const std::wstring package = folder + L"package\\";
  const std::wstring install = folder + L"install\\";
  const std::wstring app = install + L"app\\";
  const DWORD kDelete = kRegValueTypeNone;
  return {
      Folder(app + L"plugins\\media\\codecs"),
      Transfer(kCopy, package + L"app\\velto.exe", app + L"velto.exe"),
      Transfer(kCopy, package + L"app\\velto.exe", app + L"velto_proxy.exe"),
      Transfer(kCopy, package + L"app\\readonly.dat", app + L"readonly.dat"),
      Transfer(kCopy, package + L"app\\extras\\tool.dat",
               app + L"extras\\x\\y\\tool.dat"),
      Transfer(kMove, app + L"extras", install + L"extras"),
      Transfer(kCopy, package + L"app\\velto.dll", app + L"velto.dll"),
      Transfer(kMove, app + L"velto.dll", app + L"velto_old.dll"),
      Transfer(kMove, package + L"moved\\m1.bin", app + L"m1.bin"),
      Delete(app + L"m1.bin"),
      Transfer(kMove, package + L"moved\\m2.bin", app + L"m2.bin"),
      Transfer(kCopy, package + L"config.json", install + L"new\\config.json"),
      Delete(install + L"new\\config.json"),
      Delete(app + L"running.exe", /*check_in_use=*/true,
             /*remove_empty_parents=*/false, /*fails=*/true),
      Delete(app + L"uninstall.exe", /*check_in_use=*/true),
      Delete(app + L"obsolete\\a.txt"),
      Delete(app + L"obsolete\\b.txt", false, /*remove_empty_parents=*/true),
      Delete(app + L"never_there.txt"),

      String(kMachine64, L"Settings", L"Version", L"2.0"),
      Value(kMachine64, L"Settings", L"Obsolete", kDelete, ""),
      Value(kMachine64, L"Settings", L"NeverThere", kDelete, ""),
      Value(kMachine64, L"Missing\\Key", L"Value", kDelete, ""),
      String(kMachine64, kBrowser + L"\\Capabilities", L"ApplicationName",
             L"Velto 2"),
      Value(kMachine64, kBrowser, L"LocalizedString", kDelete, ""),
      DeleteKey(kMachine64, kBrowser),
      DeleteKey(kMachine64, L"Guarded"),
      String(kMachine64, kBrowser, L"", L"Velto 2"),
      String(kMachine64, L"NoCreate\\Child\\Leaf", L"Value", L"granted"),
      // A "/" is part of a key name, not a separator.
      Value(kMachine64, L"Settings\\New/Key\\Leaf", L"Blob", REG_BINARY,
            std::string("\x01\x00\x02\xff", 4)),
      String(kMachine32, L"Legacy\\Sub", L"C", L"CHANGED"),
      String(kMachine32, L"Uninstall", L"DisplayName", L"Velto 2.0"),
      String(kMachine32, L"Uninstall", L"DisplayVersion", L"2.0"),
      Value(kMachine32, L"Uninstall", L"OldValue", kDelete, ""),
      DeleteKey(kMachine32, L"Legacy"),
      String(kMachine32, L"New32\\Sub", L"Path", L"C:\\Velto"),
      // There in the 64-bit view only: made in the 32-bit one.
      String(kMachine32, L"Settings", L"Version", L"2.0 (32-bit)"),
      DeleteKey(kMachine32, L"NeverThere"),
      // Replaces an empty value of another type.
      Value(kUser, L"Prefs", L"Launches", REG_DWORD, Dword(0)),
      String(kUser, L"Locked", L"State", L"new"),
      DeleteKey(kUser, L"Locked"),
      String(kUser, kProgId + L"\\DefaultIcon", L"", L"velto.exe,0"),
      String(kUser, kProgId + L"\\New", L"", L"new"),
      DeleteKey(kUser, kProgId),
      Value(kUser, L"Classes\\.htm\\OpenWithProgids", L"VeltoHTML", REG_NONE,
            ""),
  };
}

// ---- The existing installation the script changes ----

// One sandboxed machine: a test folder holding the package and the
// installation, and the predefined registry roots redirected into a fresh
// sandbox. Only one may exist at a time, as the redirection is process-wide.
class Machine {
 public:
  explicit Machine(bool locked = true)
      : sandbox_(/*redirect_predefined=*/true) {
    Build();
    if (locked) Lock();
  }

  const std::wstring& folder() const { return folder_.path(); }

  // Key lists that deny Everyone, the test process included, KEY_SET_VALUE,
  // KEY_CREATE_SUB_KEY or DELETE and allow all else: the operations must
  // grant the right for their change and put the list back afterwards.
  // Called after a plain run, as the plain calls cannot pass them; a key
  // that the script deleted has nothing to lock.
  void Lock() {
    auto lock = [](HKEY root, const wchar_t* key, const wchar_t* sddl) {
      const std::wstring path = kBaseKey + std::wstring(key);
      if (test::KeyExists(root, path, 0)) test::SetKeyDacl(root, path, 0, sddl);
    };
    lock(HKEY_CURRENT_USER, L"Locked", L"D:(D;;0x2;;;WD)(A;;KA;;;WD)");
    lock(HKEY_LOCAL_MACHINE, L"NoCreate", L"D:(D;;0x4;;;WD)(A;;KA;;;WD)");
    lock(HKEY_LOCAL_MACHINE, L"Guarded", L"D:(D;;SD;;;WD)(A;;KA;;;WD)");
  }

  MachineSnapshot Snapshot() const {
    MachineSnapshot snapshot;
    EXPECT_TRUE(snapshot.AddFolderTree(L"folder", folder()) &&
                snapshot.AddRegistryTree(L"HKLM64", HKEY_LOCAL_MACHINE, L"",
                                         KEY_WOW64_64KEY) &&
                snapshot.AddRegistryTree(L"HKLM32", HKEY_LOCAL_MACHINE, L"",
                                         KEY_WOW64_32KEY) &&
                snapshot.AddRegistryTree(L"HKCU", HKEY_CURRENT_USER, L"", 0))
        << snapshot.error();
    return snapshot;
  }

 private:
  void File(const std::wstring& path, const std::string& tag, size_t size,
            bool read_only = false) {
    std::string contents = tag + ":" + base::WideToUTF8(path);
    while (contents.size() < size) contents += contents;
    const std::wstring full = folder() + L"\\" + path;
    ASSERT_TRUE(CreateFolderChain(Parent(full)));
    ASSERT_TRUE(
        testing_support::WriteFileForTest(full, contents.substr(0, size)));
    if (read_only) {
      ASSERT_TRUE(::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_READONLY));
    }
  }

  void Build() {
    const std::wstring package = L"package\\app\\";
    const std::wstring app = L"install\\app\\";
    File(package + L"velto.exe", "new", 70000);
    File(package + L"velto.dll", "new", 150000);
    File(package + L"extras\\tool.dat", "new", 300);
    File(package + L"readonly.dat", "new", 10, /*read_only=*/true);
    File(L"package\\moved\\m1.bin", "new", 2000, /*read_only=*/true);
    File(L"package\\moved\\m2.bin", "new", 2100);
    File(L"package\\config.json", "new", 50);
    File(app + L"velto.exe", "old", 60000);
    File(app + L"velto.dll", "old", 140000);
    File(app + L"m2.bin", "old", 1000);
    File(app + L"running.exe", "old", 3000);
    File(app + L"uninstall.exe", "old", 3000);
    File(app + L"obsolete\\a.txt", "old", 100);
    File(app + L"obsolete\\b.txt", "old", 100);

    // A running program: renaming it is allowed, writing to it is not.
    running_.Set(
        ::CreateFileW((folder() + L"\\" + app + L"running.exe").c_str(),
                      GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(running_.IsValid());

    // The key that turns on the 32-bit view of the machine hive, as the
    // real one has it.
    test::CreateKey(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node", 0);

    const std::wstring capabilities = kBrowser + L"\\Capabilities";
    const Step kValues[] = {
        String(kMachine64, L"Settings", L"Version", L"1.0"),
        Value(kMachine64, L"Settings", L"Obsolete", REG_BINARY, "obsolete"),
        String(kMachine64, kBrowser, L"", L"Velto"),
        String(kMachine64, kBrowser, L"LocalizedString", L"@velto.exe,-100"),
        String(kMachine64, capabilities, L"ApplicationName", L"old name"),
        String(kMachine64, capabilities, L"ApplicationIcon", L"old icon"),
        String(kMachine64, kBrowser + L"\\shell\\open\\command", L"",
               L"\"velto.exe\""),
        Value(kMachine64, kBrowser + L"\\InstallInfo", L"IconsVisible",
              REG_DWORD, Dword(1)),
        Value(kMachine64, kBrowser + L"\\InstallInfo", L"Empty", REG_BINARY,
              ""),
        String(kMachine64, L"NoCreate", L"Marker", L"x"),
        String(kMachine64, L"Guarded", L"Marker", L"x"),
        String(kMachine64, L"Guarded\\Sub", L"Marker", L"y"),
        // Only in the 64-bit view: the 32-bit chain below it starts higher.
        String(kMachine64, L"New32", L"Marker", L"x"),
        String(kMachine32, L"Uninstall", L"DisplayName", L"Velto 1.0"),
        String(kMachine32, L"Uninstall", L"OldValue", L"old"),
        String(kMachine32, L"Legacy", L"A", L"a"),
        String(kMachine32, L"Legacy\\Sub", L"C", L"c"),
        Value(kMachine32, L"Legacy\\Sub\\Deeper", L"D", REG_MULTI_SZ,
              std::string("o\0n\0e\0\0\0t\0w\0o\0\0\0\0\0", 18)),
        String(kUser, L"Locked", L"State", L"old"),
        Value(kUser, L"Prefs", L"Launches", REG_BINARY, ""),
        String(kUser, kProgId, L"", L"Old document"),
        String(kUser, kProgId + L"\\DefaultIcon", L"", L"old.exe,0"),
    };
    for (const Step& value : kValues)
      ASSERT_TRUE(value.apply_plainly()) << value.name;
  }

  testing_support::RegistrySandbox sandbox_;
  testing_support::ScopedTestFolder folder_;
  // Closed before the folder is removed.
  base::win::ScopedHandle running_;
};

// Runs the script once for each failure point it passes, with the failure
// injected there; a step that succeeds or fails against expectation fails
// the test. The first run injects none, commits, and counts the points.
TEST(TransactionFaultInjectionTest, AnyFailureRollsBackEverything) {
  internal::ScopedSecurityInfoFunctionsForTesting wow32_security(
      {&test::GetSecurityByView, &test::SetSecurityByView});
  MachineSnapshot expected;
  {
    Machine machine(/*locked=*/false);
    for (const Step& step : Script(machine.folder() + L"\\"))
      ASSERT_TRUE(step.apply_plainly()) << step.name;
    machine.Lock();
    expected = machine.Snapshot();
  }

  int points = 0;
  for (int fail_at = 0; fail_at <= points; ++fail_at) {
    SCOPED_TRACE("failure injected at point " + std::to_string(fail_at));
    Machine machine;
    const std::vector<Step> script = Script(machine.folder() + L"\\");
    const MachineSnapshot before = machine.Snapshot();
    // Points passed: before each operation (nested ones included) and
    // inside them.
    int passed = 0;
    bool injected = false;
    internal::ScopedOperationFailureHookForTesting hook([&] {
      injected = ++passed == fail_at;
      return injected;
    });
    std::string stopped_in;  // Empty when the script ran to its end.
    {
      Transaction transaction;  // Commits at the end of the scope.
      for (const Step& step : script) {
        std::unique_ptr<Operation> operation;
        step.make(&operation);
        const bool succeeded = transaction.Execute(std::move(operation));
        if (!injected && succeeded != step.fails) continue;
        stopped_in = step.name;
        EXPECT_TRUE(injected && !succeeded)
            << stopped_in << (succeeded ? " succeeded" : " failed")
            << " unexpectedly";
        transaction.Rollback();
        break;
      }
    }
    const MachineSnapshot after = machine.Snapshot();
    // A run that never reached its point commits, which this shows too.
    if (fail_at > 0) {
      EXPECT_TRUE(before == after) << "stopped in " << stopped_in << "\n"
                                   << DescribeDifferences(before, after);
      continue;
    }
    ASSERT_EQ("", stopped_in);
    points = passed;
    // Nested operations and the points inside operations add to the steps.
    EXPECT_GT(points, static_cast<int>(script.size()));
    EXPECT_TRUE(expected == after) << DescribeDifferences(expected, after);
    // The snapshots see the changes in every tree they hold.
    const std::string changes = DescribeDifferences(before, after);
    for (const char* tree : {"folder\\", "HKLM64\\", "HKLM32\\", "HKCU\\"})
      EXPECT_NE(std::string::npos, changes.find(tree)) << tree;
  }
}

}  // namespace
}  // namespace installer
