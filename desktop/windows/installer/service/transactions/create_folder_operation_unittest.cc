#include "desktop/windows/installer/service/transactions/create_folder_operation.h"

#include <string>

#include "base/files/file_util.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using base::FilePath;

bool CreateFolder(Transaction* transaction, const std::wstring& path) {
  std::unique_ptr<Operation> operation;
  CreateCreateFolderOperation(FilePath(path), &operation);
  return transaction->Execute(std::move(operation));
}

// A rollback removes the created chain deepest first and stops at a folder
// that has received a file meanwhile.
TEST(CreateFolderOperationTest, RollbackKeepsFoldersWithFiles) {
  testing_support::ScopedTestFolder folder;
  const std::wstring top = folder.path() + L"\\a";
  Transaction transaction;
  ASSERT_TRUE(CreateFolder(&transaction, top + L"\\b\\c"));
  ASSERT_TRUE(testing_support::WriteFileForTest(top + L"\\b\\f.txt", "x"));
  transaction.Rollback();
  EXPECT_FALSE(base::PathExists(FilePath(top + L"\\b\\c")));
  EXPECT_TRUE(base::PathExists(FilePath(top + L"\\b\\f.txt")));
}

// A creation that fails removes what it made on the way; one without any
// existing ancestor fails at once.
TEST(CreateFolderOperationTest, FailuresLeaveNothingBehind) {
  testing_support::ScopedTestFolder folder;
  wchar_t missing_drive[] = L"A:\\velto\\folder";
  const DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'Z'; letter >= L'D'; --letter) {
    if (!(drives & (1u << (letter - L'A'))))
      missing_drive[0] = letter;
  }
  for (const std::wstring& path :
       {folder.path() + L"\\a\\b\\bad<name", std::wstring(missing_drive)}) {
    testing_support::LogCapture log;
    Transaction transaction;
    EXPECT_FALSE(CreateFolder(&transaction, path)) << path;
    EXPECT_TRUE(log.Contains("Failed folder creation")) << log.Text();
  }
  EXPECT_FALSE(base::PathExists(FilePath(folder.path() + L"\\a")));
}

}  // namespace
}  // namespace installer
