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

FilePath BuiltLibrary(const wchar_t* name) {
  return FilePath(testing_support::SelfFolder())
      .Append(L"native_library_testdata")
      .Append(name);
}

FilePath CurrentDirectory() {
  FilePath path;
  EXPECT_TRUE(GetCurrentDirectory(&path));
  return path;
}

// Makes |folder| the current directory for the scope's life.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::wstring& folder)
      : saved_(CurrentDirectory()) {
    EXPECT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  }
  ~ScopedCurrentDirectory() {
    EXPECT_TRUE(::SetCurrentDirectoryW(saved_.value().c_str()));
  }

 private:
  FilePath saved_;
};

// A folder "lib" holding the test library and its dependency, which the
// loader finds only when it searches that folder.
class NativeLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    lib_folder_ = FilePath(folder_.path()).Append(L"lib");
    ASSERT_TRUE(::CreateDirectoryW(lib_folder_.value().c_str(), nullptr));
    for (const wchar_t* name : {kMainLibrary, kDepLibrary}) {
      ASSERT_TRUE(::CopyFileW(BuiltLibrary(name).value().c_str(),
                              lib_folder_.Append(name).value().c_str(), TRUE))
          << "missing " << BuiltLibrary(name).AsUTF8Unsafe();
    }
  }

  ScopedTestFolder folder_;
  FilePath lib_folder_;
};

TEST_F(NativeLibraryTest, DependencyInTheLibrarysFolderIsFound) {
  ScopedCurrentDirectory current(folder_.path());
  const FilePath library_path = lib_folder_.Append(kMainLibrary);

  // Without the folder switch the dependency is not found.
  HMODULE plain = ::LoadLibraryW(library_path.value().c_str());
  EXPECT_EQ(nullptr, plain);
  if (plain)
    ::FreeLibrary(plain);

  NativeLibrary library = LoadNativeLibrary(library_path);
  ASSERT_NE(nullptr, library);
  EXPECT_EQ(FilePath(folder_.path()), CurrentDirectory());

  using ValueFunction = int (*)();
  auto value = reinterpret_cast<ValueFunction>(
      GetNativeLibraryFunction(library, "NativeLibraryTestValue"));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(43, value());
  EXPECT_EQ(nullptr, GetNativeLibraryFunction(library, "NoSuchExport"));
  UnloadNativeLibrary(library);
}

TEST_F(NativeLibraryTest, MissingLibraryFailsAndKeepsTheDirectory) {
  ScopedCurrentDirectory current(folder_.path());
  EXPECT_EQ(nullptr, LoadNativeLibrary(lib_folder_.Append(L"missing.dll")));
  EXPECT_EQ(nullptr,
            LoadNativeLibrary(FilePath(folder_.path())
                                  .Append(L"no_folder\\missing.dll")));
  EXPECT_EQ(FilePath(folder_.path()), CurrentDirectory());
}

TEST_F(NativeLibraryTest, BareNameLoadsFromTheCurrentDirectory) {
  ScopedCurrentDirectory current(lib_folder_.value());
  NativeLibrary library = LoadNativeLibrary(FilePath(kDepLibrary));
  EXPECT_NE(nullptr, library);
  EXPECT_EQ(lib_folder_, CurrentDirectory());
  UnloadNativeLibrary(library);
}

TEST(NativeLibraryNullTest, NullLibraryIsHarmless) {
  EXPECT_EQ(nullptr, GetNativeLibraryFunction(nullptr, "Anything"));
  UnloadNativeLibrary(nullptr);
}

// The folder switch itself, seen from inside the loading function.
std::vector<std::wstring> g_directories_seen;
std::vector<std::wstring> g_paths_loaded;

HMODULE WINAPI RecordingLoad(const wchar_t* path) {
  g_paths_loaded.push_back(path);
  g_directories_seen.push_back(CurrentDirectory().value());
  return reinterpret_cast<HMODULE>(0x1000);
}

TEST(NativeLibraryFolderTest, LoadRunsInTheLibrarysFolder) {
  ScopedTestFolder folder;
  const FilePath sub = FilePath(folder.path()).Append(L"sub");
  ASSERT_TRUE(CreateDirectoryTree(sub));
  ScopedCurrentDirectory current(folder.path());

  struct Case {
    FilePath library;
    std::wstring directory_during_load;
    std::wstring path_loaded;
  };
  const Case cases[] = {
      {sub.Append(L"x.dll"), sub.value(), sub.Append(L"x.dll").value()},
      {FilePath(L"x.dll"), folder.path(), L"x.dll"},
      // A relative path with a folder still names the same file once the
      // load runs inside that folder.
      {FilePath(L"sub\\x.dll"), sub.value(), sub.Append(L"x.dll").value()},
      // A folder that does not exist: the load runs where we are.
      {FilePath(folder.path()).Append(L"none\\x.dll"), folder.path(),
       FilePath(folder.path()).Append(L"none\\x.dll").value()},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.library.AsUTF8Unsafe());
    g_directories_seen.clear();
    g_paths_loaded.clear();
    EXPECT_EQ(reinterpret_cast<HMODULE>(0x1000),
              LoadNativeLibraryFromFolder(test.library, &RecordingLoad));
    ASSERT_EQ(1u, g_paths_loaded.size());
    EXPECT_EQ(test.path_loaded, g_paths_loaded[0]);
    EXPECT_EQ(test.directory_during_load, g_directories_seen[0]);
    EXPECT_EQ(FilePath(folder.path()), CurrentDirectory());
  }
}

}  // namespace
}  // namespace base
