// Whole-file and whole-directory work by path: existence and information,
// temporary files, reading and writing entire files, creating directory
// trees, and deleting, copying, moving and replacing files and trees.
//
//   base::FilePath dir = install_dir.Append(L"old_status");
//   if (!base::CreateDirectoryTree(dir)) return false;
//   if (!base::MovePath(install_dir.Append(L"velto_install_log.xml"),
//                       dir.Append(L"velto_install_log.xml"))) {
//     PLOG(ERROR) << "Cannot keep the old log";
//   }
//
// Every function passes the path's text to Windows unchanged and reports
// failure by its result (false, -1 or an empty path); none throws or logs
// except where noted. The delete, copy and move functions refuse a path of
// kMaxPathLength (260) characters or more before touching anything. Whole-tree
// copies and deletes stop at the first failure and leave what they did in
// place; a move keeps every file complete somewhere (see MovePath).
// Links (junctions and directory symbolic links) are never followed by the
// tree operations: a link is removed or listed as itself.
//
// All functions may run on any thread; none takes a lock.
//
// The header brings in <windows.h> on purpose: with UNICODE it renames
// GetCurrentDirectory and ReplaceFile to their ...W forms, and every caller
// must see the same rename so that the declarations below match their
// definitions.
#ifndef BASE_FILES_FILE_UTIL_H_
#define BASE_FILES_FILE_UTIL_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <functional>
#include <string>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/win/windows_types.h"

namespace base {

// Paths of this many characters or more are refused by the delete, copy and
// move functions.
constexpr size_t kMaxPathLength = 260;

// ---- Existence and attributes ----

bool PathExists(const FilePath& path);
bool DirectoryExists(const FilePath& path);
// Whether the file or directory can be opened for writing its data.
bool PathIsWritable(const FilePath& path);
// Fills size, is_directory and the three times; leaves is_symbolic_link as
// the caller set it.
bool GetFileInfo(const FilePath& path, File::Info* info);
bool GetFileSizeFromPath(const FilePath& path, int64_t* size);

// ---- Well-known directories and names ----

// The temporary directory without a trailing separator.
bool GetTempDir(FilePath* path);
// The user's profile folder; else the temporary directory; else "C:\".
FilePath GetHomeDir();
bool GetCurrentDirectory(FilePath* path);
// The absolute form of |path|, or an empty path when it cannot be built.
FilePath MakeAbsoluteFilePath(const FilePath& path);
// Creates a new empty file with a unique name in |dir| and stores its long
// name (or, failing that, the short one) in |temp_file|.
bool CreateTemporaryFileInDir(const FilePath& dir, FilePath* temp_file);
// CreateTemporaryFileInDir in the temporary directory; |path| is set only on
// success.
bool CreateTemporaryFile(FilePath* path);

// ---- Reading and writing whole files ----

// A binary read-only stream that child processes do not inherit and that
// others may read and write meanwhile. Null on failure; close it with fclose.
FILE* OpenFile(const FilePath& path);

// Reads the whole file into |*contents| (when not null; it is cleared
// first). Fails for a path with a ".." component, on a read error, or when
// the file holds more than |max_size| bytes; in the last case |*contents|
// holds the first |max_size| bytes.
bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents,
                                 size_t max_size);
bool ReadFileToString(const FilePath& path, std::string* contents);

// Reads up to |size| bytes from the start of the file with one read. Returns
// the count read, or -1 when the file does not open, the read fails or
// |size| is negative.
int ReadFileBytes(const FilePath& path, char* data, int size);
// Creates or truncates the file and writes |size| bytes. Returns |size|, or
// -1 when not every byte was written or |size| is negative.
int WriteFileBytes(const FilePath& path, const char* data, int size);
// Appends |size| bytes to an existing file. Failures are logged at verbose
// level 1.
bool AppendToFile(const FilePath& path, const char* data, int size);

// ---- Creating, deleting, copying and moving ----

// Creates |path| and its missing parents. True when the directory exists at
// the end, also when another party created it meanwhile. On failure stores
// the cause in |*error| (when not null): File::FILE_ERROR_NOT_A_DIRECTORY when a file
// stands in the way, FILE_ERROR_NOT_FOUND for a root that is not there.
bool CreateDirectoryAndGetError(const FilePath& path, File::Error* error);
bool CreateDirectoryTree(const FilePath& path);

// Deletes a file or directory. True when nothing of |path| is left to
// delete: an empty or missing path counts as deleted. A base name holding
// "*" or "?" deletes the matching entries of its directory instead (see
// DeleteFileRecursive). A directory is emptied first only when |recursive|;
// a link is removed as a link, never emptied. Read-only files are deleted.
bool DeleteFileOrTree(const FilePath& path, bool recursive);

// Deletes the entries of |directory| that match |pattern|: files always,
// subdirectories (emptied of matching entries first) only when |recursive|.
// Stops with false at the first failure.
bool DeleteFileRecursive(const FilePath& directory,
                         const FilePath::StringType& pattern, bool recursive);

// Puts |from| in the place of |to|, replacing |to| when it exists, with one
// rename: whoever looks at |to| meanwhile, and a process that dies
// meanwhile, finds the old file or the new one, never none. A rename that
// others' open handles refuse (a reader of |to|, say) is tried again for a
// moment (100 ms, and at least 10 times). Only when it is still refused over
// an existing |to| is ReplaceFileW tried, which works in steps; should that
// lose the old file half-way, |from| is moved into its place (and a warning
// logged). On failure |from| is still there, and the thread's last error is
// the one of the step that failed: when |to| is missing then, |from| holds
// the only data left.
bool ReplaceFile(const FilePath& from, const FilePath& to);

// Copies a file, overwriting |to|; the copy never keeps the read-only
// attribute. Refuses paths with a ".." component.
bool CopyFileClearReadOnly(const FilePath& from, const FilePath& to);

// Copies the tree at |from|. When |to| is an existing directory the copy is
// made inside it (to\<base name of from>); otherwise |to| becomes the copy.
// A tree is never copied onto or into itself, judged by where the copy would
// land: "T\a" is not copied to "T". Links inside the tree are created as
// plain directories; their targets are not copied.
bool CopyDirectory(const FilePath& from, const FilePath& to);

// Where the files stand when a move returns.
enum class MoveOutcome {
  // Everything is at the destination; |from| is gone.
  kMoved,
  // Everything is still complete at |from|. A partial copy made on the way
  // was removed again (should that removal fail too, its remains are left at
  // the destination).
  kNotMoved,
  // A folder moved across volumes: its copy at the destination is complete,
  // but deleting |from| stopped part-way (a file held open, say). What is
  // left at |from| duplicates the copy.
  kCopiedSourceLeft,
};

// Moves a file or directory, replacing an existing target file. A file may
// cross volumes. A folder that cannot (the move fails with
// ERROR_NOT_SAME_DEVICE) is copied, then its source deleted; like
// CopyDirectory it lands inside |to| when |to| is an existing folder, but it
// is never merged into a folder already there. Any other failure changes
// nothing. Every file stays complete in at least one place: the result is
// true only for MoveOutcome::kMoved, and |*outcome| (when not null) tells
// the failures apart. On failure the thread's last error is the one of the
// move itself. Refuses paths with a ".." component.
bool MovePath(const FilePath& from, const FilePath& to,
              MoveOutcome* outcome = nullptr);
// MovePath without the ".." check.
bool MovePathUnchecked(const FilePath& from, const FilePath& to,
                       MoveOutcome* outcome = nullptr);

namespace internal {

// Calls |rename| until it succeeds, or fails for another reason than a file
// in use (access denied or a sharing violation: a reader of the target, say),
// or has been refused for 100 ms and at least 10 times: a reader holds a file
// for milliseconds. The last error is then the last call's. ReplaceFile and
// ReplacementFile retry their renames with it.
bool RetryWhileInUse(const std::function<bool()>& rename);

// The signature of MoveFileExW.
using MoveFileFunction = BOOL(WINAPI*)(const wchar_t* from, const wchar_t* to,
                                       DWORD flags);

// For tests only: routes the moves of MovePathUnchecked and ReplaceFile
// through |function| for the scope's life, since a test machine seldom has a
// second volume to move a folder to, nor a rename that fails on demand.
// Scopes nest; they must not overlap across threads.
class ScopedMoveFileForTesting {
 public:
  explicit ScopedMoveFileForTesting(MoveFileFunction function);
  ~ScopedMoveFileForTesting();
  ScopedMoveFileForTesting(const ScopedMoveFileForTesting&) = delete;
  ScopedMoveFileForTesting& operator=(const ScopedMoveFileForTesting&) =
      delete;

 private:
  MoveFileFunction previous_;
};

// The signature of ReplaceFileW.
using ReplaceFileFunction = BOOL(WINAPI*)(const wchar_t* replaced,
                                          const wchar_t* replacement,
                                          const wchar_t* backup, DWORD flags,
                                          void* exclude, void* reserved);

// For tests only: routes the ReplaceFileW calls of ReplaceFile through
// |function| for the scope's life, since its rarer failures cannot be
// provoked on demand. Scopes nest; they must not overlap across threads.
class ScopedReplaceFileForTesting {
 public:
  explicit ScopedReplaceFileForTesting(ReplaceFileFunction function);
  ~ScopedReplaceFileForTesting();
  ScopedReplaceFileForTesting(const ScopedReplaceFileForTesting&) = delete;
  ScopedReplaceFileForTesting& operator=(const ScopedReplaceFileForTesting&) =
      delete;

 private:
  ReplaceFileFunction previous_;
};

}  // namespace internal

}  // namespace base

#endif  // BASE_FILES_FILE_UTIL_H_
