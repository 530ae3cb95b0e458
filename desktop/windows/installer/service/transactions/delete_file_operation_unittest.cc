#include "desktop/windows/installer/service/transactions/delete_file_operation.h"

#include <string>

#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using base::FilePath;

bool Delete(Transaction* transaction, const std::wstring& path,
            bool check_in_use, bool remove_empty_parents) {
  std::unique_ptr<Operation> operation;
  CreateDeleteFileOperation(FilePath(path), check_in_use, remove_empty_parents,
                            &operation);
  return transaction->Execute(std::move(operation));
}

// A program or library held open without write sharing (as the loader holds
// it) is refused only when in-use files are checked; the file stays. A
// deletion that is rolled back and then committed removes nothing.
TEST(DeleteFileOperationTest, InUseCheckAndRollback) {
  const struct {
    const wchar_t* name;
    bool check_in_use;
    bool deleted;
  } kCases[] = {
      {L"running.exe", true, false},
      {L"loaded.DLL", true, false},
      {L"notes.txt", true, true},
      {L"running.exe", false, true},
  };
  for (const auto& test : kCases) {
    testing_support::ScopedTestFolder folder;
    const std::wstring path = folder.path() + L"\\" + test.name;
    ASSERT_TRUE(testing_support::WriteFileForTest(path, "data"));
    base::win::ScopedHandle in_use(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(in_use.IsValid());
    testing_support::LogCapture log;
    Transaction transaction;
    EXPECT_EQ(test.deleted,
              Delete(&transaction, path, test.check_in_use, false))
        << test.name;
    EXPECT_EQ(!test.deleted, base::PathExists(FilePath(path))) << test.name;
    EXPECT_EQ(!test.deleted,
              log.Contains("Attempt to open the file for writing failed"))
        << log.Text();
    transaction.Rollback();
    EXPECT_TRUE(base::PathExists(FilePath(path))) << test.name;
  }
}

// The commit deletes the backup and, when asked, the folders left empty,
// stopping at the first one that still holds something.
TEST(DeleteFileOperationTest, CommitRemovesEmptyParents) {
  testing_support::ScopedTestFolder folder;
  const std::wstring keep = folder.path() + L"\\keep.txt";
  const std::wstring path = folder.path() + L"\\a\\b\\file.txt";
  ASSERT_TRUE(testing_support::WriteFileForTest(keep, "keep"));
  ASSERT_TRUE(base::CreateDirectoryTree(FilePath(folder.path() + L"\\a\\b")));
  ASSERT_TRUE(testing_support::WriteFileForTest(path, "data"));
  {
    Transaction transaction;
    ASSERT_TRUE(Delete(&transaction, path, false, true));
    // Nothing to do for a path that is already gone.
    ASSERT_TRUE(Delete(&transaction, path, false, true));
  }
  EXPECT_FALSE(base::PathExists(FilePath(folder.path() + L"\\a")));
  EXPECT_TRUE(base::PathExists(FilePath(keep)));
}

}  // namespace
}  // namespace installer
