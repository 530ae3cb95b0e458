#include "base/files/file_util.h"

#include <io.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_enumerator.h"
#include "base/files/file_test_util.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "testing/scoped_directory_link.h"

namespace base {
namespace {

using test::HoldOpenForTest;
using test::ReadForTest;
using testing_support::WriteFileForTest;

class FileUtilTest : public test::FileTestBase {
 protected:
  FilePath PathOfLength(size_t length) const {
    std::wstring prefix = folder_.path() + L"\\";
    return FilePath(prefix + std::wstring(length - prefix.size(), L'n'));
  }
  bool Exists(const std::wstring& relative) const {
    return PathExists(Path(relative));
  }
  // A small tree: a file, a subfolder holding a file, an empty folder.
  void MakeTree(const std::wstring& root) {
    MakeDir(root);
    MakeFile(root + L"\\1.txt", "one");
    MakeDir(root + L"\\sub");
    MakeFile(root + L"\\sub\\3.txt", "three");
    MakeDir(root + L"\\empty");
  }
  void ExpectTree(const FilePath& root) const {
    SCOPED_TRACE(root.value());
    EXPECT_EQ("one", ReadForTest(root.Append(L"1.txt")));
    EXPECT_EQ("three", ReadForTest(root.Append(L"sub\\3.txt")));
    EXPECT_TRUE(DirectoryExists(root.Append(L"empty")));
  }
  void SetReadOnly(const FilePath& path) {
    ASSERT_TRUE(
        ::SetFileAttributesW(path.value().c_str(), FILE_ATTRIBUTE_READONLY));
  }
};

TEST_F(FileUtilTest, DeleteCountsOnlyNotFoundAsGoneAndClearsReadOnly) {
  EXPECT_TRUE(DeleteFileOrTree(FilePath(), true));
  EXPECT_TRUE(DeleteFileOrTree(Path(L"missing"), false));
  EXPECT_TRUE(DeleteFileOrTree(Path(L"missing\\deeper"), true));
  // An invalid name says nothing about whether the path is there.
  ::SetLastError(0);
  EXPECT_FALSE(DeleteFileOrTree(Path(L"bad|name"), true));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), ::GetLastError());

  FilePath file = MakeFile(L"ro.txt");
  SetReadOnly(file);
  EXPECT_TRUE(DeleteFileOrTree(file, false));
  EXPECT_FALSE(PathExists(file));
  FilePath dir = MakeDir(L"ro_dir");
  MakeFile(L"ro_dir\\inner.txt");
  SetReadOnly(MakeDir(L"ro_dir\\inner_dir"));
  SetReadOnly(dir);
  EXPECT_FALSE(DeleteFileOrTree(dir, false));  // Not empty.
  EXPECT_TRUE(Exists(L"ro_dir\\inner.txt"));
  EXPECT_TRUE(DeleteFileOrTree(dir, true));
  EXPECT_FALSE(PathExists(dir));
  EXPECT_TRUE(DeleteFileOrTree(MakeDir(L"empty"), false));
  EXPECT_FALSE(Exists(L"empty"));
}

TEST_F(FileUtilTest, LongPathsAreRefusedBeforeAnySystemCall) {
  // Wine itself accepts long paths, so a surviving file proves the refusal.
  FilePath at_limit = PathOfLength(kMaxPathLength - 1);
  FilePath too_long = PathOfLength(kMaxPathLength);
  ASSERT_TRUE(WriteFileForTest(at_limit.value(), "a"));
  ASSERT_TRUE(WriteFileForTest(too_long.value(), "b"));

  EXPECT_FALSE(DeleteFileOrTree(too_long, false));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), ::GetLastError());
  EXPECT_FALSE(MovePath(too_long, Path(L"moved")));
  EXPECT_FALSE(CopyFileClearReadOnly(too_long, Path(L"copied")));
  EXPECT_FALSE(CopyFileClearReadOnly(at_limit, too_long));
  EXPECT_FALSE(CopyDirectory(too_long, Path(L"copied")));
  EXPECT_TRUE(PathExists(too_long));
  EXPECT_FALSE(Exists(L"moved"));
  EXPECT_FALSE(Exists(L"copied"));

  EXPECT_TRUE(DeleteFileOrTree(at_limit, false));
  ::DeleteFileW(too_long.value().c_str());
}

TEST_F(FileUtilTest, DeleteWithWildcardMatchesOneDirectory) {
  for (bool recursive : {false, true}) {
    SCOPED_TRACE(recursive);
    MakeDir(L"w");
    MakeFile(L"w\\a.tmp");
    MakeFile(L"w\\keep.txt");
    MakeDir(L"w\\sub.tmp");
    MakeFile(L"w\\sub.tmp\\inner.tmp");
    EXPECT_TRUE(DeleteFileOrTree(Path(L"w\\*.tmp"), recursive));
    EXPECT_FALSE(Exists(L"w\\a.tmp"));
    EXPECT_TRUE(Exists(L"w\\keep.txt"));
    EXPECT_EQ(!recursive, Exists(L"w\\sub.tmp\\inner.tmp"));
    ASSERT_TRUE(DeleteFileOrTree(Path(L"w"), true));
  }
  // "?" stands for one character.
  MakeDir(L"q");
  MakeFile(L"q\\a1.tmp");
  MakeFile(L"q\\a12.tmp");
  EXPECT_TRUE(DeleteFileOrTree(Path(L"q\\a?.tmp"), false));
  EXPECT_FALSE(Exists(L"q\\a1.tmp"));
  EXPECT_TRUE(Exists(L"q\\a12.tmp"));
  // A matched subdirectory holding unmatched entries fails the delete.
  MakeDir(L"w");
  MakeDir(L"w\\sub.tmp");
  MakeFile(L"w\\sub.tmp\\keep.txt");
  EXPECT_FALSE(DeleteFileOrTree(Path(L"w\\*.tmp"), true));
  EXPECT_TRUE(Exists(L"w\\sub.tmp\\keep.txt"));
}

TEST_F(FileUtilTest, RecursiveDeleteNeverEntersDirectoryLinks) {
  MakeDir(L"target");
  MakeFile(L"target\\precious.txt", "keep me");
  MakeDir(L"parent");
  MakeFile(L"parent\\own.txt");
  test::ScopedDirectoryLink link(Path(L"parent\\link").value(),
                                 Path(L"target").value());
  if (!link.created()) GTEST_SKIP() << "Directory links cannot be made here";
  ASSERT_TRUE(Exists(L"parent\\link\\precious.txt"));

  // Wine cannot remove a Unix link, so the delete may fail; it must be true
  // exactly when the tree is gone, and the target must keep its files.
  bool deleted = DeleteFileOrTree(Path(L"parent"), true);
  EXPECT_EQ(deleted, !Exists(L"parent"));
  EXPECT_EQ(deleted, !Exists(L"parent\\link"));
  EXPECT_EQ("keep me", ReadForTest(Path(L"target\\precious.txt")));
  if (!deleted) {
    bool link_deleted = DeleteFileOrTree(Path(L"parent\\link"), true);
    EXPECT_EQ(link_deleted, !Exists(L"parent\\link"));
    EXPECT_EQ("keep me", ReadForTest(Path(L"target\\precious.txt")));
  }
}

TEST_F(FileUtilTest, CreateDirectoryTreeAndWhatStandsInTheWay) {
  FilePath deep = Path(L"a\\b\\c");
  EXPECT_TRUE(CreateDirectoryTree(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(CreateDirectoryTree(deep));  // Existing is fine.

  MakeFile(L"file");
  wchar_t missing_drive[] = L"?:\\velto\\dir";
  DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'Z'; letter >= L'D' && missing_drive[0] == L'?';
       --letter) {
    if (!(drives & (1u << (letter - L'A')))) missing_drive[0] = letter;
  }
  ASSERT_NE(L'?', missing_drive[0]);
  struct Case {
    FilePath path;
    File::Error error;
  } cases[] = {
      {FilePath(missing_drive), File::FILE_ERROR_NOT_FOUND},
      {Path(L"file"), File::FILE_ERROR_NOT_A_DIRECTORY},
      {Path(L"file\\sub\\deeper"), File::FILE_ERROR_NOT_A_DIRECTORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.value());
    File::Error error = File::FILE_OK;
    EXPECT_FALSE(CreateDirectoryAndGetError(c.path, &error));
    EXPECT_EQ(c.error, error);
  }
}

// Installers started side by side create the same tree at once: whoever
// finds a folder made by another since it looked counts it as made.
TEST_F(FileUtilTest, CreateDirectoryTreeRacesWithOthers) {
  constexpr int kThreads = 8;
  for (int round = 0; round < 10; ++round) {
    const FilePath deep = Path(L"r" + std::to_wstring(round) + L"\\a\\b\\c\\d");
    ScopedHandle start(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&] {
        ::WaitForSingleObject(start.Get(), INFINITE);
        File::Error error = File::FILE_OK;
        if (!CreateDirectoryAndGetError(deep, &error)) ++failures;
      });
    }
    ::SetEvent(start.Get());
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, failures.load()) << "round " << round;
    EXPECT_TRUE(DirectoryExists(deep));
  }
}

// A tree is copied onto an existing folder or a missing target, never into
// itself, and its copies are never read-only.
TEST_F(FileUtilTest, CopyDirectory) {
  MakeTree(L"a");
  SetReadOnly(Path(L"a\\sub\\3.txt"));
  // The folder the copy lands in is compared ignoring case.
  for (const wchar_t* to : {L"a", L"a\\sub", L"a\\new", L"a\\new\\deeper",
                            L"A\\new", L"A\\new\\deeper"}) {
    SCOPED_TRACE(to);
    EXPECT_FALSE(CopyDirectory(Path(L"a"), Path(to)));
  }
  // Into its own parent a folder would land on itself.
  EXPECT_FALSE(CopyDirectory(Path(L"a\\sub"), Path(L"a")));
  EXPECT_FALSE(Exists(L"a\\new"));
  EXPECT_FALSE(Exists(L"a\\a"));
  EXPECT_FALSE(Exists(L"a\\sub\\a"));
  EXPECT_FALSE(Exists(L"a\\sub\\1.txt"));

  MakeDir(L"x");
  MakeDir(L"x\\a");
  MakeFile(L"x\\a\\1.txt", "stale");  // Overwritten.
  EXPECT_TRUE(CopyDirectory(Path(L"a"), Path(L"x")));
  ExpectTree(Path(L"x\\a"));
  EXPECT_FALSE(::GetFileAttributesW(Path(L"x\\a\\sub\\3.txt").value().c_str()) &
               FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(CopyDirectory(Path(L"a"), Path(L"y")));
  ExpectTree(Path(L"y"));
  EXPECT_FALSE(Exists(L"y\\a"));
  EXPECT_FALSE(CopyDirectory(Path(L"missing"), Path(L"z")));
  EXPECT_FALSE(Exists(L"z"));
}

// A volume boundary as the system draws it: only a move that allows a copy
// crosses it, and only for a file.
BOOL WINAPI MoveFileOnlyByCopy(const wchar_t* from, const wchar_t* to,
                               DWORD flags) {
  const DWORD attributes = ::GetFileAttributesW(from);
  if (!(flags & MOVEFILE_COPY_ALLOWED) ||
      (attributes != INVALID_FILE_ATTRIBUTES &&
       (attributes & FILE_ATTRIBUTE_DIRECTORY))) {
    ::SetLastError(ERROR_NOT_SAME_DEVICE);
    return FALSE;
  }
  return ::MoveFileExW(from, to, flags);
}

TEST_F(FileUtilTest, MoveRefusesParentReferencesAndReplacesFiles) {
  // "d" need not exist: the system resolves these paths as text.
  FilePath from = MakeFile(L"from", "new");
  EXPECT_FALSE(MovePath(from, Path(L"d\\..\\to")));
  EXPECT_FALSE(MovePath(Path(L"d\\..\\from"), Path(L"to")));
  EXPECT_FALSE(CopyFileClearReadOnly(from, Path(L"d\\..\\to")));
  EXPECT_FALSE(Exists(L"to"));

  FilePath to = MakeFile(L"to", "old");
  {
    // An existing target is replaced, also on another volume.
    internal::ScopedMoveFileForTesting other_volume(&MoveFileOnlyByCopy);
    EXPECT_TRUE(MovePath(from, to));
  }
  EXPECT_EQ("new", ReadForTest(to));
  EXPECT_FALSE(PathExists(from));
}

BOOL WINAPI FailAcrossVolumes(const wchar_t*, const wchar_t*, DWORD) {
  ::SetLastError(ERROR_NOT_SAME_DEVICE);
  return FALSE;
}

TEST_F(FileUtilTest, FolderMovedAcrossVolumesStaysCompleteSomewhere) {
  internal::ScopedMoveFileForTesting other_volume(&FailAcrossVolumes);
  constexpr DWORD kNotHeld = ~DWORD{0};
  struct Case {
    DWORD held_share;  // How a file of the source is held open meanwhile.
    bool into_existing_folder;
    MoveOutcome outcome;
  } cases[] = {
      {kNotHeld, false, MoveOutcome::kMoved},
      {kNotHeld, true, MoveOutcome::kMoved},
      {0, true, MoveOutcome::kNotMoved},  // The copy fails.
      {FILE_SHARE_READ, true, MoveOutcome::kCopiedSourceLeft},  // The delete.
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index);
    std::wstring root = L"case" + std::to_wstring(index++);
    MakeDir(root);
    MakeTree(root + L"\\src");
    FilePath from = Path(root + L"\\src");
    FilePath to = Path(root + L"\\dst");
    FilePath destination = to;
    if (c.into_existing_folder) {
      MakeDir(root + L"\\dst");
      destination = to.Append(L"src");
    }
    ScopedHandle held;
    if (c.held_share != kNotHeld) {
      held.Set(HoldOpenForTest(from.Append(L"sub\\3.txt"), c.held_share));
      ASSERT_TRUE(held.IsValid());
    }

    MoveOutcome outcome = MoveOutcome::kMoved;
    ::SetLastError(0);
    EXPECT_EQ(c.outcome == MoveOutcome::kMoved,
              MovePathUnchecked(from, to, &outcome));
    EXPECT_EQ(c.outcome, outcome);
    if (c.outcome != MoveOutcome::kMoved) {
      EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SAME_DEVICE), ::GetLastError());
    }
    held.Close();
    ExpectTree(c.outcome == MoveOutcome::kNotMoved ? from : destination);
    EXPECT_EQ(c.outcome == MoveOutcome::kNotMoved, !PathExists(destination));
    EXPECT_EQ(c.outcome == MoveOutcome::kMoved, !PathExists(from));
    EXPECT_EQ(c.outcome != MoveOutcome::kNotMoved || c.into_existing_folder,
              PathExists(to));
  }
}

// Any failure but the cross-volume one changes nothing; across volumes a
// folder is never merged into one already there.
TEST_F(FileUtilTest, FailedFolderMoveChangesNothing) {
  MakeTree(L"src");
  MakeDir(L"dst");
  MakeDir(L"dst\\src");
  MakeFile(L"dst\\src\\1.txt", "old");
  // Were the move to copy and then delete, this file would stop the delete
  // half-way.
  ScopedHandle held(HoldOpenForTest(Path(L"src\\sub\\3.txt"), FILE_SHARE_READ));
  ASSERT_TRUE(held.IsValid());
  MakeDir(L"in_way");
  auto not_moved = [this](const wchar_t* from, const FilePath& to) {
    MoveOutcome outcome = MoveOutcome::kMoved;
    return !MovePath(Path(from), to, &outcome) &&
           outcome == MoveOutcome::kNotMoved;
  };
  EXPECT_TRUE(not_moved(L"src", Path(L"in_way")));
  {
    internal::ScopedMoveFileForTesting other_volume(&FailAcrossVolumes);
    EXPECT_TRUE(not_moved(L"src", Path(L"dst")));
  }
  held.Close();
  ExpectTree(Path(L"src"));
  EXPECT_EQ("old", ReadForTest(Path(L"dst\\src\\1.txt")));
  EXPECT_FALSE(Exists(L"dst\\src\\sub"));
  EXPECT_FALSE(Exists(L"in_way\\src"));
}

TEST_F(FileUtilTest, ReadFileToStringWithMaxSizeStopsAtTheLimit) {
  const size_t kChunk = 65536;
  struct Case {
    size_t file_size;
    size_t max_size;
  } cases[] = {
      {0, 0},
      {3 * kChunk + 5, 2 * kChunk + 7},
      {3 * kChunk + 5, 3 * kChunk + 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.file_size << " max " << c.max_size);
    std::string data(c.file_size, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    FilePath file = MakeFile(L"data", data);
    std::string contents = "left over";
    const bool fits = c.file_size <= c.max_size;
    EXPECT_EQ(fits, ReadFileToStringWithMaxSize(file, &contents, c.max_size));
    EXPECT_EQ(data.substr(0, c.max_size), contents);
    EXPECT_EQ(fits, ReadFileToStringWithMaxSize(file, nullptr, c.max_size));
  }

  std::string contents = "left over";
  EXPECT_FALSE(ReadFileToString(Path(L"missing"), &contents));
  EXPECT_TRUE(contents.empty());
  EXPECT_FALSE(ReadFileToString(Path(L"d\\..\\data"), &contents));
}

TEST_F(FileUtilTest, WholeFileStreamsBytesAndQueries) {
  // The stream is shared and not inherited.
  FilePath file = MakeFile(L"f", "abc");
  FILE* stream = OpenFile(file);
  ASSERT_NE(nullptr, stream);
  DWORD flags = 0;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  EXPECT_TRUE(::GetHandleInformation(handle, &flags));
  EXPECT_FALSE(flags & HANDLE_FLAG_INHERIT);
  ScopedHandle other(::CreateFileW(
      file.value().c_str(), GENERIC_READ | GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(other.IsValid());
  // A whole-file read shares the file with its writers too, and so does the
  // test for writing; a reader that shares no writing makes the file
  // unwritable.
  char early[4] = {};
  EXPECT_EQ(3, ReadFileBytes(file, early, sizeof(early)));
  EXPECT_TRUE(PathIsWritable(file));
  fclose(stream);
  other.Close();
  {
    ScopedHandle reader(HoldOpenForTest(file, FILE_SHARE_READ));
    ASSERT_TRUE(reader.IsValid());
    EXPECT_FALSE(PathIsWritable(file));
  }

  EXPECT_EQ(5, WriteFileBytes(file, "hello", 5));
  EXPECT_EQ(2, WriteFileBytes(file, "hi", 2));  // Truncates.
  char buffer[8] = {};
  EXPECT_EQ(2, ReadFileBytes(file, buffer, sizeof(buffer)));
  EXPECT_EQ("hi", std::string(buffer, 2));
  EXPECT_TRUE(AppendToFile(file, "cd", 2));
  EXPECT_EQ("hicd", ReadForTest(file));
  EXPECT_FALSE(AppendToFile(Path(L"missing"), "x", 1));
  EXPECT_FALSE(Exists(L"missing"));
  // Negative sizes are refused and touch nothing.
  EXPECT_EQ(-1, ReadFileBytes(file, buffer, -1));
  EXPECT_EQ(-1, WriteFileBytes(file, "x", -1));
  EXPECT_FALSE(AppendToFile(file, "x", -1));
  EXPECT_EQ("hicd", ReadForTest(file));

  File::Info info;
  info.is_symbolic_link = true;
  ASSERT_TRUE(GetFileInfo(FilePath(folder_.path()), &info));
  EXPECT_TRUE(info.is_directory);
  EXPECT_TRUE(info.is_symbolic_link);  // Left as the caller set it.
  EXPECT_TRUE(PathIsWritable(FilePath(folder_.path())));  // Directories too.
  EXPECT_FALSE(PathIsWritable(Path(L"missing")));
}

// Each time comes from its own field: the last write and last access are set
// years apart, and the creation time is whatever the system keeps (Wine
// reports the last write there). A listing describes the entry by the same
// fields.
TEST_F(FileUtilTest, FileInfoTimesAndSizeComeFromTheirOwnFields) {
  FilePath file = MakeFile(L"dated.txt", "12345");
  auto file_time = [](uint64_t microseconds) {
    const uint64_t ticks = microseconds * 10;
    FILETIME time = {static_cast<DWORD>(ticks),
                     static_cast<DWORD>(ticks >> 32)};
    return time;
  };
  // 2001 and 2011, counted from 1601.
  const FILETIME accessed = file_time(UINT64_C(12622780800000000));
  const FILETIME written = file_time(UINT64_C(12938400000000000));
  {
    ScopedHandle handle(::CreateFileW(file.value().c_str(),
                                      FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(handle.IsValid());
    ASSERT_TRUE(::SetFileTime(handle.Get(), nullptr, &accessed, &written));
  }
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(::GetFileAttributesExW(file.value().c_str(),
                                     GetFileExInfoStandard, &data));
  const Time created = Time::FromFileTime(data.ftCreationTime);
  ASSERT_NE(Time::FromFileTime(accessed), created);

  File::Info info;
  ASSERT_TRUE(GetFileInfo(file, &info));
  EXPECT_EQ(5, info.size);
  EXPECT_FALSE(info.is_directory);
  EXPECT_EQ(Time::FromFileTime(written), info.last_modified);
  EXPECT_EQ(Time::FromFileTime(accessed), info.last_accessed);
  EXPECT_EQ(created, info.creation_time);
  File opened(file, File::FLAG_OPEN | File::FLAG_READ);
  File::Info opened_info;
  ASSERT_TRUE(opened.GetInfo(&opened_info));
  EXPECT_EQ(info.last_modified, opened_info.last_modified);
  EXPECT_EQ(info.last_accessed, opened_info.last_accessed);
  EXPECT_EQ(info.creation_time, opened_info.creation_time);

  FileEnumerator listing(FilePath(folder_.path()), false, FileEnumerator::FILES,
                         L"dated.txt");
  ASSERT_EQ(file, listing.Next());
  EXPECT_EQ(5, listing.GetInfo().GetSize());
  EXPECT_EQ(Time::FromFileTime(written),
            listing.GetInfo().GetLastModifiedTime());
  EXPECT_EQ(FilePath(L"dated.txt"), listing.GetInfo().GetName());
}

// The well-known folders exist and carry no trailing separator; relative
// paths are made absolute against the current directory.
TEST_F(FileUtilTest, WellKnownDirectoriesAndAbsolutePaths) {
  FilePath temp;
  ASSERT_TRUE(GetTempDir(&temp));
  EXPECT_TRUE(DirectoryExists(temp));
  EXPECT_FALSE(FilePath::IsSeparator(temp.value().back())) << temp.value();
  const wchar_t* profile = _wgetenv(L"USERPROFILE");
  ASSERT_NE(nullptr, profile);
  EXPECT_EQ(FilePath(profile), GetHomeDir());

  FilePath saved;
  ASSERT_TRUE(GetCurrentDirectory(&saved));
  ASSERT_TRUE(::SetCurrentDirectoryW(folder_.path().c_str()));
  FilePath current;
  const bool got_current = GetCurrentDirectory(&current);
  const FilePath absolute = MakeAbsoluteFilePath(FilePath(L"a\\..\\b"));
  ASSERT_TRUE(::SetCurrentDirectoryW(saved.value().c_str()));
  EXPECT_TRUE(got_current);
  EXPECT_EQ(FilePath(folder_.path()), current);
  EXPECT_EQ(Path(L"b"), absolute);
}

TEST_F(FileUtilTest, TemporaryFiles) {
  FilePath dir = MakeDir(L"a long folder name");
  FilePath first, second;
  ASSERT_TRUE(CreateTemporaryFileInDir(dir, &first));
  ASSERT_TRUE(CreateTemporaryFileInDir(dir, &second));
  EXPECT_NE(first, second);
  EXPECT_EQ(dir, first.DirName());
  int64_t size = -1;
  EXPECT_TRUE(GetFileSizeFromPath(first, &size));
  EXPECT_EQ(0, size);
  FilePath untouched(L"untouched");
  EXPECT_FALSE(CreateTemporaryFileInDir(Path(L"missing"), &untouched));
  EXPECT_EQ(FilePath(L"untouched"), untouched);
  FilePath temp_file;
  ASSERT_TRUE(CreateTemporaryFile(&temp_file));
  EXPECT_TRUE(DeleteFileOrTree(temp_file, false));
}

// The renames of ReplaceFile as others' handles refuse them: |g_refusals|
// times, and also until |g_refused_until| has passed, with
// |g_refusal_error|; then for real.
int g_refusals = 0;
TimeTicks g_refused_until;
DWORD g_refusal_error = ERROR_SUCCESS;
int g_rename_calls = 0;
BOOL WINAPI RefuseThenMove(const wchar_t* from, const wchar_t* to,
                           DWORD flags) {
  ++g_rename_calls;
  if (g_refusals > 0 || TimeTicks::Now() < g_refused_until) {
    --g_refusals;
    ::SetLastError(g_refusal_error);
    return FALSE;
  }
  return ::MoveFileExW(from, to, flags);
}

// A rename that a reader's handle refuses, whichever of the two errors the
// system gives, is tried again until the reader lets go, for 100 ms and 10
// attempts both: a reader that holds the file for 40 ms outlasts 10 short
// sleeps, and a loaded machine that sleeps long still tries 10 times. Any
// other error is final. The target is missing, so that ReplaceFileW cannot
// step in.
TEST_F(FileUtilTest, ReplaceFileRetriesRenamesRefusedWhileInUse) {
  internal::ScopedMoveFileForTesting refusing(&RefuseThenMove);
  constexpr int kForever = 1 << 30;
  const struct {
    DWORD error;
    int refusals;
    int refused_ms;
    bool replaced;
  } cases[] = {
      {ERROR_SHARING_VIOLATION, 5, 0, true},
      {ERROR_ACCESS_DENIED, 5, 0, true},
      {ERROR_SHARING_VIOLATION, 0, 40, true},
      {ERROR_ACCESS_DENIED, 0, 40, true},
      {ERROR_SHARING_VIOLATION, kForever, 0, false},
      {ERROR_WRITE_PROTECT, 1, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.error << ", " << c.refusals
                                    << " refusals, " << c.refused_ms << " ms");
    FilePath from = MakeFile(L"from", "new");
    FilePath to = Path(L"to");
    ASSERT_TRUE(DeleteFileOrTree(to, false));
    g_refusals = c.refusals;
    g_refusal_error = c.error;
    g_rename_calls = 0;
    const TimeTicks begin = TimeTicks::Now();
    g_refused_until = begin + TimeDelta::FromMilliseconds(c.refused_ms);
    EXPECT_EQ(c.replaced, ReplaceFile(from, to));
    const TimeDelta spent = TimeTicks::Now() - begin;
    if (c.replaced) {
      EXPECT_EQ("new", ReadForTest(to));
      if (c.refused_ms == 0) {
        EXPECT_EQ(c.refusals + 1, g_rename_calls);
      }
    } else {
      EXPECT_EQ(c.error, ::GetLastError());
      EXPECT_EQ("new", ReadForTest(from));
      if (c.refusals == kForever) {
        EXPECT_GE(g_rename_calls, 10);
        EXPECT_GE(spent, TimeDelta::FromMilliseconds(100));
      } else {
        EXPECT_EQ(1, g_rename_calls);
      }
    }
  }
}

}  // namespace
}  // namespace base
