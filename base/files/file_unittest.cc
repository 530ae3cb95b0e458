#include "base/files/file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "base/files/file_test_util.h"
#include "base/files/memory_mapped_file.h"
#include "base/metrics/histogram_test_util.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

using test::ReadForTest;

constexpr uint32_t kOpenRead = File::FLAG_OPEN | File::FLAG_READ;

class FileTest : public test::FileTestBase {};

// Failures map to file errors and never create or change a file; created()
// tells whether a successful open made the file.
TEST_F(FileTest, OpenErrorsAndCreation) {
  MakeFile(L"existing.txt", "data");
  MakeFile(L"old.txt", "old");
  MakeDir(L"folder");
  const uint32_t kWrite = File::FLAG_WRITE;
  struct Case {
    const wchar_t* name;
    uint32_t flags;
    File::Error error;
    bool created;
  } cases[] = {
      {L"missing.txt", kOpenRead, File::FILE_ERROR_NOT_FOUND, false},
      {L"existing.txt", File::FLAG_CREATE | kWrite, File::FILE_ERROR_EXISTS,
       false},
      {L"missing.txt", File::FLAG_OPEN_TRUNCATED | kWrite,
       File::FILE_ERROR_NOT_FOUND, false},
      {L"folder", kOpenRead, File::FILE_ERROR_ACCESS_DENIED, false},
      {L"existing.txt", File::FLAG_READ | kWrite,  // No disposition.
       File::FILE_ERROR_INVALID_OPERATION, false},
      {L"old.txt", File::FLAG_OPEN_ALWAYS | kWrite, File::FILE_OK, false},
      {L"new1.txt", File::FLAG_OPEN_ALWAYS | kWrite, File::FILE_OK, true},
      {L"new2.txt", File::FLAG_CREATE | kWrite, File::FILE_OK, true},
      {L"old.txt", File::FLAG_OPEN | kWrite, File::FILE_OK, false},
      {L"old.txt", File::FLAG_OPEN_TRUNCATED | File::FLAG_OPEN_ALWAYS | kWrite,
       File::FILE_OK, false},
      {L"old.txt", File::FLAG_CREATE_ALWAYS | kWrite, File::FILE_OK, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.flags);
    File file(Path(c.name), c.flags);
    EXPECT_EQ(c.error == File::FILE_OK, file.IsValid());
    EXPECT_EQ(c.error, file.error_details());
    EXPECT_EQ(c.created, file.created());
  }
  EXPECT_EQ("data", ReadForTest(Path(L"existing.txt")));

  // The file exists ("sub" need not: the path is resolved as text), so only
  // the refusal can fail this open; the untouched last error shows that no
  // system call was made.
  ::SetLastError(12345);
  File parent(Path(L"sub\\..\\existing.txt"), kOpenRead);
  EXPECT_EQ(12345u, ::GetLastError());
  EXPECT_FALSE(parent.IsValid());
  EXPECT_EQ(File::FILE_ERROR_ACCESS_DENIED, parent.error_details());
}

TEST_F(FileTest, SharingConflictsAreInUse) {
  FilePath path = MakeFile(L"locked.txt", "data");
  File holder(path, 0x364);  // Open always, read, write, share nothing.
  ASSERT_TRUE(holder.IsValid());
  EXPECT_EQ(File::FILE_ERROR_IN_USE, File(path, kOpenRead).error_details());
  holder.Close();
  EXPECT_TRUE(File(path, kOpenRead).IsValid());

  File exclusive_writer(path, kOpenRead | File::FLAG_EXCLUSIVE_WRITE);
  ASSERT_TRUE(exclusive_writer.IsValid());
  EXPECT_TRUE(File(path, kOpenRead).IsValid());
  File writer(path, File::FLAG_OPEN | File::FLAG_WRITE);
  EXPECT_EQ(File::FILE_ERROR_IN_USE, writer.error_details());
}

// Each of the rarer flags reaches the open: appending writes at the end
// whatever the offset, unshared reading keeps readers out, shared deletion
// lets others rename, and the attribute, deletion and overlapped flags give
// the handle what they name.
TEST_F(FileTest, RarerFlagsReachTheOpen) {
  FilePath path = MakeFile(L"flags.txt", "abc");
  {
    File append(path, File::FLAG_OPEN | File::FLAG_APPEND);
    ASSERT_TRUE(append.IsValid());
    EXPECT_EQ(1, append.Write(0, "d", 1));
  }
  EXPECT_EQ("abcd", ReadForTest(path));
  {
    File exclusive(path, kOpenRead | File::FLAG_EXCLUSIVE_READ);
    ASSERT_TRUE(exclusive.IsValid());
    EXPECT_EQ(File::FILE_ERROR_IN_USE, File(path, kOpenRead).error_details());
  }
  const FilePath renamed = Path(L"renamed.txt");
  {
    File shared(path, kOpenRead | File::FLAG_SHARE_DELETE);
    ASSERT_TRUE(shared.IsValid());
    EXPECT_TRUE(
        ::MoveFileExW(path.value().c_str(), renamed.value().c_str(), 0));
  }
  {
    File attributes(renamed, File::FLAG_OPEN | File::FLAG_WRITE_ATTRIBUTES);
    ASSERT_TRUE(attributes.IsValid());
    const FILETIME written = {0x12345670, 0x01D00000};
    EXPECT_TRUE(::SetFileTime(attributes.GetPlatformFile(), nullptr, nullptr,
                              &written));
    File async(renamed, kOpenRead | File::FLAG_ASYNC);
    EXPECT_TRUE(async.async());
    EXPECT_FALSE(attributes.async());
  }
  {
    File deletable(renamed, File::FLAG_OPEN | File::FLAG_CAN_DELETE);
    ASSERT_TRUE(deletable.IsValid());
    FILE_DISPOSITION_INFO disposition = {TRUE};
    EXPECT_TRUE(::SetFileInformationByHandle(deletable.GetPlatformFile(),
                                             FileDispositionInfo, &disposition,
                                             sizeof(disposition)));
  }
  EXPECT_FALSE(PathExists(renamed));

  File hidden(Path(L"hidden.txt"),
              File::FLAG_CREATE | File::FLAG_WRITE | File::FLAG_HIDDEN);
  ASSERT_TRUE(hidden.IsValid());
  EXPECT_TRUE(::GetFileAttributesW(Path(L"hidden.txt").value().c_str()) &
              FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(FileTest, ReadWriteSeekAndResize) {
  FilePath path = Path(L"rw.bin");
  File file(path, File::FLAG_CREATE | File::FLAG_READ | File::FLAG_WRITE);
  ASSERT_TRUE(file.IsValid());
  EXPECT_EQ(5, file.Write(0, "hello", 5));
  EXPECT_EQ(6, file.Write(5, " world", 6));
  // Writes go to their offset, not to the current position.
  EXPECT_EQ(8, file.Seek(File::FROM_BEGIN, 8));
  EXPECT_EQ(1, file.Write(0, "J", 1));
  EXPECT_EQ(1, file.Seek(File::FROM_CURRENT, 0));

  char buffer[32];
  ASSERT_EQ(0, file.Seek(File::FROM_BEGIN, 0));
  EXPECT_EQ(-1, file.ReadAtCurrentPos(buffer, -1));
  EXPECT_EQ(-1, file.Write(0, "xyz", -3));
  EXPECT_EQ(0, file.Seek(File::FROM_CURRENT, 0));
  EXPECT_EQ(11, file.ReadAtCurrentPos(buffer, sizeof(buffer)));
  EXPECT_EQ("Jello world", std::string(buffer, 11));
  EXPECT_EQ(0, file.ReadAtCurrentPos(buffer, sizeof(buffer)));  // At the end.
  EXPECT_EQ(6, file.Seek(File::FROM_END, -5));
  EXPECT_EQ(2, file.ReadAtCurrentPos(buffer, 2));
  EXPECT_EQ("wo", std::string(buffer, 2));
  EXPECT_EQ(-1, file.Seek(File::FROM_BEGIN, -1));

  // Resizing keeps the position.
  ASSERT_EQ(7, file.Seek(File::FROM_BEGIN, 7));
  ASSERT_TRUE(file.SetLength(4));
  EXPECT_EQ(7, file.Seek(File::FROM_CURRENT, 0));
  ASSERT_TRUE(file.SetLength(20));
  EXPECT_EQ(std::string("Jell") + std::string(16, '\0'), ReadForTest(path));

  const int64_t beyond_end = int64_t{1} << 33;  // Extends the file.
  EXPECT_EQ(1, file.Write(beyond_end, "!", 1));
  EXPECT_EQ(beyond_end + 1, file.Seek(File::FROM_END, 0));

  // Truncating a mapped file is an invalid operation.
  FilePath mapped_path = MakeFile(L"mapped.bin", std::string(8192, 'm'));
  MemoryMappedFile mapped;
  ASSERT_TRUE(mapped.InitializeReadOnly(mapped_path));
  File mapped_file(mapped_path, kOpenRead | File::FLAG_WRITE);
  ASSERT_EQ(100, mapped_file.Seek(File::FROM_BEGIN, 100));
  EXPECT_FALSE(mapped_file.SetLength(10));
  EXPECT_EQ(File::FILE_ERROR_INVALID_OPERATION,
            File::OSErrorToFileError(::GetLastError()));
  EXPECT_EQ(100, mapped_file.Seek(File::FROM_CURRENT, 0));
  EXPECT_EQ('m', mapped.data()[8191]);
}

TEST_F(FileTest, MoveGetInfoAndDeleteOnClose) {
  const Time now = Time::Now();
  File first(MakeFile(L"info.txt", "12345"), kOpenRead);
  HANDLE handle = first.GetPlatformFile();
  File second(std::move(first));
  EXPECT_FALSE(first.IsValid());
  File file;
  file = std::move(second);
  EXPECT_EQ(handle, file.GetPlatformFile());
  EXPECT_EQ(File::FILE_OK, file.error_details());
  File::Info info;
  ASSERT_TRUE(file.GetInfo(&info));
  EXPECT_EQ(5, info.size);
  EXPECT_FALSE(info.is_directory);
  EXPECT_FALSE(info.is_symbolic_link);
  for (Time time : {info.last_modified, info.last_accessed, info.creation_time})
    EXPECT_LT(std::llabs((time - now).InSeconds()), 60);
  File folder(FilePath(folder_.path()),
              kOpenRead | File::FLAG_BACKUP_SEMANTICS);
  ASSERT_TRUE(folder.GetInfo(&info));
  EXPECT_TRUE(info.is_directory);

  FilePath scratch = Path(L"scratch.tmp");
  {
    // Create always, temporary, delete on close.
    File temporary(scratch, 0x2868);
    ASSERT_TRUE(temporary.IsValid());
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
            ::GetFileAttributesW(scratch.value().c_str()));
}

TEST(FileErrorTest, OSErrorToFileErrorCountsOnlyUnknownErrors) {
  const char kHistogram[] = "PlatformFile.UnknownErrors.Windows";
  int64_t total = GetHistogramTotalCount(kHistogram);
  int64_t invalid_parameter = GetHistogramSampleCount(kHistogram, 87);
  // The errors that the tests above cannot provoke with a real file, one of
  // each class, and a missing folder.
  struct Case {
    DWORD os_error;
    File::Error expected;
  } cases[] = {
      {4, File::FILE_ERROR_TOO_MANY_OPENED}, {8, File::FILE_ERROR_NO_MEMORY},
      {112, File::FILE_ERROR_NO_SPACE},      {21, File::FILE_ERROR_IO},
      {3, File::FILE_ERROR_NOT_FOUND},       {183, File::FILE_ERROR_FAILED},
      {87, File::FILE_ERROR_FAILED},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, File::OSErrorToFileError(c.os_error)) << c.os_error;
  // Only the two unknown errors above were counted, each once.
  EXPECT_EQ(invalid_parameter + 1, GetHistogramSampleCount(kHistogram, 87));
  EXPECT_EQ(total + 2, GetHistogramTotalCount(kHistogram));
}

}  // namespace
}  // namespace base
