// The Win32 side of File: CreateFileW with the flag mapping, and the calls
// that read, write, seek, resize and describe an open file.
#include "base/files/file.h"

namespace base {

namespace {

// The creation disposition for |flags|, or 0 when they name none.
DWORD CreationDisposition(uint32_t flags) {
  if (flags & File::FLAG_OPEN_TRUNCATED) return TRUNCATE_EXISTING;
  if (flags & File::FLAG_CREATE_ALWAYS) return CREATE_ALWAYS;
  if (flags & File::FLAG_OPEN_ALWAYS) return OPEN_ALWAYS;
  if (flags & File::FLAG_CREATE) return CREATE_NEW;
  if (flags & File::FLAG_OPEN) return OPEN_EXISTING;
  return 0;
}

DWORD DesiredAccess(uint32_t flags) {
  DWORD access = 0;
  if (flags & File::FLAG_READ) access |= GENERIC_READ;
  if (flags & File::FLAG_APPEND)
    access |= FILE_APPEND_DATA;
  else if (flags & File::FLAG_WRITE)
    access |= GENERIC_WRITE;
  if (flags & File::FLAG_WRITE_ATTRIBUTES) access |= FILE_WRITE_ATTRIBUTES;
  if (flags & File::FLAG_EXECUTE) access |= GENERIC_EXECUTE;
  if (flags & File::FLAG_CAN_DELETE) access |= DELETE;
  return access;
}

DWORD ShareMode(uint32_t flags) {
  DWORD share = 0;
  if (!(flags & File::FLAG_EXCLUSIVE_READ)) share |= FILE_SHARE_READ;
  if (!(flags & File::FLAG_EXCLUSIVE_WRITE)) share |= FILE_SHARE_WRITE;
  if (flags & File::FLAG_SHARE_DELETE) share |= FILE_SHARE_DELETE;
  return share;
}

DWORD FlagsAndAttributes(uint32_t flags) {
  DWORD attributes = 0;
  if (flags & File::FLAG_ASYNC) attributes |= FILE_FLAG_OVERLAPPED;
  if (flags & File::FLAG_TEMPORARY) attributes |= FILE_ATTRIBUTE_TEMPORARY;
  if (flags & File::FLAG_HIDDEN) attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (flags & File::FLAG_DELETE_ON_CLOSE)
    attributes |= FILE_FLAG_DELETE_ON_CLOSE;
  if (flags & File::FLAG_SEQUENTIAL_SCAN)
    attributes |= FILE_FLAG_SEQUENTIAL_SCAN;
  if (flags & File::FLAG_BACKUP_SEMANTICS)
    attributes |= FILE_FLAG_BACKUP_SEMANTICS;
  return attributes;
}

}  // namespace

void File::DoInitialize(const FilePath& path, uint32_t flags) {
  DWORD disposition = CreationDisposition(flags);
  if (!disposition) {
    error_details_ = FILE_ERROR_INVALID_OPERATION;
    return;
  }
  // ScopedHandle keeps the last error, so it can be read after the hand-over.
  file_.Set(::CreateFileW(path.value().c_str(), DesiredAccess(flags),
                          ShareMode(flags), nullptr, disposition,
                          FlagsAndAttributes(flags), nullptr));
  if (!file_.IsValid()) {
    error_details_ = OSErrorToFileError(::GetLastError());
    return;
  }
  error_details_ = FILE_OK;
  async_ = (flags & FLAG_ASYNC) != 0;
  // Truncating wins over the other dispositions and never makes a file.
  if (disposition == TRUNCATE_EXISTING)
    created_ = false;
  else if (flags & FLAG_OPEN_ALWAYS)
    created_ = ::GetLastError() != ERROR_ALREADY_EXISTS;
  else if (flags & (FLAG_CREATE | FLAG_CREATE_ALWAYS))
    created_ = true;
}

int64_t File::Seek(Whence whence, int64_t offset) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!::SetFilePointerEx(file_.Get(), distance, &position,
                          static_cast<DWORD>(whence))) {
    return -1;
  }
  return position.QuadPart;
}

int File::ReadAtCurrentPos(char* data, int size) {
  if (size < 0) return -1;
  DWORD bytes_read = 0;
  if (::ReadFile(file_.Get(), data, static_cast<DWORD>(size), &bytes_read,
                 nullptr)) {
    return static_cast<int>(bytes_read);
  }
  if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
  return -1;
}

int File::Write(int64_t offset, const char* data, int size) {
  if (size < 0) return -1;
  OVERLAPPED overlapped = {};
  overlapped.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
  overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD bytes_written = 0;
  if (!::WriteFile(file_.Get(), data, static_cast<DWORD>(size),
                   &bytes_written, &overlapped)) {
    return -1;
  }
  return static_cast<int>(bytes_written);
}

bool File::SetLength(int64_t length) {
  int64_t saved_position = Seek(FROM_CURRENT, 0);
  if (saved_position < 0) return false;
  bool resized =
      Seek(FROM_BEGIN, length) >= 0 && ::SetEndOfFile(file_.Get()) != 0;
  // The position is put back even when resizing failed, keeping that
  // failure's error for the caller.
  DWORD resize_error = ::GetLastError();
  bool restored = Seek(FROM_BEGIN, saved_position) == saved_position;
  if (!resized) ::SetLastError(resize_error);
  return resized && restored;
}

bool File::GetInfo(Info* info) {
  BY_HANDLE_FILE_INFORMATION file_info;
  if (!::GetFileInformationByHandle(file_.Get(), &file_info)) return false;
  ULARGE_INTEGER size;
  size.HighPart = file_info.nFileSizeHigh;
  size.LowPart = file_info.nFileSizeLow;
  info->size = static_cast<int64_t>(size.QuadPart);
  info->is_directory =
      (file_info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->is_symbolic_link = false;
  info->last_modified = Time::FromFileTime(file_info.ftLastWriteTime);
  info->last_accessed = Time::FromFileTime(file_info.ftLastAccessTime);
  info->creation_time = Time::FromFileTime(file_info.ftCreationTime);
  return true;
}

}  // namespace base
