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

// The folder switch, seen from inside the loading function.
std::vector<std::wstring> g_loads;  // Path loaded, then directory during it.

HMODULE WINAPI RecordingLoad(const wchar_t* path) {
  g_loads = {path, CurrentDirectory().value()};
  return reinterpret_cast<HMODULE>(0x1000);
}

// The load runs in the library's folder, and the current directory comes
// back after it. A folder "lib" holds the test library and its dependency,
// which the loader finds only when it searches that folder.
TEST(NativeLibraryTest, LoadRunsInTheLibrarysFolder) {
  ScopedTestFolder folder;
  const FilePath lib = FilePath(folder.path()).Append(L"lib");
  ASSERT_TRUE(::CreateDirectoryW(lib.value().c_str(), nullptr));
  const FilePath built = FilePath(testing_support::SelfFolder())
                             .Append(L"native_library_testdata");
  for (const wchar_t* name :
       {L"native_library_test_main.dll", L"native_library_test_dep.dll"}) {
    ASSERT_TRUE(::CopyFileW(built.Append(name).value().c_str(),
                            lib.Append(name).value().c_str(), TRUE));
  }
  ScopedCurrentDirectoryForTest current(folder.path());
  ASSERT_TRUE(current.changed());

  const struct {
    FilePath library;
    std::wstring directory_during_load;
    std::wstring path_loaded;
  } cases[] = {
      {lib.Append(L"x.dll"), lib.value(), lib.Append(L"x.dll").value()},
      {FilePath(L"x.dll"), folder.path(), L"x.dll"},
      // Relative with a folder: still the same file once inside the folder.
      {FilePath(L"lib\\x.dll"), lib.value(), lib.Append(L"x.dll").value()},
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

  // Without the folder switch the dependency is not found.
  const FilePath library_path = lib.Append(L"native_library_test_main.dll");
  EXPECT_EQ(nullptr, ::LoadLibraryW(library_path.value().c_str()));
  NativeLibrary library = LoadNativeLibrary(library_path);
  ASSERT_NE(nullptr, library);
  auto value = reinterpret_cast<int (*)()>(
      GetNativeLibraryFunction(library, "NativeLibraryTestValue"));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(43, value());
  UnloadNativeLibrary(library);
}

}  // namespace
}  // namespace base
