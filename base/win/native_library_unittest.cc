#include "base/native_library.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "testing/child_process.h"
#include "testing/scoped_test_folder.h"

namespace base {
namespace {

using testing_support::ScopedCurrentDirectoryForTest;
using testing_support::ScopedTestFolder;

FilePath CurrentDirectory() {
  FilePath path;
  EXPECT_TRUE(GetCurrentDirectory(&path));
  return path;
}

// A folder "lib" holds the test library and its dependency, which the loader
// finds only when it searches that folder.
TEST(NativeLibraryTest, DependencyInTheLibrarysFolderIsFound) {
  ScopedTestFolder folder;
  const FilePath lib_folder = FilePath(folder.path()).Append(L"lib");
  ASSERT_TRUE(::CreateDirectoryW(lib_folder.value().c_str(), nullptr));
  const FilePath built = FilePath(testing_support::SelfFolder())
                             .Append(L"native_library_testdata");
  for (const wchar_t* name :
       {L"native_library_test_main.dll", L"native_library_test_dep.dll"}) {
    ASSERT_TRUE(::CopyFileW(built.Append(name).value().c_str(),
                            lib_folder.Append(name).value().c_str(), TRUE));
  }
  ScopedCurrentDirectoryForTest current(folder.path());
  ASSERT_TRUE(current.changed());
  const FilePath library_path =
      lib_folder.Append(L"native_library_test_main.dll");

  // Without the folder switch the dependency is not found.
  EXPECT_EQ(nullptr, ::LoadLibraryW(library_path.value().c_str()));

  NativeLibrary library = LoadNativeLibrary(library_path);
  ASSERT_NE(nullptr, library);
  auto value = reinterpret_cast<int (*)()>(
      GetNativeLibraryFunction(library, "NativeLibraryTestValue"));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(43, value());
  UnloadNativeLibrary(library);
}

// The folder switch itself, seen from inside the loading function.
std::vector<std::wstring> g_loads;  // Path loaded, then directory during it.

HMODULE WINAPI RecordingLoad(const wchar_t* path) {
  g_loads = {path, CurrentDirectory().value()};
  return reinterpret_cast<HMODULE>(0x1000);
}

TEST(NativeLibraryFolderTest, LoadRunsInTheLibrarysFolder) {
  ScopedTestFolder folder;
  const FilePath sub = FilePath(folder.path()).Append(L"sub");
  ASSERT_TRUE(CreateDirectoryTree(sub));
  ScopedCurrentDirectoryForTest current(folder.path());
  ASSERT_TRUE(current.changed());

  const struct {
    FilePath library;
    std::wstring directory_during_load;
    std::wstring path_loaded;
  } cases[] = {
      {sub.Append(L"x.dll"), sub.value(), sub.Append(L"x.dll").value()},
      {FilePath(L"x.dll"), folder.path(), L"x.dll"},
      // Relative with a folder: still the same file once inside the folder.
      {FilePath(L"sub\\x.dll"), sub.value(), sub.Append(L"x.dll").value()},
      // A folder that does not exist: the load runs where we are.
      {FilePath(folder.path()).Append(L"none\\x.dll"), folder.path(),
       FilePath(folder.path()).Append(L"none\\x.dll").value()},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.library.AsUTF8Unsafe());
    g_loads.clear();
    EXPECT_EQ(reinterpret_cast<HMODULE>(0x1000),
              LoadNativeLibraryFromFolder(test.library, &RecordingLoad));
    EXPECT_EQ((std::vector<std::wstring>{test.path_loaded,
                                         test.directory_during_load}),
              g_loads);
    EXPECT_EQ(FilePath(folder.path()), CurrentDirectory());
  }
}

}  // namespace
}  // namespace base
