#include "desktop/windows/installer/service/transactions/delete_file_operation.h"

#include <set>
#include <string>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using base::FilePath;

// A program or library held open without write sharing (as the loader holds
// it) is refused only when in-use files are checked; the file stays. (A
// refused ".exe", the rollback and the commit are checked by the
// fault-injection test.)
TEST(DeleteFileOperationTest, InUseCheckCoversProgramsAndLibrariesOnly) {
  const struct {
    const wchar_t* name;
    bool check_in_use;
    bool deleted;
  } kCases[] = {
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
    std::unique_ptr<Operation> operation;
    CreateDeleteFileOperation(FilePath(path), test.check_in_use, false,
                              &operation);
    EXPECT_EQ(test.deleted, transaction.Execute(std::move(operation)))
        << test.name;
    EXPECT_EQ(!test.deleted, base::PathExists(FilePath(path))) << test.name;
    EXPECT_EQ(!test.deleted,
              log.Contains("Attempt to open the file for writing failed"))
        << log.Text();
  }
}

// The names in |folder|, without descending.
std::set<std::wstring> Entries(const std::wstring& folder) {
  std::set<std::wstring> names;
  base::FileEnumerator enumerator(
      FilePath(folder), /*recursive=*/false,
      base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES, L"");
  for (FilePath path = enumerator.Next(); !path.empty();
       path = enumerator.Next()) {
    names.insert(path.BaseName().value());
  }
  return names;
}

// The commit removes a folder's backup with everything in it, then the
// folders above it that are left empty, up to the first that is not.
TEST(DeleteFileOperationTest, CommitRemovesAFolderAndTheParentsLeftEmpty) {
  testing_support::ScopedTestFolder folder;
  const std::wstring a = folder.path() + L"\\a";
  const std::wstring tree = a + L"\\b\\c\\tree";
  ASSERT_TRUE(base::CreateDirectoryTree(FilePath(tree + L"\\sub")));
  ASSERT_TRUE(testing_support::WriteFileForTest(a + L"\\keep.txt", "k"));
  ASSERT_TRUE(testing_support::WriteFileForTest(tree + L"\\a.txt", "a"));
  ASSERT_TRUE(testing_support::WriteFileForTest(tree + L"\\sub\\b.txt", "b"));
  {
    Transaction transaction;
    std::unique_ptr<Operation> operation;
    CreateDeleteFileOperation(FilePath(tree), false,
                              /*remove_empty_parents=*/true, &operation);
    ASSERT_TRUE(transaction.Execute(std::move(operation)));
    EXPECT_FALSE(base::PathExists(FilePath(tree)));
  }
  EXPECT_EQ(std::set<std::wstring>({L"keep.txt"}), Entries(a));
}

// A rollback that cannot move the file back (a folder has taken its place)
// leaves the backup as the only copy, and the commit that follows keeps it.
TEST(DeleteFileOperationTest, FailedRollbackKeepsTheBackup) {
  testing_support::ScopedTestFolder folder;
  const std::wstring path = folder.path() + L"\\notes.txt";
  ASSERT_TRUE(testing_support::WriteFileForTest(path, "data"));
  Transaction transaction;
  std::unique_ptr<Operation> operation;
  CreateDeleteFileOperation(FilePath(path), false, false, &operation);
  ASSERT_TRUE(transaction.Execute(std::move(operation)));
  std::set<std::wstring> entries = Entries(folder.path());
  ASSERT_EQ(1u, entries.size());
  const std::wstring backup = folder.path() + L"\\" + *entries.begin();
  ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
  transaction.Rollback();
  std::string contents;
  EXPECT_TRUE(base::ReadFileToString(FilePath(backup), &contents));
  EXPECT_EQ("data", contents);
}

}  // namespace
}  // namespace installer
