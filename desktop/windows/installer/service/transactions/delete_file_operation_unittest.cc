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

}  // namespace
}  // namespace installer
