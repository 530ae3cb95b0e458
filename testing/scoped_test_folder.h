// A unique folder under the temporary directory for one test, removed with
// everything in it when the owner goes out of scope. Links inside it are
// removed as links; their targets are never entered.
//
//   ScopedTestFolder folder;
//   std::wstring file = folder.path() + L"\\data.txt";
#ifndef TESTING_SCOPED_TEST_FOLDER_H_
#define TESTING_SCOPED_TEST_FOLDER_H_

#include <string>

namespace testing_support {

class ScopedTestFolder {
 public:
  ScopedTestFolder();
  ~ScopedTestFolder();
  ScopedTestFolder(const ScopedTestFolder&) = delete;
  ScopedTestFolder& operator=(const ScopedTestFolder&) = delete;

  // Full path without a trailing backslash.
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// Makes |folder| the current directory for the scope's life, for tests of
// what a relative path reaches. The current directory is the process's:
// every thread sees the change.
class ScopedCurrentDirectoryForTest {
 public:
  explicit ScopedCurrentDirectoryForTest(const std::wstring& folder);
  ~ScopedCurrentDirectoryForTest();
  ScopedCurrentDirectoryForTest(const ScopedCurrentDirectoryForTest&) = delete;
  ScopedCurrentDirectoryForTest&
  operator=(const ScopedCurrentDirectoryForTest&) = delete;

  // False when |folder| could not be made current.
  bool changed() const { return changed_; }

 private:
  std::wstring saved_;
  bool changed_ = false;
};

// Removes |path| and everything below it without following links.
void RemoveTreeForTest(const std::wstring& path);

// Writes |contents| to |path|, replacing it. Returns false on failure.
bool WriteFileForTest(const std::wstring& path, const std::string& contents);

}  // namespace testing_support

#endif  // TESTING_SCOPED_TEST_FOLDER_H_
