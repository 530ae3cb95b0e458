// What the file, writer and preference tests share: a fixture with a fresh
// folder per test and paths relative to it, and a whole-file read.
//
//   class MyTest : public base::test::FileTestBase {};
//   TEST_F(MyTest, Reads) {
//     EXPECT_EQ("x", base::test::ReadForTest(MakeFile(L"a.txt")));
//   }
#ifndef BASE_FILES_FILE_TEST_UTIL_H_
#define BASE_FILES_FILE_TEST_UTIL_H_

#include <string>

#include <gtest/gtest.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "testing/scoped_test_folder.h"

namespace base {
namespace test {

// The whole file; a failed read fails the test.
inline std::string ReadForTest(const FilePath& path) {
  std::string contents;
  EXPECT_TRUE(ReadFileToString(path, &contents)) << path.value();
  return contents;
}

// |path| opened for reading with |share|, so that others cannot delete,
// move or write it meanwhile; close it with ::CloseHandle or a ScopedHandle.
inline HANDLE HoldOpenForTest(const FilePath& path, DWORD share) {
  return ::CreateFileW(path.value().c_str(), GENERIC_READ, share, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

class FileTestBase : public ::testing::Test {
 protected:
  FilePath Path(const std::wstring& relative) const {
    return FilePath(folder_.path()).Append(relative);
  }
  FilePath MakeFile(const std::wstring& relative,
                    const std::string& contents = "x") {
    EXPECT_TRUE(
        testing_support::WriteFileForTest(Path(relative).value(), contents))
        << relative;
    return Path(relative);
  }
  FilePath MakeDir(const std::wstring& relative) {
    EXPECT_TRUE(::CreateDirectoryW(Path(relative).value().c_str(), nullptr))
        << relative;
    return Path(relative);
  }

  testing_support::ScopedTestFolder folder_;
};

}  // namespace test
}  // namespace base

#endif  // BASE_FILES_FILE_TEST_UTIL_H_
