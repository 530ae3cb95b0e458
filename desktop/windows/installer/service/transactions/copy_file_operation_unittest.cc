#include "desktop/windows/installer/service/transactions/copy_file_operation.h"

#include <string>

#include "base/files/file_util.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/transactions/operation_test_support.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "testing/log_capture.h"
#include "testing/scoped_test_folder.h"

namespace installer {
namespace {

using base::FilePath;

std::string Contents(const std::wstring& path) {
  std::string contents;
  if (!base::ReadFileToString(FilePath(path), &contents)) return "<missing>";
  return contents;
}

// A second copy over a destination whose backup name is taken (a first,
// uncommitted copy in the same second) fails and leaves both files alone.
TEST(CopyFileOperationTest, TakenBackupNameFailsTheCopy) {
  testing_support::ScopedTestFolder folder;
  const std::wstring source = folder.path() + L"\\s.txt";
  const std::wstring destination = folder.path() + L"\\d.txt";
  ASSERT_TRUE(testing_support::WriteFileForTest(source, "new"));
  ASSERT_TRUE(testing_support::WriteFileForTest(destination, "old"));
  // Both seconds the copy may see hold a backup already.
  const int64_t now = base::Time::Now().ToTimeT();
  for (int64_t second : {now, now + 1}) {
    ASSERT_TRUE(testing_support::WriteFileForTest(
        destination + L"." + std::to_wstring(second) + L".old", "saved"));
  }
  testing_support::LogCapture log;
  Transaction transaction;
  std::unique_ptr<Operation> operation;
  CreateCopyFileOperation(FilePath(source), FilePath(destination), &operation);
  EXPECT_FALSE(transaction.Execute(std::move(operation)));
  EXPECT_TRUE(log.Contains("Temporary file with name")) << log.Text();
  EXPECT_TRUE(log.Contains("already exists")) << log.Text();
  EXPECT_EQ("old", Contents(destination));
  EXPECT_EQ("saved",
            Contents(destination + L"." + std::to_wstring(now) + L".old"));
}

}  // namespace
}  // namespace installer
