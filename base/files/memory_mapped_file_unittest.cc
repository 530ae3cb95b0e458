#include "base/files/memory_mapped_file.h"

#include <gtest/gtest.h>

#include <string>

#include "base/files/file.h"
#include "base/files/file_test_util.h"

namespace base {
namespace {

class MemoryMappedFileTest : public test::FileTestBase {
 protected:
  // A sparse file of |length| bytes: nothing is written to disk.
  FilePath MakeFileOfLength(const std::wstring& name, int64_t length) {
    File file(Path(name), File::FLAG_CREATE | File::FLAG_WRITE);
    EXPECT_TRUE(file.SetLength(length));
    return Path(name);
  }
};

TEST_F(MemoryMappedFileTest, MapsTheContentsUntilDestroyedAndWritesThrough) {
  std::string contents = "MZ";
  for (int i = 0; i < 10000; ++i) contents.push_back(static_cast<char>(i));
  FilePath path = MakeFile(L"image.bin", contents);
  {
    // What a writable mapping changes reaches the file.
    MemoryMappedFile writable;
    ASSERT_TRUE(writable.Initialize(path, MemoryMappedFile::READ_WRITE));
    writable.data()[0] = 'X';
  }
  contents[0] = 'X';
  {
    MemoryMappedFile mapped;
    ASSERT_TRUE(mapped.InitializeReadOnly(path));
    ASSERT_EQ(contents.size(), mapped.length());
    EXPECT_EQ(contents,
              std::string(reinterpret_cast<const char*>(mapped.data()),
                          mapped.length()));
    EXPECT_FALSE(::DeleteFileW(path.value().c_str()));
    // A second initialization fails and keeps the first mapping.
    FilePath second = MakeFile(L"second.bin", "second!");
    EXPECT_FALSE(mapped.Initialize(second, MemoryMappedFile::READ_WRITE));
    ASSERT_EQ(contents.size(), mapped.length());
    EXPECT_EQ('X', mapped.data()[0]);
  }
  EXPECT_TRUE(::DeleteFileW(path.value().c_str()));
}

TEST_F(MemoryMappedFileTest, UnmappableFilesFailCleanlyUpToTheLimit) {
  struct Case {
    const char* name;
    FilePath path;
  } cases[] = {
      {"empty file", MakeFile(L"empty.bin", "")},
      {"missing file", Path(L"missing.bin")},
      {"2 GiB file", MakeFileOfLength(L"huge.bin", int64_t{1} << 31)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryMappedFile mapped;
    EXPECT_FALSE(mapped.InitializeReadOnly(c.path));
    EXPECT_EQ(nullptr, mapped.data());
    EXPECT_EQ(0u, mapped.length());
  }
  // Nothing was left open: the empty file can be replaced.
  MakeFile(L"empty.bin");

  // One byte less than 2 GiB still maps.
  MemoryMappedFile largest;
  ASSERT_TRUE(
      largest.InitializeReadOnly(MakeFileOfLength(L"largest.bin", 0x7FFFFFFF)));
  EXPECT_EQ(0x7FFFFFFFu, largest.length());
  EXPECT_EQ(0, largest.data()[0x7FFFFFFE]);
}

}  // namespace
}  // namespace base
