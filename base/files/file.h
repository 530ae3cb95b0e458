// An open file: synchronous reads, positioned writes, seeking, length changes
// and information queries over a Win32 file handle that the File owns.
//
//   File file(path, File::FLAG_OPEN | File::FLAG_READ);
//   if (!file.IsValid()) {
//     LOG(ERROR) << "Cannot open " << path.value() << ": "
//                << file.error_details();
//     return false;
//   }
//   int read = file.ReadAtCurrentPos(buffer, sizeof(buffer));
//
// Opening sets error_details() once; later operations report failure only
// in their result (-1 or false) and leave the file open. A File is used by
// one thread at a time and may be moved, not copied.
#ifndef BASE_FILES_FILE_H_
#define BASE_FILES_FILE_H_

#include <stdint.h>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

class File {
 public:
  // How to open; combine one or more dispositions with access and sharing
  // bits. FLAG_OPEN_TRUNCATED wins over the other dispositions, which are
  // tried in the order CREATE_ALWAYS, OPEN_ALWAYS, CREATE, OPEN.
  enum Flags : uint32_t {
    FLAG_OPEN = 1 << 0,            // An existing file.
    FLAG_CREATE = 1 << 1,          // A new file; fails when it exists.
    FLAG_OPEN_ALWAYS = 1 << 2,     // Existing, or created when missing.
    FLAG_CREATE_ALWAYS = 1 << 3,   // New, replacing any existing file.
    FLAG_OPEN_TRUNCATED = 1 << 4,  // An existing file, emptied.
    FLAG_READ = 1 << 5,
    FLAG_WRITE = 1 << 6,
    FLAG_APPEND = 1 << 7,          // Appending only, in place of FLAG_WRITE.
    FLAG_EXCLUSIVE_READ = 1 << 8,  // Others may not read meanwhile.
    FLAG_EXCLUSIVE_WRITE = 1 << 9, // Others may not write meanwhile.
    FLAG_ASYNC = 1 << 10,          // Overlapped input and output.
    FLAG_TEMPORARY = 1 << 11,
    FLAG_HIDDEN = 1 << 12,
    FLAG_DELETE_ON_CLOSE = 1 << 13,
    FLAG_WRITE_ATTRIBUTES = 1 << 14,
    FLAG_SHARE_DELETE = 1 << 15,   // Others may delete or rename it.
    FLAG_BACKUP_SEMANTICS = 1 << 17,  // Needed to open folders.
    FLAG_EXECUTE = 1 << 18,
    FLAG_SEQUENTIAL_SCAN = 1 << 19,
    FLAG_CAN_DELETE = 1 << 20,     // DELETE access.
  };

  // What went wrong when opening; Win32 errors map onto these.
  enum Error : int32_t {
    FILE_OK = 0,
    FILE_ERROR_FAILED = -1,  // Any error without a code of its own.
    FILE_ERROR_IN_USE = -2,
    FILE_ERROR_EXISTS = -3,
    FILE_ERROR_NOT_FOUND = -4,
    FILE_ERROR_ACCESS_DENIED = -5,
    FILE_ERROR_TOO_MANY_OPENED = -6,
    FILE_ERROR_NO_MEMORY = -7,
    FILE_ERROR_NO_SPACE = -8,
    // A path, or one of its parents, exists as a file. No Win32 error maps
    // onto it; CreateDirectoryAndGetError reports it.
    FILE_ERROR_NOT_A_DIRECTORY = -9,
    FILE_ERROR_INVALID_OPERATION = -10,
    FILE_ERROR_IO = -16,
  };

  // Seek origins, with the values of SetFilePointerEx.
  enum Whence {
    FROM_BEGIN = 0,
    FROM_CURRENT = 1,
    FROM_END = 2,
  };

  struct Info {
    int64_t size = 0;
    bool is_directory = false;
    bool is_symbolic_link = false;  // Never set by GetInfo.
    Time last_modified;
    Time last_accessed;
    Time creation_time;
  };

  // Closed, with error_details() FILE_ERROR_FAILED.
  File();
  // Opens |path| as Initialize does.
  File(const FilePath& path, uint32_t flags);
  File(File&& other);
  File& operator=(File&& other);
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Closes any open handle, then opens |path| with |flags| (see Flags).
  // A path with a ".." component is refused with FILE_ERROR_ACCESS_DENIED
  // before anything is opened; flags without a disposition give
  // FILE_ERROR_INVALID_OPERATION.
  void Initialize(const FilePath& path, uint32_t flags);

  bool IsValid() const;
  HANDLE GetPlatformFile() const { return file_.Get(); }
  void Close();

  // The result of the last Initialize.
  Error error_details() const { return error_details_; }
  // Whether the last Initialize created the file.
  bool created() const { return created_; }
  // Whether the file was opened with FLAG_ASYNC.
  bool async() const { return async_; }

  // Moves the file position; returns the new position or -1.
  int64_t Seek(Whence whence, int64_t offset);
  // Reads up to |size| bytes at the current position. Returns the bytes
  // read, 0 at the end of the file, -1 on failure or a negative |size|.
  int ReadAtCurrentPos(char* data, int size);
  // Writes |size| bytes at |offset|, whatever the current position; the
  // position then lies after the written bytes. Returns the bytes written,
  // or -1 on failure or a negative |size|.
  int Write(int64_t offset, const char* data, int size);
  // Truncates or extends the file to |length| bytes; the position stays.
  bool SetLength(int64_t length);
  bool GetInfo(Info* info);

  // Maps a Win32 error code onto the Error values. Codes without a mapping
  // give FILE_ERROR_FAILED and are counted in the sparse histogram
  // "PlatformFile.UnknownErrors.Windows".
  static Error OSErrorToFileError(DWORD last_error);

 private:
  void DoInitialize(const FilePath& path, uint32_t flags);

  ScopedHandle file_;
  Error error_details_;
  bool created_;
  bool async_;
};

}  // namespace base

#endif  // BASE_FILES_FILE_H_
