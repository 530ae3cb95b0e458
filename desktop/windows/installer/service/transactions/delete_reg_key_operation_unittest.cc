#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"

namespace installer {
namespace {

using Tree = std::map<std::wstring, test::KeyContents>;

class DeleteRegKeyOperationTest : public test::RegistryPlaceTest {
 protected:
  // base\T with values of several kinds on several levels, and one subkey
  // whose access list differs from what it would inherit. T denies
  // Everyone deletion, so deleting it takes a grant.
  void BuildTree() {
    tree_ = base_ + L"\\T";
    const wchar_t* kKeys[] = {L"", L"\\s1", L"\\s1\\deep/er", L"\\s2"};
    for (const wchar_t* key : kKeys) {
      const std::wstring path = tree_ + key;
      test::CreateKey(root_, path, view_);
      base::win::RegKey opened(root_, path.c_str(), KEY_SET_VALUE | view_);
      const DWORD number = 42;
      const uint8_t bytes[] = {0, 1, 2, 0xFF};
      ASSERT_EQ(ERROR_SUCCESS, opened.WriteValue(L"", path));
      ASSERT_EQ(ERROR_SUCCESS,
                ::RegSetValueExW(opened.Handle(), L"n", 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&number),
                                 sizeof(number)));
      ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(opened.Handle(), L"b", 0,
                                                REG_BINARY, bytes,
                                                sizeof(bytes)));
      ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(opened.Handle(), L"empty", 0,
                                                REG_BINARY, nullptr, 0));
    }
    test::SetKeyDacl(root_, tree_ + L"\\s1", view_,
                     L"D:P(A;CI;KA;;;WD)(A;;KR;;;BU)");
    test::SetKeyDacl(root_, tree_, view_, L"D:(D;;SD;;;WD)(A;;KA;;;WD)");
  }

  void TearDown() override {
    if (!tree_.empty() && test::KeyExists(root_, tree_, view_))
      test::SetKeyDacl(root_, tree_, view_, L"D:(A;;KA;;;WD)");
    RegistryPlaceTest::TearDown();
  }

  bool Delete(Transaction* transaction) {
    std::unique_ptr<Operation> operation;
    CreateDeleteRegKeyOperation(root_, tree_, view_, &operation);
    return transaction->Execute(std::move(operation));
  }

  // With |with_dacl| false, the access lists are left out.
  Tree Read(bool with_dacl = true) {
    Tree tree;
    test::ReadTree(root_, tree_, view_, L"", &tree);
    for (auto& key : tree) {
      if (!with_dacl)
        key.second.dacl.clear();
    }
    return tree;
  }

  std::wstring tree_;
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

// Each descriptor a re-creation hands over, by key path.
Descriptors* g_created_descriptors = nullptr;

LONG WINAPI RecordSavedSecurity(HKEY root, const wchar_t* path, DWORD reserved,
                                wchar_t* key_class, DWORD options,
                                REGSAM access, SECURITY_ATTRIBUTES* attributes,
                                HKEY* key, DWORD* disposition) {
  if (attributes && attributes->lpSecurityDescriptor) {
    const uint8_t* bytes =
        static_cast<const uint8_t*>(attributes->lpSecurityDescriptor);
    (*g_created_descriptors)[path].assign(
        bytes,
        bytes + ::GetSecurityDescriptorLength(attributes->lpSecurityDescriptor));
  }
  return ::RegCreateKeyExW(root, path, reserved, key_class, options, access,
                           attributes, key, disposition);
}

// A deleted tree comes back by a rollback with every value, each key
// created with the descriptor it had before the deletion granted access,
// byte for byte; a commit leaves it deleted; a missing key is no failure.
// (Some registries build a key from a protected list with default security,
// so the descriptors are checked where they are handed over, and on the key
// itself only for the top key.)
TEST_P(DeleteRegKeyOperationTest, TreeRoundTrip) {
  BuildTree();
  const Tree before_values = Read(/*with_dacl=*/false);
  ASSERT_EQ(4u, before_values.size());
  Descriptors before, created;
  for (const auto& key : before_values) {
    const std::wstring path = tree_ + key.first;
    before[path] = ReadDescriptor(root_, path, view_);
  }
  g_created_descriptors = &created;
  internal::ScopedRegistryKeyFunctionsForTesting functions(
      RegistryKeyFunctions{&::RegDeleteKeyExW, &RecordSavedSecurity});
  for (bool commit : {false, true}) {
    {
      Transaction transaction;
      ASSERT_TRUE(Delete(&transaction));
      EXPECT_FALSE(test::KeyExists(root_, tree_, view_));
      if (!commit)
        transaction.Rollback();
    }
    if (!commit) {
      EXPECT_EQ(before_values, Read(/*with_dacl=*/false));
      EXPECT_EQ(before, created);
      EXPECT_EQ(before[tree_], ReadDescriptor(root_, tree_, view_));
    }
  }
  EXPECT_FALSE(test::KeyExists(root_, tree_, view_));
  Transaction transaction;
  EXPECT_TRUE(Delete(&transaction));
}

INSTANTIATE_TEST_SUITE_P(Places, DeleteRegKeyOperationTest,
                         testing::ValuesIn(test::kRegistryPlaces),
                         test::PrintPlace);

LONG WINAPI RefuseToDeleteS2(HKEY root, const wchar_t* path, REGSAM view,
                             DWORD reserved) {
  const std::wstring text(path);
  if (text.size() >= 3 && text.compare(text.size() - 3, 3, L"\\s2") == 0)
    return ERROR_ACCESS_DENIED;
  return ::RegDeleteKeyExW(root, path, view, reserved);
}

LONG WINAPI RefuseSavedSecurity(HKEY root, const wchar_t* path, DWORD reserved,
                                wchar_t* key_class, DWORD options,
                                REGSAM access,
                                SECURITY_ATTRIBUTES* attributes,
                                HKEY* key, DWORD* disposition) {
  if (attributes && attributes->lpSecurityDescriptor)
    return ERROR_INVALID_SECURITY_DESCR;
  return ::RegCreateKeyExW(root, path, reserved, key_class, options, access,
                           attributes, key, disposition);
}

// A subkey that cannot be deleted fails the operation instead of being
// enumerated forever; the keys deleted before it come back with their
// values even when their saved descriptor is refused, and the top key,
// never deleted, gets back the access list it had before its grant.
TEST_P(DeleteRegKeyOperationTest, UndeletableSubkeyFailsAndRestores) {
  BuildTree();
  Tree before = Read();
  internal::ScopedRegistryKeyFunctionsForTesting functions(
      RegistryKeyFunctions{&RefuseToDeleteS2, &RefuseSavedSecurity});
  testing_support::LogCapture log;
  Transaction transaction;
  EXPECT_FALSE(Delete(&transaction));
  EXPECT_TRUE(log.Contains("Failed to delete key")) << log.Text();
  EXPECT_TRUE(log.Contains("with default security")) << log.Text();
  Tree after = Read();
  // s1 came back with default security; everything else is untouched.
  before[L"\\s1"].dacl = after[L"\\s1"].dacl;
  before[L"\\s1\\deep/er"].dacl = after[L"\\s1\\deep/er"].dacl;
  EXPECT_EQ(before, after);
}

}  // namespace
}  // namespace installer
