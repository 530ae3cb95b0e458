#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include <wchar.h>

#include <sstream>
#include <utility>

#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"
#include "testing/machine_snapshot.h"

namespace installer {
namespace {

constexpr const wchar_t* kKeys[] = {L"", L"\\s1", L"\\s1\\deep/er", L"\\s2"};

// Runs each test once per place, in a fresh sandbox of the predefined keys.
class DeleteRegKeyOperationTest
    : public testing::TestWithParam<test::RegistryPlace> {
 protected:
  // T and three keys below, each with a value, and one subkey whose access
  // list differs from what it would inherit. T denies Everyone deletion, so
  // deleting it takes a grant.
  void BuildTree() {
    // The real machine hive has it; without it there is no 32-bit view.
    test::CreateKey(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node", 0);
    for (const wchar_t* key : kKeys) {
      const std::wstring path = tree_ + key;
      test::CreateKey(root_, path, view_);
      ASSERT_EQ(ERROR_SUCCESS,
                base::win::RegKey(root_, path.c_str(), KEY_SET_VALUE | view_)
                    .WriteValue(L"", path));
    }
    test::SetKeyDacl(root_, tree_ + L"\\s1", view_,
                     L"D:P(A;CI;KA;;;WD)(A;;KR;;;BU)");
    test::SetKeyDacl(root_, tree_, view_, L"D:(D;;SD;;;WD)(A;;KA;;;WD)");
  }

  void TearDown() override {
    if (test::KeyExists(root_, tree_, view_))
      test::SetKeyDacl(root_, tree_, view_, L"D:(A;;KA;;;WD)");
  }

  bool Delete(Transaction* transaction) {
    std::unique_ptr<Operation> operation;
    CreateDeleteRegKeyOperation(root_, tree_, view_, &operation);
    return transaction->Execute(std::move(operation));
  }

  testing_support::MachineSnapshot Snapshot() {
    testing_support::MachineSnapshot snapshot;
    EXPECT_TRUE(snapshot.AddRegistryTree(L"T", root_, tree_, view_))
        << snapshot.error();
    return snapshot;
  }

  const HKEY root_ = GetParam().root;
  const REGSAM view_ = GetParam().view;
  const std::wstring tree_ = L"Software\\VeltoTransactionTest\\T";

 private:
  testing_support::RegistrySandbox sandbox_{/*redirect_predefined=*/true};
  internal::ScopedSecurityInfoFunctionsForTesting security_functions_{
      {&test::GetSecurityByView, &test::SetSecurityByView}};
};

using Descriptors = std::map<std::wstring, std::vector<uint8_t>>;

// The group, access list and label of a key, as the deletion saves them.
std::vector<uint8_t> ReadDescriptor(HKEY root, const std::wstring& path,
                                    REGSAM view) {
  base::win::RegKey key(root, path.c_str(), READ_CONTROL | view);
  const SECURITY_INFORMATION parts = GROUP_SECURITY_INFORMATION |
                                     DACL_SECURITY_INFORMATION |
                                     LABEL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::RegGetKeySecurity(key.Handle(), parts, nullptr, &size);
  std::vector<uint8_t> descriptor(size);
  if (::RegGetKeySecurity(key.Handle(), parts, descriptor.data(), &size) !=
      ERROR_SUCCESS) {
    descriptor.clear();
  }
  return descriptor;
}

// Each descriptor a re-creation hands over, by key path; while
// |g_refuse_saved_security|, a re-creation with a descriptor fails instead.
Descriptors g_created_descriptors;
bool g_refuse_saved_security = false;

LONG WINAPI WatchSavedSecurity(HKEY root, const wchar_t* path, DWORD reserved,
                               wchar_t* key_class, DWORD options, REGSAM access,
                               SECURITY_ATTRIBUTES* attributes, HKEY* key,
                               DWORD* disposition) {
  if (attributes && attributes->lpSecurityDescriptor) {
    if (g_refuse_saved_security) return ERROR_INVALID_SECURITY_DESCR;
    const uint8_t* bytes =
        static_cast<const uint8_t*>(attributes->lpSecurityDescriptor);
    g_created_descriptors[path].assign(
        bytes, bytes + ::GetSecurityDescriptorLength(
                           attributes->lpSecurityDescriptor));
  }
  return ::RegCreateKeyExW(root, path, reserved, key_class, options, access,
                           attributes, key, disposition);
}

// A rollback creates each key of a deleted tree with the descriptor it had
// before the deletion granted access, byte for byte. (Some registries build
// a key from a protected list with default security, so the descriptors are
// checked where they are handed over, and on the key itself only for the top
// key.)
TEST_P(DeleteRegKeyOperationTest, RollbackRestoresEachDescriptor) {
  BuildTree();
  Descriptors before;
  for (const wchar_t* key : kKeys)
    before[tree_ + key] = ReadDescriptor(root_, tree_ + key, view_);
  g_created_descriptors.clear();
  internal::ScopedRegistryKeyFunctionsForTesting functions(
      RegistryKeyFunctions{&::RegDeleteKeyExW, &WatchSavedSecurity});
  Transaction transaction;
  ASSERT_TRUE(Delete(&transaction));
  transaction.Rollback();
  EXPECT_EQ(before, g_created_descriptors);
  EXPECT_EQ(before[tree_], ReadDescriptor(root_, tree_, view_));
}

// A root named alone ("CURRENT_USER", "MACHINE"), opened through its
// handle in the view the object type names; none for any other name.
base::win::RegKey OpenRootByName(const wchar_t* name, SE_OBJECT_TYPE type,
                                 REGSAM access) {
  const std::pair<const wchar_t*, HKEY> kRoots[] = {
      {L"MACHINE", HKEY_LOCAL_MACHINE}, {L"CURRENT_USER", HKEY_CURRENT_USER}};
  base::win::RegKey key;
  if (type != SE_REGISTRY_KEY && type != SE_REGISTRY_WOW64_32KEY) return key;
  const REGSAM view = type == SE_REGISTRY_WOW64_32KEY ? KEY_WOW64_32KEY : 0;
  for (const auto& root : kRoots) {
    if (_wcsicmp(name, root.first) == 0)
      key.Open(root.second, L"", access | view);
  }
  return key;
}

// The security calls as Windows answers them for a root named alone, which
// this registry refuses by name: without them a deletion of a root would
// stop at its first access check here, and what it does to the keys below
// would go unseen.
DWORD WINAPI GetSecurityWithRoots(LPCWSTR name, SE_OBJECT_TYPE type,
                                  SECURITY_INFORMATION information, PSID* owner,
                                  PSID* group, PACL* dacl, PACL* sacl,
                                  PSECURITY_DESCRIPTOR* descriptor) {
  base::win::RegKey root = OpenRootByName(name, type, READ_CONTROL);
  if (!root.Valid()) {
    return test::GetSecurityByView(name, type, information, owner, group, dacl,
                                   sacl, descriptor);
  }
  return ::GetSecurityInfo(root.Handle(), SE_REGISTRY_KEY, information, owner,
                           group, dacl, sacl, descriptor);
}

DWORD WINAPI SetSecurityWithRoots(LPWSTR name, SE_OBJECT_TYPE type,
                                  SECURITY_INFORMATION information, PSID owner,
                                  PSID group, PACL dacl, PACL sacl) {
  base::win::RegKey root = OpenRootByName(name, type, WRITE_DAC | WRITE_OWNER);
  if (!root.Valid()) {
    return test::SetSecurityByView(name, type, information, owner, group, dacl,
                                   sacl);
  }
  return ::SetSecurityInfo(root.Handle(), SE_REGISTRY_KEY, information, owner,
                           group, dacl, sacl);
}

// An empty key path, or one of separators alone, names the root itself:
// the deletion is refused before it changes anything, so the root keeps
// every key and value it had without the help of a rollback.
TEST_P(DeleteRegKeyOperationTest, RefusesToDeleteTheRoot) {
  // The roots must be the sandbox's before anything may try to delete them:
  // the real ones hold the sandbox itself and the system's keys.
  ASSERT_FALSE(test::KeyExists(HKEY_CURRENT_USER, L"Software\\VeltoTest", 0));
  ASSERT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, L"System", 0));
  BuildTree();
  testing_support::MachineSnapshot before;
  ASSERT_TRUE(before.AddRegistryTree(L"root", root_, L"", view_))
      << before.error();
  internal::ScopedSecurityInfoFunctionsForTesting root_security(
      {&GetSecurityWithRoots, &SetSecurityWithRoots});
  for (const wchar_t* path : {L"", L"\\", L"\\\\\\"}) {
    SCOPED_TRACE(testing::Message() << "key path \"" << path << "\"");
    std::unique_ptr<Operation> operation;
    CreateDeleteRegKeyOperation(root_, path, view_, &operation);
    Transaction nested;
    {
      testing_support::LogCapture log;
      EXPECT_FALSE(operation->Execute(&nested));
      EXPECT_EQ(1u, log.Count(logging::LOG_ERROR)) << log.Text();
    }
    testing_support::MachineSnapshot after;
    ASSERT_TRUE(after.AddRegistryTree(L"root", root_, L"", view_))
        << after.error();
    EXPECT_TRUE(before == after) << DescribeDifferences(before, after);
    // A deletion that went ahead is undone: each path starts from the tree.
    operation->Rollback();
  }
}

// The default value of |path|; "<absent>" when it cannot be read.
std::wstring DefaultValue(HKEY root, const std::wstring& path, REGSAM view) {
  std::wstring value;
  if (base::win::RegKey(root, path.c_str(), KEY_QUERY_VALUE | view)
          .ReadValue(L"", &value) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  return value;
}

// A key that refuses us even the reading of its values is deleted after a
// grant; a rollback brings back each key with its values, except that a key
// made again meanwhile keeps the values it has now.
TEST_P(DeleteRegKeyOperationTest, RollbackKeepsKeysMadeAgain) {
  BuildTree();
  test::SetKeyDacl(root_, tree_, view_, L"D:(D;;0x10001;;;WD)(A;CI;KA;;;WD)");
  Transaction transaction;
  ASSERT_TRUE(Delete(&transaction));
  EXPECT_FALSE(test::KeyExists(root_, tree_ + L"\\s1", view_));
  ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey(root_, (tree_ + L"\\s2").c_str(),
                                             KEY_SET_VALUE | view_)
                               .WriteValue(L"", L"new"));
  transaction.Rollback();
  // Readable again, below it too, to look at what came back.
  test::SetKeyDacl(root_, tree_, view_, L"D:(A;CI;KA;;;WD)");
  EXPECT_EQ(L"new", DefaultValue(root_, tree_ + L"\\s2", view_));
  EXPECT_EQ(tree_ + L"\\s1", DefaultValue(root_, tree_ + L"\\s1", view_));
}

INSTANTIATE_TEST_SUITE_P(Places, DeleteRegKeyOperationTest,
                         testing::ValuesIn(test::kRegistryPlaces),
                         [](const auto& info) { return info.param.name; });

LONG WINAPI RefuseToDeleteS2(HKEY root, const wchar_t* path, REGSAM view,
                             DWORD reserved) {
  const std::wstring text(path);
  if (text.size() >= 3 && text.compare(text.size() - 3, 3, L"\\s2") == 0)
    return ERROR_ACCESS_DENIED;
  return ::RegDeleteKeyExW(root, path, view, reserved);
}

// A subkey that cannot be deleted fails the operation instead of being
// enumerated forever; the keys deleted before it come back with their
// values even when their saved descriptor is refused, and the top key,
// never deleted, gets back the access list it had before its grant.
TEST_P(DeleteRegKeyOperationTest, UndeletableSubkeyFailsAndRestores) {
  BuildTree();
  const testing_support::MachineSnapshot before = Snapshot();
  internal::ScopedRegistryKeyFunctionsForTesting functions(
      RegistryKeyFunctions{&RefuseToDeleteS2, &WatchSavedSecurity});
  g_refuse_saved_security = true;
  testing_support::LogCapture log;
  Transaction transaction;
  EXPECT_FALSE(Delete(&transaction));
  g_refuse_saved_security = false;
  EXPECT_TRUE(log.Contains("Failed to delete key")) << log.Text();
  EXPECT_TRUE(log.Contains("with default security")) << log.Text();
  // s1 and the key below it may differ in their security alone.
  const std::string differences = DescribeDifferences(before, Snapshot());
  std::istringstream lines(differences);
  for (std::string line; std::getline(lines, line);) {
    // Lines of four spaces say what a changed entry became.
    const bool s1_security = line.rfind("~ T\\s1: key ", 0) == 0 ||
                             line.rfind("~ T\\s1\\deep/er: key ", 0) == 0;
    EXPECT_TRUE(s1_security || line.rfind("    ", 0) == 0) << differences;
  }
}

}  // namespace
}  // namespace installer
