// Iteration over the entries of a directory, optionally of its whole tree.
//
//   base::FileEnumerator enumerator(dir, /*recursive=*/true,
//                                   base::FileEnumerator::FILES, L"*.dll");
//   for (base::FilePath path = enumerator.Next(); !path.empty();
//        path = enumerator.Next()) {
//     int64_t size = enumerator.GetInfo().GetSize();
//   }
//
// Entries come in the order the system lists them. Subdirectories are listed
// after their parent's listing is done, the one found last first. The
// pattern is matched in every directory, so with a pattern other than "*" a
// recursive walk descends only into subdirectories whose names match it.
// Junctions and directory symbolic links are returned as directories but
// never entered, so a walk cannot leave the tree or loop.
//
// An enumerator holds an open find handle between calls to Next and is used
// by one thread at a time.
#ifndef BASE_FILES_FILE_ENUMERATOR_H_
#define BASE_FILES_FILE_ENUMERATOR_H_

#include <stdint.h>

#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

namespace internal {

// Find handles are closed with FindClose and are no kernel handles, so the
// handle verifier does not track them.
class FindHandleTraits {
 public:
  using Handle = HANDLE;
  static bool CloseHandle(HANDLE handle) { return ::FindClose(handle) != 0; }
  static bool IsHandleValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }
  static HANDLE NullHandle() { return INVALID_HANDLE_VALUE; }

  FindHandleTraits() = delete;
};

using ScopedFindHandle =
    win::GenericScopedHandle<FindHandleTraits, win::DummyVerifierTraits>;

}  // namespace internal

class FileEnumerator {
 public:
  // What the system reported for the entry last returned; all zero when the
  // enumerator holds no entry.
  class FileInfo {
   public:
    FileInfo();
    explicit FileInfo(const WIN32_FIND_DATAW& find_data);

    bool IsDirectory() const;
    // The entry's name alone, without its folder.
    FilePath GetName() const;
    int64_t GetSize() const;
    Time GetLastModifiedTime() const;
    const WIN32_FIND_DATAW& find_data() const { return find_data_; }

   private:
    WIN32_FIND_DATAW find_data_;
  };

  // Bits of |file_type|.
  enum FileType {
    FILES = 1 << 0,
    DIRECTORIES = 1 << 1,
    INCLUDE_DOT_DOT = 1 << 2,  // Also return the ".." entries.
  };

  // Lists |root|, and below it when |recursive|. An empty |pattern| means
  // "*".
  FileEnumerator(const FilePath& root, bool recursive, int file_type,
                 const FilePath::StringType& pattern);
  // Lists the whole tree below |root|.
  FileEnumerator(const FilePath& root, int file_type);
  ~FileEnumerator();
  FileEnumerator(const FileEnumerator&) = delete;
  FileEnumerator& operator=(const FileEnumerator&) = delete;

  // The full path of the next matching entry, or an empty path at the end.
  FilePath Next();

  FileInfo GetInfo() const;

 private:
  // "." is never returned; ".." only with INCLUDE_DOT_DOT.
  bool ShouldSkip(const FilePath::StringType& name) const;
  // Opens the listing of |root_path_| into |find_handle_|.
  void StartListing();

  bool has_find_data_ = false;
  WIN32_FIND_DATAW find_data_;
  internal::ScopedFindHandle find_handle_;
  FilePath root_path_;
  const bool recursive_;
  const int file_type_;
  const FilePath::StringType pattern_;
  // Directories still to list; the last pushed is listed next.
  std::vector<FilePath> pending_paths_;
};

}  // namespace base

#endif  // BASE_FILES_FILE_ENUMERATOR_H_
