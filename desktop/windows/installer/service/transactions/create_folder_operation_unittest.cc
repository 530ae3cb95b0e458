#include "desktop/windows/installer/service/transactions/create_folder_operation.h"

#include <string>
#include <vector>

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

// A rollback removes the folders the creation made, deepest first, and
// none that existed before it, even an empty one right above the chain or
// the test's own folder; a folder that has received a file meanwhile stays.
// Paths are relative to the test's folder, whose own path is "".
TEST(CreateFolderOperationTest, RollbackRemovesOnlyCreatedFolders) {
  struct Case {
    std::vector<std::wstring> folders_before;
    std::vector<std::wstring> files_before;
    std::wstring create;
    // Written after the creation, before the rollback; none when empty.
    std::wstring file_meanwhile;
    std::vector<std::wstring> kept;
    std::vector<std::wstring> gone;
  };
  const Case kCases[] = {
      {{}, {}, L"a\\b\\c", L"a\\b\\f.txt", {L"a\\b\\f.txt"}, {L"a\\b\\c"}},
      {{}, {}, L"a\\b", L"", {L""}, {L"a"}},
      {{L"a\\b"}, {}, L"a\\b\\c\\d", L"", {L"a\\b"}, {L"a\\b\\c"}},
      {{L"a\\b"},
       {L"a\\b\\old.txt"},
       L"a\\b\\c\\d",
       L"",
       {L"a\\b\\old.txt"},
       {L"a\\b\\c"}},
  };
  for (const Case& test : kCases) {
    SCOPED_TRACE(testing::Message() << "creating " << test.create);
    testing_support::ScopedTestFolder folder;
    const auto full = [&folder](const std::wstring& relative) {
      return relative.empty() ? folder.path()
                              : folder.path() + L"\\" + relative;
    };
    for (const std::wstring& path : test.folders_before)
      ASSERT_TRUE(base::CreateDirectoryTree(FilePath(full(path))));
    for (const std::wstring& path : test.files_before)
      ASSERT_TRUE(testing_support::WriteFileForTest(full(path), "x"));
    Transaction transaction;
    ASSERT_TRUE(CreateFolder(&transaction, full(test.create)));
    ASSERT_TRUE(base::DirectoryExists(FilePath(full(test.create))));
    if (!test.file_meanwhile.empty()) {
      ASSERT_TRUE(
          testing_support::WriteFileForTest(full(test.file_meanwhile), "x"));
    }
    transaction.Rollback();
    for (const std::wstring& path : test.kept)
      EXPECT_TRUE(base::PathExists(FilePath(full(path)))) << path;
    for (const std::wstring& path : test.gone)
      EXPECT_FALSE(base::PathExists(FilePath(full(path)))) << path;
  }
}

// A creation that fails removes what it made on the way; one without any
// existing ancestor fails at once, and so does one where a file stands.
TEST(CreateFolderOperationTest, FailuresLeaveNothingBehind) {
  testing_support::ScopedTestFolder folder;
  const std::wstring file = folder.path() + L"\\file";
  ASSERT_TRUE(testing_support::WriteFileForTest(file, "x"));
  wchar_t missing_drive[] = L"A:\\velto\\folder";
  const DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'Z'; letter >= L'D'; --letter) {
    if (!(drives & (1u << (letter - L'A'))))
      missing_drive[0] = letter;
  }
  for (const std::wstring& path : {folder.path() + L"\\a\\b\\bad<name",
                                   std::wstring(missing_drive), file}) {
    testing_support::LogCapture log;
    Transaction transaction;
    EXPECT_FALSE(CreateFolder(&transaction, path)) << path;
    EXPECT_TRUE(log.Contains("Failed folder creation")) << log.Text();
  }
  EXPECT_FALSE(base::PathExists(FilePath(folder.path() + L"\\a")));
  // The file is left as it was.
  EXPECT_TRUE(base::PathExists(FilePath(file)));
  EXPECT_FALSE(base::DirectoryExists(FilePath(file)));
}

}  // namespace
}  // namespace installer
