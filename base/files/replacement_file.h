// A new file beside a target that is to take the target's place once it is
// complete: the first half of every "write beside, then swap in" save.
//
//   ReplacementFile replacement;
//   if (!replacement.Create(path)) return false;      // logged
//   if (replacement.file().Write(0, data, size) != size ||
//       !::FlushFileBuffers(replacement.file().GetPlatformFile())) {
//     return false;                   // the destructor deletes the file
//   }
//   return replacement.ReplaceTarget();   // logged; never loses both
//
// The file is named after the target, "<target name>.<8 hex digits>.tmp",
// so that a later writer of the same target can tell the leftovers of
// writers that died half-way and delete them. It stays open, without delete
// sharing, from its creation until it stands at the target: renamed through
// its own handle, so that the sweep of another writer of the same target
// (another thread or process, or a path that differs only in letter case)
// can never delete a write in progress. Only the fallback after a rename that
// readers of the target keep refusing (see ReplaceTarget) closes it first.
//
// One thread uses a ReplacementFile; it may be moved, not copied.
#ifndef BASE_FILES_REPLACEMENT_FILE_H_
#define BASE_FILES_REPLACEMENT_FILE_H_

#include "base/files/file.h"
#include "base/files/file_path.h"

namespace base {

class ReplacementFile {
 public:
  ReplacementFile();
  // Deletes the file unless it stands at the target or was kept.
  ~ReplacementFile();
  ReplacementFile(ReplacementFile&& other);
  ReplacementFile& operator=(ReplacementFile&& other);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates a new, empty file with a unique name beside |target|, open for
  // writing. First, while |target| exists, deletes the files of that form
  // left beside it that nobody holds open: while |target| is missing, such a
  // leftover may hold the only complete copy of its data, and stays. False,
  // with the thread's last error set, when no file can be created (a missing
  // folder, say) or |target| has a ".." component.
  bool Create(const FilePath& target);

  // The open file, for writing and flushing; closed after ReplaceTarget.
  File& file() { return file_; }
  const FilePath& path() const { return path_; }
  const FilePath& target() const { return target_; }

  // Puts the file in the place of the target with one rename through its
  // handle, so that a reader of the target meanwhile, and a process that dies
  // meanwhile, finds the old file or the new one, never none. A rename that
  // readers of the target refuse is tried again for a moment (see
  // internal::RetryWhileInUse); after that the file is closed and
  // base::ReplaceFile tries again by path, ReplaceFileW included. True when
  // the file stands at the target; it is closed either way. A failure is
  // logged, and the thread's last error is the failing step's. The file is
  // then deleted when this object goes, unless the swap lost the target: it
  // then holds the only copy of the data and stays, as the log says (unless
  // someone deleted it in the moment after it was closed).
  bool ReplaceTarget();

  // Leaves the file on disk when this object goes.
  void Keep();

 private:
  void DeleteIfUnplaced();

  File file_;
  FilePath path_;
  FilePath target_;
  // Whether the file now stands at the target, or is to stay where it is.
  bool done_ = false;
};

}  // namespace base

#endif  // BASE_FILES_REPLACEMENT_FILE_H_
