#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"

namespace installer {
namespace {

// A rollback that finds the key deleted for good names it in the log. (What
// a rollback puts back, and where, is checked by the fault-injection test.)
TEST(ChangeRegValueOperationTest, RollbackNamesAKeyGoneForGood) {
  testing_support::RegistrySandbox sandbox;
  const std::wstring tree = sandbox.path() + L"\\Tree";
  const std::wstring key = tree + L"\\Sub";
  test::CreateKey(HKEY_CURRENT_USER, key, 0);
  testing_support::LogCapture log;
  Transaction transaction;
  std::unique_ptr<Operation> operation;
  const wchar_t text[] = L"CHANGED";
  CreateChangeRegValueOperation(HKEY_CURRENT_USER, key, L"B", text, REG_SZ,
                                sizeof(text), 0, &operation);
  ASSERT_TRUE(transaction.Execute(std::move(operation)));
  ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteTreeW(HKEY_CURRENT_USER, tree.c_str()));
  transaction.Rollback();
  EXPECT_TRUE(
      log.Contains(std::string(key.begin(), key.end()) + ": " +
                   logging::SystemErrorCodeToString(ERROR_FILE_NOT_FOUND)))
      << log.Text();
}

}  // namespace
}  // namespace installer
