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

using testing_support::ScopedTestFolder;

constexpr wchar_t kMainLibrary[] = L"native_library_test_main.dll";
constexpr wchar_t kDepLibrary[] = L"native_library_test_dep.dll";

FilePath CurrentDirectory() {
  FilePath path;
  EXPECT_TRUE(GetCurrentDirectory(&path));
  return path;
}

// Makes |folder| the current directory for the scope's life.
struct ScopedCurrentDirectory {
  explicit ScopedCurrentDirectory(const std::wstring& folder)
      : saved(CurrentDirectory()) {
    EXPECT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  }
  ~ScopedCurrentDirectory() { ::SetCurrentDirectoryW(saved.value().c_str()); }
  const FilePath saved;
};

// A folder "lib" holding the test library and its dependency, which the
// loader finds only when it searches that folder.
class NativeLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    lib_folder_ = FilePath(folder_.path()).Append(L"lib");
    ASSERT_TRUE(::CreateDirectoryW(lib_folder_.value().c_str(), nullptr));
    const FilePath built = FilePath(testing_support::SelfFolder())
                               .Append(L"native_library_testdata");
    for (const wchar_t* name : {kMainLibrary, kDepLibrary}) {
      ASSERT_TRUE(::CopyFileW(built.Append(name).value().c_str(),
                              lib_folder_.Append(name).value().c_str(), TRUE));
    }
  }

  ScopedTestFolder folder_;
  FilePath lib_folder_;
};

TEST_F(NativeLibraryTest, DependencyInTheLibrarysFolderIsFound) {
  ScopedCurrentDirectory current(folder_.path());
  const FilePath library_path = lib_folder_.Append(kMainLibrary);

  // Without the folder switch the dependency is not found.
  EXPECT_EQ(nullptr, ::LoadLibraryW(library_path.value().c_str()));

  NativeLibrary library = LoadNativeLibrary(library_path);
  ASSERT_NE(nullptr, library);
  EXPECT_EQ(FilePath(folder_.path()), CurrentDirectory());

  auto value = reinterpret_cast<int (*)()>(
      GetNativeLibraryFunction(library, "NativeLibraryTestValue"));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(43, value());
  EXPECT_EQ(nullptr, GetNativeLibraryFunction(library, "NoSuchExport"));
  UnloadNativeLibrary(library);

  EXPECT_EQ(nullptr, LoadNativeLibrary(lib_folder_.Append(L"missing.dll")));
  EXPECT_EQ(FilePath(folder_.path()), CurrentDirectory());
  EXPECT_EQ(nullptr, GetNativeLibraryFunction(nullptr, "Anything"));
  UnloadNativeLibrary(nullptr);
}

TEST_F(NativeLibraryTest, BareNameLoadsFromTheCurrentDirectory) {
  ScopedCurrentDirectory current(lib_folder_.value());
  NativeLibrary library = LoadNativeLibrary(FilePath(kDepLibrary));
  EXPECT_NE(nullptr, library);
  EXPECT_EQ(lib_folder_, CurrentDirectory());
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
  ScopedCurrentDirectory current(folder.path());

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
