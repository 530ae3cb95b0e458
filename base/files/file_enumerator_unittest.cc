#include "base/files/file_enumerator.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_test_util.h"
#include "base/win/windows_version.h"
#include "testing/scoped_directory_link.h"

namespace base {
namespace {

class FileEnumeratorTest : public test::FileTestBase {
 protected:
  void SetUp() override {
    // root: a.txt, b.log, d1\ (c.txt, d2\ (e.txt)), empty\ .
    MakeFile(L"a.txt", "aa");
    MakeFile(L"b.log", "b");
    MakeDir(L"d1");
    MakeFile(L"d1\\c.txt", "c");
    MakeDir(L"d1\\d2");
    MakeFile(L"d1\\d2\\e.txt", "e");
    MakeDir(L"empty");
  }

  FilePath Root() const { return FilePath(folder_.path()); }
  std::vector<std::wstring> Walk(FileEnumerator* enumerator) const {
    std::vector<std::wstring> found;
    for (FilePath path = enumerator->Next(); !path.empty();
         path = enumerator->Next()) {
      FilePath relative;
      found.push_back(Root().AppendRelativePath(path, &relative)
                          ? relative.value()
                          : L"<outside> " + path.value());
    }
    return found;
  }
  std::vector<std::wstring> SortedWalk(bool recursive, int file_type,
                                       const std::wstring& pattern) const {
    FileEnumerator enumerator(Root(), recursive, file_type, pattern);
    std::vector<std::wstring> found = Walk(&enumerator);
    std::sort(found.begin(), found.end());
    return found;
  }
};

TEST_F(FileEnumeratorTest, TypesRecursionAndPatterns) {
  const int kFiles = FileEnumerator::FILES;
  const int kDirs = FileEnumerator::DIRECTORIES;
  struct Case {
    bool recursive;
    int file_type;
    std::wstring pattern;
    std::vector<std::wstring> expected;
  } cases[] = {
      {false, kFiles, L"", {L"a.txt", L"b.log"}},
      {false, kDirs, L"", {L"d1", L"empty"}},
      {true, kFiles, L"", {L"a.txt", L"b.log", L"d1\\c.txt", L"d1\\d2\\e.txt"}},
      {true, kFiles, L"*.txt", {L"a.txt"}},  // Only matching folders entered.
      {true, kFiles | kDirs, L"d*", {L"d1", L"d1\\d2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.recursive << " " << c.file_type << " "
                                    << c.pattern.c_str());
    EXPECT_EQ(c.expected, SortedWalk(c.recursive, c.file_type, c.pattern));
  }
  // Before Windows 7 each listing starts with the plain FindFirstFileW.
  win::WindowsVersionInfo vista;
  vista.version = win::VERSION_VISTA;
  win::internal::ScopedWindowsVersionForTesting older_system(vista);
  EXPECT_EQ(cases[2].expected, SortedWalk(true, kFiles, L""));
  // The short form lists the whole tree.
  FileEnumerator whole_tree(Root(), kFiles);
  std::vector<std::wstring> found = Walk(&whole_tree);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(cases[2].expected, found);
}

TEST_F(FileEnumeratorTest, ParentListingEndsBeforeSubdirectoriesStart) {
  const int kAll = FileEnumerator::FILES | FileEnumerator::DIRECTORIES;
  FileEnumerator enumerator(Root(), true, kAll, L"");
  std::vector<std::wstring> found = Walk(&enumerator);
  // At the end it stays there, with nothing to describe.
  EXPECT_TRUE(enumerator.Next().empty());
  EXPECT_EQ(0u, enumerator.GetInfo().find_data().dwFileAttributes);
  EXPECT_TRUE(FileEnumerator(Root().Append(L"missing"), FileEnumerator::FILES)
                  .Next()
                  .empty());
  ASSERT_EQ(7u, found.size());
  // The four entries of the root come first, then d1's two, then d2's one.
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(i < 4 ? 0 : (i < 6 ? 1 : 2),
              std::count(found[i].begin(), found[i].end(), L'\\'))
        << found[i];
  }

  // "." is never returned (the count says so too); one ".." per listed
  // folder on request, returned but never entered.
  FileEnumerator dots(Root(), true, kAll | FileEnumerator::INCLUDE_DOT_DOT,
                      L"");
  std::vector<std::wstring> with_dots = Walk(&dots);
  EXPECT_EQ(4, std::count_if(with_dots.begin(), with_dots.end(),
                             [](const std::wstring& path) {
                               return FilePath(path).BaseName().value() ==
                                      L"..";
                             }));
  EXPECT_EQ(found.size() + 4, with_dots.size());

  // The folder pushed last is listed next, and its own folders before any
  // older one: two top folders, each with one folder holding one file.
  MakeDir(L"order");
  for (const wchar_t* name : {L"x", L"y"}) {
    const std::wstring top = std::wstring(L"order\\") + name;
    MakeDir(top);
    MakeDir(top + L"\\" + name + L"1");
    MakeFile(top + L"\\" + name + L"1\\f");
  }
  FileEnumerator ordered(Root().Append(L"order"), true, kAll, L"");
  std::vector<std::wstring> order = Walk(&ordered);
  ASSERT_EQ(6u, order.size());
  const std::wstring last_top = order[1];
  const std::wstring deeper =
      last_top + L"\\" + FilePath(last_top).BaseName().value() + L"1";
  EXPECT_EQ(deeper, order[2]);
  EXPECT_EQ(deeper + L"\\f", order[3]);
}

TEST_F(FileEnumeratorTest, DirectoryLinksAreListedButNotEntered) {
  MakeDir(L"outside");
  MakeFile(L"outside\\secret.txt", "s");
  test::ScopedDirectoryLink link(folder_.path() + L"\\d1\\link",
                                 folder_.path() + L"\\outside");
  if (!link.created()) GTEST_SKIP() << "Directory links cannot be made here";

  FileEnumerator enumerator(Root().Append(L"d1"), true,
                            FileEnumerator::FILES | FileEnumerator::DIRECTORIES,
                            L"");
  int links_seen = 0;
  for (FilePath path = enumerator.Next(); !path.empty();
       path = enumerator.Next()) {
    EXPECT_NE(L"secret.txt", path.BaseName().value());
    if (path.BaseName().value() != L"link") continue;
    ++links_seen;
    EXPECT_TRUE(enumerator.GetInfo().IsDirectory());
    EXPECT_EQ(test::kDirectoryLinkAttributes,
              enumerator.GetInfo().find_data().dwFileAttributes &
                  test::kDirectoryLinkAttributes);
  }
  EXPECT_EQ(1, links_seen);
}

}  // namespace
}  // namespace base
