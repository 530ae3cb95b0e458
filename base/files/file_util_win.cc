// The Win32 side of the file utilities.
#include "base/files/file_util.h"

#include <share.h>
#include <stdlib.h>
#include <wchar.h>

#include <algorithm>
#include <limits>
#include <memory>

#include "base/files/file_enumerator.h"
#include "base/logging.h"
#include "base/rand_util.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

#include <shlobj.h>

namespace base {

namespace {

// Whole files are read through one buffer of this size.
constexpr size_t kReadChunkSize = 65536;

// The refusal of long paths, made before any system call. The caller's log
// then names the cause through the last error.
bool IsShortEnough(const FilePath& path) {
  if (path.value().length() < kMaxPathLength)
    return true;
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return false;
}

// Only these errors say that a path is not there; anything else (an invalid
// name, a denied directory, a network failure) leaves its existence unknown.
bool IsNotFoundError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A junction or directory symbolic link. Its attributes as listed and as read
// from the path both count; attributes that cannot be read (all bits set)
// count as a link, so an unknown entry is never entered.
bool IsLink(const FilePath& path, DWORD listed_attributes) {
  if (listed_attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    return true;
  return (::GetFileAttributesW(path.value().c_str()) &
          FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void ClearReadOnly(const FilePath& path, DWORD attributes) {
  ::SetFileAttributesW(path.value().c_str(),
                       attributes & ~FILE_ATTRIBUTE_READONLY);
}

// FilePath compares exactly apart from the drive letter, but the file system
// does not: "C:\Data" and "c:\data\sub" name a folder and its child.
bool IsSameOrParentIgnoringCase(const FilePath& parent,
                                const FilePath& child) {
  const FilePath::StringType parent_text =
      parent.StripTrailingSeparators().value();
  const FilePath::StringType child_text =
      child.StripTrailingSeparators().value();
  if (parent_text.empty() || child_text.size() < parent_text.size())
    return false;
  if (FilePath::CompareIgnoreCase(
          parent_text, StringPiece16(child_text.data(), parent_text.size())) !=
      0) {
    return false;
  }
  return child_text.size() == parent_text.size() ||
         FilePath::IsSeparator(parent_text.back()) ||
         FilePath::IsSeparator(child_text[parent_text.size()]);
}

struct StreamCloser {
  void operator()(FILE* stream) const { fclose(stream); }
};

internal::MoveFileFunction g_move_file = &::MoveFileExW;
internal::ReplaceFileFunction g_replace_file = &::ReplaceFileW;

// How long and how often ReplaceFile tries a rename that others' open
// handles refuse; a reader holds a file for milliseconds.
constexpr int64_t kRenameRetryMilliseconds = 100;
constexpr int kRenameAttempts = 10;

// Where CopyDirectory(from, to) puts the copy of |from|.
FilePath CopyDestination(const FilePath& from, const FilePath& to) {
  return DirectoryExists(to) ? to.Append(from.BaseName().value()) : to;
}

// A folder that cannot be renamed onto another volume is copied there, then
// deleted here.
MoveOutcome MoveFolderAcrossVolumes(const FilePath& from, const FilePath& to) {
  const FilePath destination = CopyDestination(from, to);
  // Merging into a folder that is already there could not be undone should
  // the copy fail, and a file there is no place for a folder.
  if (PathExists(destination))
    return MoveOutcome::kNotMoved;
  if (!CopyDirectory(from, to)) {
    // The source is still complete; a partial copy beside it would leave the
    // caller guessing which one is whole. Whatever stands there now was made
    // by the copy.
    if (PathExists(destination))
      DeleteFileOrTree(destination, true);
    return MoveOutcome::kNotMoved;
  }
  // The copy is complete, so it stays even when the delete stops part-way:
  // removing it would lose the files already deleted here.
  if (!DeleteFileOrTree(from, true))
    return MoveOutcome::kCopiedSourceLeft;
  return MoveOutcome::kMoved;
}

}  // namespace

// ---- Existence and attributes ----

bool PathExists(const FilePath& path) {
  return ::GetFileAttributesW(path.value().c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const FilePath& path) {
  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathIsWritable(const FilePath& path) {
  // Backup semantics let a directory open too.
  ScopedHandle file(::CreateFileW(
      path.value().c_str(), FILE_WRITE_DATA,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.IsValid();
}

bool GetFileInfo(const FilePath& path, File::Info* info) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.value().c_str(), GetFileExInfoStandard,
                              &data)) {
    return false;
  }
  ULARGE_INTEGER size;
  size.HighPart = data.nFileSizeHigh;
  size.LowPart = data.nFileSizeLow;
  info->size = static_cast<int64_t>(size.QuadPart);
  info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->last_modified = Time::FromFileTime(data.ftLastWriteTime);
  info->last_accessed = Time::FromFileTime(data.ftLastAccessTime);
  info->creation_time = Time::FromFileTime(data.ftCreationTime);
  return true;
}

bool GetFileSizeFromPath(const FilePath& path, int64_t* size) {
  File::Info info;
  if (!GetFileInfo(path, &info))
    return false;
  *size = info.size;
  return true;
}

// ---- Well-known directories and names ----

bool GetTempDir(FilePath* path) {
  wchar_t buffer[MAX_PATH];
  DWORD length = ::GetTempPathW(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH)
    return false;
  *path = FilePath(StringPiece16(buffer, length)).StripTrailingSeparators();
  return true;
}

FilePath GetHomeDir() {
  wchar_t buffer[MAX_PATH];
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr,
                                   SHGFP_TYPE_CURRENT, buffer)) &&
      buffer[0]) {
    return FilePath(StringPiece16(buffer, MAX_PATH));
  }
  FilePath temp;
  if (GetTempDir(&temp))
    return temp;
  return FilePath(L"C:\\");
}

bool GetCurrentDirectory(FilePath* path) {
  wchar_t buffer[MAX_PATH];
  // Too small a buffer gives the size needed, which is more than MAX_PATH.
  DWORD length = ::GetCurrentDirectoryW(MAX_PATH, buffer);
  if (length == 0 || length > MAX_PATH)
    return false;
  *path = FilePath(StringPiece16(buffer, std::min<size_t>(length, MAX_PATH)))
              .StripTrailingSeparators();
  return true;
}

FilePath MakeAbsoluteFilePath(const FilePath& path) {
  // A caller-owned buffer: with a null one the runtime would allocate from
  // its own heap.
  wchar_t buffer[MAX_PATH];
  if (!_wfullpath(buffer, path.value().c_str(), MAX_PATH))
    return FilePath();
  return FilePath(StringPiece16(buffer, MAX_PATH));
}

bool CreateTemporaryFileInDir(const FilePath& dir, FilePath* temp_file) {
  wchar_t temp_name[MAX_PATH];
  // Unique number 0: the system picks the name and creates the file.
  if (!::GetTempFileNameW(dir.value().c_str(), L"", 0, temp_name))
    return false;
  wchar_t long_name[MAX_PATH];
  DWORD length = ::GetLongPathNameW(temp_name, long_name, MAX_PATH);
  if (length == 0 || length > MAX_PATH) {
    // The file exists all the same; its short name still reaches it.
    *temp_file = FilePath(StringPiece16(temp_name, MAX_PATH));
    return true;
  }
  *temp_file = FilePath(StringPiece16(long_name, MAX_PATH));
  return true;
}

bool CreateTemporaryFile(FilePath* path) {
  FilePath temp_dir;
  if (!GetTempDir(&temp_dir))
    return false;
  FilePath temp_file;
  if (!CreateTemporaryFileInDir(temp_dir, &temp_file))
    return false;
  *path = temp_file;
  return true;
}

// ---- Reading and writing whole files ----

FILE* OpenFile(const FilePath& path) {
  // "N": child processes do not inherit the handle.
  return _wfsopen(path.value().c_str(), L"rbN", _SH_DENYNO);
}

bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents,
                                 size_t max_size) {
  if (contents)
    contents->clear();
  if (path.ReferencesParent())
    return false;
  std::unique_ptr<FILE, StreamCloser> stream(OpenFile(path));
  if (!stream)
    return false;

  std::unique_ptr<char[]> buffer(new char[kReadChunkSize]);
  size_t total = 0;
  for (;;) {
    size_t length = fread(buffer.get(), 1, kReadChunkSize, stream.get());
    if (length == 0)
      return ferror(stream.get()) == 0;
    size_t allowed = max_size - total;
    if (contents)
      contents->append(buffer.get(), std::min(allowed, length));
    if (length > allowed)
      return false;
    total += length;
  }
}

bool ReadFileToString(const FilePath& path, std::string* contents) {
  return ReadFileToStringWithMaxSize(path, contents,
                                     std::numeric_limits<size_t>::max());
}

int ReadFileBytes(const FilePath& path, char* data, int size) {
  if (size < 0)
    return -1;
  ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
  if (!file.IsValid())
    return -1;
  DWORD read = 0;
  if (!::ReadFile(file.Get(), data, static_cast<DWORD>(size), &read, nullptr))
    return -1;
  return static_cast<int>(read);
}

int WriteFileBytes(const FilePath& path, const char* data, int size) {
  if (size < 0)
    return -1;
  ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file.IsValid())
    return -1;
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data, static_cast<DWORD>(size), &written,
                   nullptr) ||
      written != static_cast<DWORD>(size)) {
    return -1;
  }
  return size;
}

bool AppendToFile(const FilePath& path, const char* data, int size) {
  if (size < 0)
    return false;
  ScopedHandle file(::CreateFileW(path.value().c_str(), FILE_APPEND_DATA, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) {
    VPLOG(1) << "CreateFile failed for path "
                       << path.AsUTF8Unsafe();
    return false;
  }
  DWORD written = 0;
  if (!::WriteFile(file.Get(), data, static_cast<DWORD>(size), &written,
                   nullptr)) {
    VPLOG(1) << "Writing file " << path.AsUTF8Unsafe() << " failed";
    return false;
  }
  if (written != static_cast<DWORD>(size)) {
    VPLOG(1) << "Only wrote " << written << " out of " << size
                       << " byte(s) to " << path.AsUTF8Unsafe();
    return false;
  }
  return true;
}

// ---- Creating directories ----

bool CreateDirectoryAndGetError(const FilePath& path, File::Error* error) {
  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      return true;
    if (error)
      *error = File::FILE_ERROR_NOT_A_DIRECTORY;
    return false;
  }

  FilePath parent = path.DirName();
  if (parent == path) {
    // A root that is not there, such as a missing drive.
    if (error)
      *error = File::FILE_ERROR_NOT_FOUND;
    return false;
  }
  if (!CreateDirectoryAndGetError(parent, error))
    return false;

  if (::CreateDirectoryW(path.value().c_str(), nullptr))
    return true;
  DWORD create_error = ::GetLastError();
  // Another party may have created it since the check above.
  if (create_error == ERROR_ALREADY_EXISTS && DirectoryExists(path))
    return true;
  if (error)
    *error = File::OSErrorToFileError(create_error);
  return false;
}

bool CreateDirectoryTree(const FilePath& path) {
  return CreateDirectoryAndGetError(path, nullptr);
}

// ---- Deleting ----

bool DeleteFileOrTree(const FilePath& path, bool recursive) {
  if (path.empty())
    return true;
  if (!IsShortEnough(path))
    return false;

  const FilePath::StringType base_name = path.BaseName().value();
  if (base_name.find_first_of(L"*?") != FilePath::StringType::npos)
    return DeleteFileRecursive(path.DirName(), base_name, recursive);

  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return IsNotFoundError(::GetLastError());

  if (attributes & FILE_ATTRIBUTE_READONLY) {
    if (!::SetFileAttributesW(path.value().c_str(),
                              attributes & ~FILE_ATTRIBUTE_READONLY)) {
      return false;
    }
  }

  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    // A link is removed as itself: emptying it would delete its target's
    // contents.
    if (recursive && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !DeleteFileRecursive(path, L"*", true)) {
      return false;
    }
    return ::RemoveDirectoryW(path.value().c_str()) != 0;
  }
  return ::DeleteFileW(path.value().c_str()) != 0;
}

bool DeleteFileRecursive(const FilePath& directory,
                         const FilePath::StringType& pattern, bool recursive) {
  FileEnumerator traversal(
      directory, false, FileEnumerator::FILES | FileEnumerator::DIRECTORIES,
      pattern);
  for (FilePath current = traversal.Next(); !current.empty();
       current = traversal.Next()) {
    DWORD attributes = traversal.GetInfo().find_data().dwFileAttributes;
    bool is_directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((attributes & FILE_ATTRIBUTE_READONLY) &&
        (recursive || !is_directory)) {
      ClearReadOnly(current, attributes);
    }

    if (!is_directory) {
      if (!::DeleteFileW(current.value().c_str()))
        return false;
      continue;
    }
    if (!recursive)
      continue;
    if (!IsLink(current, attributes) &&
        !DeleteFileRecursive(current, pattern, true)) {
      return false;
    }
    if (!::RemoveDirectoryW(current.value().c_str()))
      return false;
  }
  return true;
}

// ---- Replacing, copying and moving ----

bool ReplaceFile(const FilePath& from, const FilePath& to) {
  // A rename over |to| swaps the contents in one step. ReplaceFileW works in
  // steps (the old file is moved away before the new one moves in), so a
  // reader or a crash in between would find no file at all. A reader holding
  // |to| open gets the rename refused, but only for the moment of its read:
  // the rename is tried again for a while before ReplaceFileW is.
  if (internal::RetryWhileInUse([&] {
        return g_move_file(from.value().c_str(), to.value().c_str(),
                           MOVEFILE_REPLACE_EXISTING) != 0;
      })) {
    return true;
  }
  const DWORD move_error = ::GetLastError();
  // Only for its record of unknown error codes.
  File::OSErrorToFileError(move_error);
  // With nothing to replace, ReplaceFileW could only fail, and the move's
  // error is the one that explains.
  if (!PathExists(to)) {
    ::SetLastError(move_error);
    return false;
  }
  if (g_replace_file(to.value().c_str(), from.value().c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  const DWORD replace_error = ::GetLastError();
  // With these two errors the old file may already be removed or renamed
  // away, and |from| then holds the only data left under the name |to|.
  if ((replace_error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
       replace_error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) &&
      !PathExists(to) &&
      g_move_file(from.value().c_str(), to.value().c_str(), 0)) {
    LOG(WARNING) << "Replacing " << to.value() << " failed ("
                 << logging::SystemErrorCodeToString(replace_error)
                 << "); moved " << from.value() << " into its place instead";
    return true;
  }
  ::SetLastError(replace_error);
  return false;
}

bool CopyFileClearReadOnly(const FilePath& from, const FilePath& to) {
  if (from.ReferencesParent() || to.ReferencesParent())
    return false;
  if (!IsShortEnough(from) || !IsShortEnough(to))
    return false;
  if (!::CopyFileW(from.value().c_str(), to.value().c_str(), FALSE))
    return false;
  DWORD attributes = ::GetFileAttributesW(to.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ClearReadOnly(to, attributes);
  return true;
}

bool CopyDirectory(const FilePath& from, const FilePath& to) {
  if (!IsShortEnough(from) || !IsShortEnough(to))
    return false;

  // Compared with the folder the copy lands in, so that "T\a" copied into
  // "T" counts as a copy onto itself.
  FilePath real_to = MakeAbsoluteFilePath(
      PathExists(to) ? CopyDestination(from, to) : to.DirName());
  if (real_to.empty())
    return false;
  FilePath real_from = MakeAbsoluteFilePath(from);
  if (real_from.empty())
    return false;
  if (real_from == real_to || real_from.IsParent(real_to) ||
      IsSameOrParentIgnoringCase(real_from, real_to)) {
    return false;
  }

  FileEnumerator traversal(
      from, true, FileEnumerator::FILES | FileEnumerator::DIRECTORIES,
      FilePath::StringType());
  if (!PathExists(from))
    return false;

  // Into an existing directory the source's top folder is recreated.
  FilePath base = DirectoryExists(to) ? from.DirName() : from;
  FilePath current = from;
  bool from_is_dir = DirectoryExists(from);
  bool success = true;
  while (success && !current.empty()) {
    FilePath target = to;
    if (current != base && !base.AppendRelativePath(current, &target)) {
      success = false;
      break;
    }
    if (from_is_dir) {
      if (!DirectoryExists(target) &&
          !::CreateDirectoryW(target.value().c_str(), nullptr)) {
        success = false;
      }
    } else if (!CopyFileClearReadOnly(current, target)) {
      success = false;
    }
    current = traversal.Next();
    if (!current.empty())
      from_is_dir = traversal.GetInfo().IsDirectory();
  }
  return success;
}

bool MovePath(const FilePath& from, const FilePath& to,
              MoveOutcome* outcome) {
  if (outcome)
    *outcome = MoveOutcome::kNotMoved;
  if (from.ReferencesParent() || to.ReferencesParent())
    return false;
  return MovePathUnchecked(from, to, outcome);
}

bool MovePathUnchecked(const FilePath& from, const FilePath& to,
                       MoveOutcome* outcome) {
  MoveOutcome result = MoveOutcome::kNotMoved;
  if (IsShortEnough(from) && IsShortEnough(to)) {
    if (g_move_file(from.value().c_str(), to.value().c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
      result = MoveOutcome::kMoved;
    } else {
      DWORD move_error = ::GetLastError();
      // Only a folder bound for another volume cannot move in one step. Any
      // other failure (a file in use, a folder in the way, a move into
      // itself) leaves everything where it is.
      if (move_error == ERROR_NOT_SAME_DEVICE && DirectoryExists(from))
        result = MoveFolderAcrossVolumes(from, to);
      // The caller's log should show why the move itself failed.
      if (result != MoveOutcome::kMoved)
        ::SetLastError(move_error);
    }
  }
  if (outcome)
    *outcome = result;
  return result == MoveOutcome::kMoved;
}

namespace internal {

bool RetryWhileInUse(const std::function<bool()>& rename) {
  const TimeTicks give_up =
      TimeTicks::Now() + TimeDelta::FromMilliseconds(kRenameRetryMilliseconds);
  for (int attempt = 1;; ++attempt) {
    if (rename())
      return true;
    const DWORD error = ::GetLastError();
    const bool in_use =
        error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
    // A count as well as a time, so that a loaded machine, which sleeps
    // longer, still tries as often.
    if (!in_use || (attempt >= kRenameAttempts && TimeTicks::Now() >= give_up))
      return false;
    ::Sleep(1);
  }
}

ScopedMoveFileForTesting::ScopedMoveFileForTesting(MoveFileFunction function)
    : previous_(g_move_file) {
  g_move_file = function;
}

ScopedMoveFileForTesting::~ScopedMoveFileForTesting() {
  g_move_file = previous_;
}

ScopedReplaceFileForTesting::ScopedReplaceFileForTesting(
    ReplaceFileFunction function)
    : previous_(g_replace_file) {
  g_replace_file = function;
}

ScopedReplaceFileForTesting::~ScopedReplaceFileForTesting() {
  g_replace_file = previous_;
}

}  // namespace internal

}  // namespace base
