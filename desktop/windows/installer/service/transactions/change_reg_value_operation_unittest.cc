#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"

namespace installer {
namespace {

using test::KeyExists;

class ChangeRegValueOperationTest : public test::RegistryPlaceTest {
 protected:
  bool Change(Transaction* transaction, const std::wstring& key,
              const wchar_t* name, DWORD type, const void* data, DWORD size) {
    std::unique_ptr<Operation> operation;
    CreateChangeRegValueOperation(root_, key, name, data, type, size, view_,
                                  &operation);
    return transaction->Execute(std::move(operation));
  }

  // The value's type and bytes; type kRegValueTypeNone when it is missing.
  std::pair<DWORD, std::vector<uint8_t>> Read(const std::wstring& key,
                                              const wchar_t* name) {
    base::win::RegKey opened(root_, key.c_str(), KEY_QUERY_VALUE | view_);
    uint8_t data[64];
    DWORD type = 0, size = sizeof(data);
    if (::RegQueryValueExW(opened.Handle(), name, nullptr, &type, data,
                           &size) != ERROR_SUCCESS) {
      return {kRegValueTypeNone, {}};
    }
    return {type, std::vector<uint8_t>(data, data + size)};
  }

  // Sets the value of |base_|, or removes it for kRegValueTypeNone.
  void Write(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    base::win::RegKey opened(root_, base_.c_str(), KEY_SET_VALUE | view_);
    ::RegDeleteValueW(opened.Handle(), name);
    if (type != kRegValueTypeNone) {
      ASSERT_EQ(ERROR_SUCCESS,
                ::RegSetValueExW(opened.Handle(), name, 0, type,
                                 static_cast<const BYTE*>(data), size));
    }
  }
};

// Removing a value under a missing key creates nothing and has nothing to
// undo.
TEST_P(ChangeRegValueOperationTest, DeletingUnderMissingKeyCreatesNothing) {
  const std::wstring key = base_ + L"\\missing\\key";
  Transaction transaction;
  EXPECT_TRUE(Change(&transaction, key, L"v", kRegValueTypeNone, nullptr, 0));
  transaction.Rollback();
  EXPECT_FALSE(KeyExists(root_, base_ + L"\\missing", view_));
}

// The missing chain (a "/" is part of a key name, not a separator) is
// created in the operation's view; a rollback deletes its top-most key with
// the value, and leaves the other view's key of the same path alone.
TEST_P(ChangeRegValueOperationTest, MissingChainIsCreatedAndRolledBack) {
  const std::wstring top = base_ + L"\\a";
  const std::wstring key = top + L"\\b/c\\d";
  const REGSAM other_view = view_ ? 0 : KEY_WOW64_32KEY;
  const bool views_differ = root_ == HKEY_LOCAL_MACHINE;
  if (views_differ)
    test::CreateKey(root_, top, other_view);

  Transaction transaction;
  const DWORD one = 1;
  ASSERT_TRUE(Change(&transaction, key, L"", REG_DWORD, &one, sizeof(one)));
  EXPECT_EQ(REG_DWORD, Read(key, L"").first);
  EXPECT_TRUE(KeyExists(root_, top + L"\\b/c", view_));
  if (views_differ) {
    EXPECT_FALSE(KeyExists(root_, key, other_view));
  }
  transaction.Rollback();
  EXPECT_FALSE(KeyExists(root_, top, view_));
  EXPECT_TRUE(KeyExists(root_, base_, view_));
  if (views_differ) {
    EXPECT_TRUE(KeyExists(root_, top, other_view));
    test::DeleteTree(root_, top, other_view);
  }
}

// A rollback puts back the old type and bytes or removes a new value; a
// commit keeps the change.
TEST_P(ChangeRegValueOperationTest, RollbackRestoresTheOldValue) {
  const DWORD number = 7;
  const wchar_t text[] = L"new";
  const struct {
    DWORD old_type;
    const void* old_data;
    DWORD old_size;
    DWORD new_type;
    const void* new_data;
    DWORD new_size;
  } kCases[] = {
      {kRegValueTypeNone, nullptr, 0, REG_SZ, text, sizeof(text)},
      {REG_DWORD, &number, sizeof(number), REG_SZ, text, sizeof(text)},
      {REG_BINARY, nullptr, 0, kRegValueTypeNone, nullptr, 0},
      {REG_SZ, text, sizeof(text), REG_BINARY, nullptr, 0},
  };
  for (bool commit : {false, true}) {
    for (const auto& test : kCases) {
      Write(L"v", test.old_type, test.old_data, test.old_size);
      const auto before = Read(base_, L"v");
      {
        Transaction transaction;
        ASSERT_TRUE(Change(&transaction, base_, L"v", test.new_type,
                           test.new_data, test.new_size));
        EXPECT_EQ(test.new_type, Read(base_, L"v").first);
        if (!commit)
          transaction.Rollback();
      }
      EXPECT_EQ(commit ? test.new_type : before.first, Read(base_, L"v").first);
      if (!commit) {
        EXPECT_EQ(before.second, Read(base_, L"v").second);
      }
    }
  }
}

// A rollback writes into the key found by its path at that time: a later
// deletion of the tree, rolled back before it, has built the key anew. A
// key gone for good is named in the log.
TEST_P(ChangeRegValueOperationTest, RollbackReopensTheKeyByPath) {
  const std::wstring tree = base_ + L"\\Tree", key = tree + L"\\Sub";
  test::CreateKey(root_, key, view_);
  const wchar_t old_text[] = L"b", new_text[] = L"CHANGED";
  for (bool deleted_for_good : {false, true}) {
    ASSERT_EQ(ERROR_SUCCESS, base::win::RegKey(root_, key.c_str(),
                                               KEY_SET_VALUE | view_)
                                 .WriteValue(L"B", old_text));
    testing_support::LogCapture log;
    Transaction transaction;
    ASSERT_TRUE(Change(&transaction, key, L"B", REG_SZ, new_text,
                       sizeof(new_text)));
    if (deleted_for_good) {
      test::DeleteTree(root_, tree, view_);
    } else {
      std::unique_ptr<Operation> delete_tree;
      CreateDeleteRegKeyOperation(root_, tree, view_, &delete_tree);
      ASSERT_TRUE(transaction.Execute(std::move(delete_tree)));
    }
    transaction.Rollback();
    if (deleted_for_good) {
      EXPECT_TRUE(log.Contains(std::string(key.begin(), key.end()) + ": " +
                               logging::SystemErrorCodeToString(
                                   ERROR_FILE_NOT_FOUND)))
          << log.Text();
    } else {
      EXPECT_EQ(std::vector<uint8_t>(
                    reinterpret_cast<const uint8_t*>(old_text),
                    reinterpret_cast<const uint8_t*>(old_text + 2)),
                Read(key, L"B").second);
    }
  }
}

// A key the user may only read is written through a temporary grant, and
// its access list is back as it was once the transaction commits.
TEST(ChangeRegValueOperationAccessTest, GrantIsUndoneByTheCommit) {
  testing_support::RegistrySandbox sandbox;
  const std::wstring key = sandbox.path() + L"\\locked";
  test::CreateKey(HKEY_CURRENT_USER, key, 0);
  test::SetKeyDacl(HKEY_CURRENT_USER, key, 0, L"D:(A;;KR;;;WD)");
  std::map<std::wstring, test::KeyContents> before, after;
  test::ReadTree(HKEY_CURRENT_USER, key, 0, L"", &before);
  ASSERT_FALSE(base::win::RegKey(HKEY_CURRENT_USER, key.c_str(),
                                 KEY_QUERY_VALUE | KEY_SET_VALUE).Valid());
  {
    Transaction transaction;
    std::unique_ptr<Operation> operation;
    const DWORD one = 1;
    CreateChangeRegValueOperation(HKEY_CURRENT_USER, key, L"v", &one,
                                  REG_DWORD, sizeof(one), 0, &operation);
    ASSERT_TRUE(transaction.Execute(std::move(operation)));
  }
  test::ReadTree(HKEY_CURRENT_USER, key, 0, L"", &after);
  EXPECT_EQ(before[L""].dacl, after[L""].dacl);
  EXPECT_EQ(1u, after[L""].values.count(L"v"));
  // The sandbox can delete it again.
  test::SetKeyDacl(HKEY_CURRENT_USER, key, 0, L"D:(A;;KA;;;WD)");
}

INSTANTIATE_TEST_SUITE_P(Places, ChangeRegValueOperationTest,
                         testing::ValuesIn(test::kRegistryPlaces),
                         test::PrintPlace);

}  // namespace
}  // namespace installer
