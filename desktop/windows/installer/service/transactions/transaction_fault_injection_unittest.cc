// Runs a scripted installation (files copied over an existing installation,
// moved and deleted, folder chains, keys and values in both machine views
// and for the user, key trees deleted, access granted; later steps delete or
// move what earlier ones changed) once for every failure point it passes,
// before an operation or part-way through one, with the failure injected
// there, and checks that the rollback leaves the machine exactly as it was.
// Run to its end and committed, the script must leave what the same changes
// made with plain system calls leave.

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
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
#include "testing/registry_security_by_view.h"
#include "testing/scoped_test_folder.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using testing_support::MachineSnapshot;

// Every key of the script lies below this one, in each hive.
constexpr wchar_t kBaseKey[] = L"Software\\VeltoFault\\";

// Key lists that deny Everyone, the test process included, KEY_SET_VALUE,
// KEY_CREATE_SUB_KEY or DELETE and allow all else: the operations must grant
// the right for their change and put the list back afterwards.
constexpr wchar_t kDenySetValue[] = L"D:(D;;0x2;;;WD)(A;;KA;;;WD)";
constexpr wchar_t kDenyCreateSubKey[] = L"D:(D;;0x4;;;WD)(A;;KA;;;WD)";
constexpr wchar_t kDenyDelete[] = L"D:(D;;SD;;;WD)(A;;KA;;;WD)";

struct Hive {
  HKEY root;
  REGSAM view;
};
const Hive kMachine64 = {HKEY_LOCAL_MACHINE, 0};
const Hive kMachine32 = {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
const Hive kUser = {HKEY_CURRENT_USER, 0};

enum class Action {
  kCreateFolder,
  kCopy,
  kMove,
  kDeleteFile,
  kSetValue,
  kDeleteKey
};

// One row of the script. File paths are relative to the test folder, key
// paths to kBaseKey.
struct Step {
  Action action;
  std::wstring path;  // Folder, destination, file or key.
  std::wstring source;
  Hive hive = kUser;
  std::wstring value_name;
  DWORD type = 0;
  std::string data;
  bool check_in_use = false;
  bool remove_empty_parents = false;
  // Fails even without an injected failure; the script goes on.
  bool fails = false;
};

Step Folder(std::wstring path) {
  return {Action::kCreateFolder, std::move(path)};
}
Step Copy(std::wstring source, std::wstring destination) {
  return {Action::kCopy, std::move(destination), std::move(source)};
}
Step Move(std::wstring source, std::wstring destination) {
  return {Action::kMove, std::move(destination), std::move(source)};
}
Step Delete(std::wstring path, bool check_in_use = false,
            bool remove_empty_parents = false, bool fails = false) {
  Step step = {Action::kDeleteFile, std::move(path)};
  step.check_in_use = check_in_use;
  step.remove_empty_parents = remove_empty_parents;
  step.fails = fails;
  return step;
}
// Sets a value; type kRegValueTypeNone deletes it.
Step Value(Hive hive, std::wstring key, std::wstring name, DWORD type,
           std::string data) {
  return {Action::kSetValue, std::move(key), L"", hive, std::move(name), type,
          std::move(data)};
}
// The bytes of a string value, with the terminating NUL.
std::string Text(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()),
                     (text.size() + 1) * sizeof(wchar_t));
}
Step String(Hive hive, std::wstring key, std::wstring name,
            const std::wstring& text) {
  return Value(hive, std::move(key), std::move(name), REG_SZ, Text(text));
}
Step DeleteKey(Hive hive, std::wstring key) {
  return {Action::kDeleteKey, std::move(key), L"", hive};
}
std::string Dword(DWORD number) {
  return std::string(reinterpret_cast<const char*>(&number), 4);
}

// Later steps delete or move what earlier ones changed: each rollback must
// find its key or file where the later rollbacks put it back.
std::vector<Step> Script() {
  const std::wstring package = L"package\\app\\";
  const std::wstring app = L"install\\app\\";
  const std::wstring browser = L"Clients\\VeltoBrowser";
  const std::wstring prog_id = L"Classes\\OldProgId";
  const DWORD kDelete = kRegValueTypeNone;
  return {
      Folder(app + L"plugins\\media\\codecs"),
      Copy(package + L"velto.exe", app + L"velto.exe"),
      Copy(package + L"velto.exe", app + L"velto_proxy.exe"),
      Copy(package + L"readonly.dat", app + L"readonly.dat"),
      Copy(package + L"extras\\tool.dat", app + L"extras\\x\\y\\tool.dat"),
      Move(app + L"extras", L"install\\extras"),
      Copy(package + L"velto.dll", app + L"velto.dll"),
      Move(app + L"velto.dll", app + L"velto_old.dll"),
      Move(L"package\\moved\\m1.bin", app + L"m1.bin"),
      Delete(app + L"m1.bin"),
      Move(L"package\\moved\\m2.bin", app + L"m2.bin"),
      Copy(L"package\\config.json", L"install\\new\\config.json"),
      Delete(L"install\\new\\config.json"),
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
      String(kMachine64, browser + L"\\Capabilities", L"ApplicationName",
             L"Velto 2"),
      Value(kMachine64, browser, L"LocalizedString", kDelete, ""),
      DeleteKey(kMachine64, browser),
      DeleteKey(kMachine64, L"Guarded"),
      String(kMachine64, browser, L"", L"Velto 2"),
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
      DeleteKey(kMachine32, L"NeverThere"),
      // Replaces an empty value of another type.
      Value(kUser, L"Prefs", L"Launches", REG_DWORD, Dword(0)),
      String(kUser, L"Locked", L"State", L"new"),
      DeleteKey(kUser, L"Locked"),
      String(kUser, prog_id + L"\\DefaultIcon", L"", L"velto.exe,0"),
      String(kUser, prog_id + L"\\New", L"", L"new"),
      DeleteKey(kUser, prog_id),
      Value(kUser, L"Classes\\.htm\\OpenWithProgids", L"VeltoHTML", REG_NONE,
            ""),
  };
}

std::string Describe(const Step& step) {
  static const char* const kNames[] = {"create folder", "copy to",
                                       "move to",       "delete file",
                                       "set value in",  "delete key"};
  const std::wstring text = step.path + L" \"" + step.value_name + L"\"";
  return kNames[static_cast<int>(step.action)] +
         (" " + std::string(text.begin(), text.end()));
}

std::unique_ptr<Operation> MakeOperation(const Step& step,
                                         const std::wstring& folder) {
  const base::FilePath path(folder + L"\\" + step.path);
  const base::FilePath source(folder + L"\\" + step.source);
  const std::wstring key = kBaseKey + step.path;
  std::unique_ptr<Operation> operation;
  switch (step.action) {
  case Action::kCreateFolder:
    CreateCreateFolderOperation(path, &operation);
    break;
  case Action::kCopy:
    CreateCopyFileOperation(source, path, &operation);
    break;
  case Action::kMove:
    CreateMoveFileOperation(source, path, &operation);
    break;
  case Action::kDeleteFile:
    CreateDeleteFileOperation(path, step.check_in_use,
                              step.remove_empty_parents, &operation);
    break;
  case Action::kSetValue:
    CreateChangeRegValueOperation(
        step.hive.root, key, step.value_name, step.data.data(), step.type,
        static_cast<DWORD>(step.data.size()), step.hive.view, &operation);
    break;
  case Action::kDeleteKey:
    CreateDeleteRegKeyOperation(step.hive.root, key, step.hive.view,
                                &operation);
    break;
  }
  return operation;
}

// ---- The same changes made with plain system calls ----

bool CreateFolderChain(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
    return true;
  const size_t slash = path.rfind(L'\\');
  return slash != std::wstring::npos &&
         CreateFolderChain(path.substr(0, slash)) &&
         ::CreateDirectoryW(path.c_str(), nullptr);
}

void ClearReadOnly(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_READONLY)) {
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

std::wstring Parent(const std::wstring& path) {
  return path.substr(0, path.rfind(L'\\'));
}

bool ApplyPlainly(const Step& step, const std::wstring& folder) {
  const std::wstring path = folder + L"\\" + step.path;
  const std::wstring source = folder + L"\\" + step.source;
  const std::wstring key_path = kBaseKey + step.path;
  if (step.fails) return true;
  switch (step.action) {
  case Action::kCreateFolder:
    return CreateFolderChain(path);
  case Action::kCopy:
    // The installer clears the bit on its source for good.
    ClearReadOnly(source);
    ClearReadOnly(path);
    if (!CreateFolderChain(Parent(path)) ||
        !::CopyFileW(source.c_str(), path.c_str(), FALSE)) {
      return false;
    }
    ClearReadOnly(path);
    return true;
  case Action::kMove:
    // The move clears it too: the moved file has none.
    ClearReadOnly(source);
    return CreateFolderChain(Parent(path)) &&
           ::MoveFileExW(source.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING);
  case Action::kDeleteFile: {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
      return true;
    ClearReadOnly(path);
    if (!::DeleteFileW(path.c_str())) return false;
    if (step.remove_empty_parents) {
      std::wstring parent = Parent(path);
      while (::RemoveDirectoryW(parent.c_str())) parent = Parent(parent);
    }
    return true;
  }
  case Action::kSetValue: {
    base::win::RegKey key;
    const REGSAM access = KEY_SET_VALUE | step.hive.view;
    if (step.type == kRegValueTypeNone) {
      if (key.Open(step.hive.root, key_path.c_str(), access) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key.Handle(), step.value_name.c_str());
      }
      return true;
    }
    return key.Create(step.hive.root, key_path.c_str(), access) ==
               ERROR_SUCCESS &&
           ::RegSetValueExW(key.Handle(), step.value_name.c_str(), 0, step.type,
                            reinterpret_cast<const BYTE*>(step.data.data()),
                            static_cast<DWORD>(step.data.size())) ==
               ERROR_SUCCESS;
  }
  case Action::kDeleteKey: {
    base::win::RegKey key;
    if (key.Open(step.hive.root, key_path.c_str(),
                 KEY_ALL_ACCESS | step.hive.view) != ERROR_SUCCESS) {
      return true;
    }
    ::RegDeleteTreeW(key.Handle(), nullptr);
    key.Close();
    return ::RegDeleteKeyExW(step.hive.root, key_path.c_str(), step.hive.view,
                             0) == ERROR_SUCCESS;
  }
  }
  return false;
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

  // The deny lists that make the script's operations grant access. Called
  // after a plain run, as the plain calls cannot pass them.
  // A key that a script deleted has nothing to lock.
  void Lock() {
    const struct {
      Hive hive;
      const wchar_t* key;
      const wchar_t* sddl;
    } kLocks[] = {{kUser, L"Locked", kDenySetValue},
                  {kMachine64, L"NoCreate", kDenyCreateSubKey},
                  {kMachine64, L"Guarded", kDenyDelete}};
    for (const auto& lock : kLocks) {
      const std::wstring key = kBaseKey + std::wstring(lock.key);
      if (test::KeyExists(lock.hive.root, key, lock.hive.view))
        test::SetKeyDacl(lock.hive.root, key, lock.hive.view, lock.sddl);
    }
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
  void File(const std::wstring& path, const std::string& tag, size_t size) {
    std::string contents = tag + ":" + std::string(path.begin(), path.end());
    while (contents.size() < size) contents += contents;
    const std::wstring full = folder() + L"\\" + path;
    ASSERT_TRUE(CreateFolderChain(Parent(full)));
    ASSERT_TRUE(
        testing_support::WriteFileForTest(full, contents.substr(0, size)));
  }

  void Build() {
    const std::wstring package = L"package\\app\\";
    const std::wstring app = L"install\\app\\";
    File(package + L"velto.exe", "new", 70000);
    File(package + L"velto.dll", "new", 150000);
    File(package + L"extras\\tool.dat", "new", 300);
    File(package + L"readonly.dat", "new", 10);
    File(L"package\\moved\\m1.bin", "new", 2000);
    File(L"package\\moved\\m2.bin", "new", 2100);
    File(L"package\\config.json", "new", 50);
    for (const wchar_t* name : {L"app\\readonly.dat", L"moved\\m1.bin"}) {
      ASSERT_TRUE(::SetFileAttributesW(
          (folder() + L"\\package\\" + name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
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
    base::win::RegKey wow64_node;
    ASSERT_EQ(ERROR_SUCCESS,
              wow64_node.Create(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node",
                                KEY_ALL_ACCESS));

    const std::wstring browser = L"Clients\\VeltoBrowser";
    const std::wstring capabilities = browser + L"\\Capabilities";
    const std::wstring prog_id = L"Classes\\OldProgId";
    const Step kValues[] = {
        String(kMachine64, L"Settings", L"Version", L"1.0"),
        Value(kMachine64, L"Settings", L"Obsolete", REG_BINARY, "obsolete"),
        String(kMachine64, browser, L"", L"Velto"),
        String(kMachine64, browser, L"LocalizedString", L"@velto.exe,-100"),
        String(kMachine64, capabilities, L"ApplicationName", L"old name"),
        String(kMachine64, capabilities, L"ApplicationIcon", L"old icon"),
        String(kMachine64, browser + L"\\shell\\open\\command", L"",
               L"\"velto.exe\""),
        Value(kMachine64, browser + L"\\InstallInfo", L"IconsVisible",
              REG_DWORD, Dword(1)),
        Value(kMachine64, browser + L"\\InstallInfo", L"Empty", REG_BINARY, ""),
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
        String(kUser, prog_id, L"", L"Old document"),
        String(kUser, prog_id + L"\\DefaultIcon", L"", L"old.exe,0"),
    };
    for (const Step& value : kValues)
      ASSERT_TRUE(ApplyPlainly(value, L"")) << Describe(value);
  }

  testing_support::RegistrySandbox sandbox_;
  testing_support::ScopedTestFolder folder_;
  // Closed before the folder is removed.
  base::win::ScopedHandle running_;
};

// ---- Running the script ----

struct RunOutcome {
  // Failure points passed: before each operation (nested ones included)
  // and inside them.
  int points = 0;
  bool injected = false;
  // The step during which the run stopped; empty when it ran to its end.
  std::string stopped_in;
};

// Runs |script| in one transaction. The failure is injected at the
// |fail_at|-th failure point (counted from 1; 0 for none); the run then
// rolls back. Otherwise the transaction commits at the end. A step that
// succeeds or fails against expectation fails the test.
RunOutcome RunScript(const std::vector<Step>& script,
                     const std::wstring& folder, int fail_at) {
  RunOutcome outcome;
  internal::ScopedOperationFailureHookForTesting hook([&] {
    outcome.injected = ++outcome.points == fail_at;
    return outcome.injected;
  });
  Transaction transaction;
  for (const Step& step : script) {
    const bool succeeded = transaction.Execute(MakeOperation(step, folder));
    if (!outcome.injected && succeeded != step.fails) continue;
    outcome.stopped_in = Describe(step);
    EXPECT_TRUE(outcome.injected && !succeeded)
        << outcome.stopped_in << (succeeded ? " succeeded" : " failed")
        << " unexpectedly";
    transaction.Rollback();
    break;
  }
  return outcome;
}

TEST(TransactionFaultInjectionTest, AnyFailureRollsBackEverything) {
  internal::ScopedSecurityInfoFunctionsForTesting wow32_security(
      {&testing_support::GetSecurityByView,
       &testing_support::SetSecurityByView});
  const std::vector<Step> script = Script();

  MachineSnapshot expected;
  {
    Machine machine(/*locked=*/false);
    for (const Step& step : script)
      ASSERT_TRUE(ApplyPlainly(step, machine.folder())) << Describe(step);
    machine.Lock();
    expected = machine.Snapshot();
  }

  int points = 0;
  {
    Machine machine;
    const MachineSnapshot initial = machine.Snapshot();
    RunOutcome outcome = RunScript(script, machine.folder(), 0);
    ASSERT_EQ("", outcome.stopped_in);
    points = outcome.points;
    MachineSnapshot committed = machine.Snapshot();
    EXPECT_FALSE(committed.ContainsPath(L".old"));
    EXPECT_TRUE(expected == committed)
        << DescribeDifferences(expected, committed);
    // The snapshots see the changes in every tree they hold.
    const std::string changes = DescribeDifferences(initial, committed);
    for (const char* tree : {"folder\\", "HKLM64\\", "HKLM32\\", "HKCU\\"})
      EXPECT_NE(std::string::npos, changes.find(tree)) << tree;
  }
  // Nested operations and the points inside operations add to the steps.
  EXPECT_GT(points, static_cast<int>(script.size()));

  for (int fail_at = 1; fail_at <= points; ++fail_at) {
    Machine machine;
    const MachineSnapshot before = machine.Snapshot();
    SCOPED_TRACE("failure injected at point " + std::to_string(fail_at));
    RunOutcome outcome = RunScript(script, machine.folder(), fail_at);
    const std::string where = "stopped in " + outcome.stopped_in;
    EXPECT_TRUE(outcome.injected) << where;
    const MachineSnapshot after = machine.Snapshot();
    EXPECT_TRUE(before == after) << where << "\n"
                                 << DescribeDifferences(before, after);
  }
}

}  // namespace
}  // namespace installer
