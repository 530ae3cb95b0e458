// The File's life cycle and the mapping of Win32 errors onto file errors.
// The system calls that open and use the file are in file_win.cc.
#include "base/files/file.h"

#include <utility>

#include "base/metrics/sparse_histogram.h"

namespace base {

namespace {

constexpr char kUnknownErrorsHistogram[] = "PlatformFile.UnknownErrors.Windows";

// Not in the mingw-w64 headers.
constexpr DWORD kErrorDiskResourcesExhausted = 314;

}  // namespace

File::File()
    : error_details_(FILE_ERROR_FAILED), created_(false), async_(false) {}

File::File(const FilePath& path, uint32_t flags)
    : error_details_(FILE_OK), created_(false), async_(false) {
  Initialize(path, flags);
}

File::File(File&& other)
    : file_(std::move(other.file_)),
      error_details_(other.error_details_),
      created_(other.created_),
      async_(other.async_) {}

File& File::operator=(File&& other) {
  if (this != &other) {
    file_ = std::move(other.file_);
    error_details_ = other.error_details_;
    created_ = other.created_;
    async_ = other.async_;
  }
  return *this;
}

File::~File() { Close(); }

void File::Initialize(const FilePath& path, uint32_t flags) {
  Close();
  created_ = false;
  async_ = false;
  // Callers build paths from names they were given; one that climbs out of
  // its folder is refused without touching the disk.
  if (path.ReferencesParent()) {
    error_details_ = FILE_ERROR_ACCESS_DENIED;
    return;
  }
  DoInitialize(path, flags);
}

bool File::IsValid() const { return file_.IsValid(); }

void File::Close() {
  if (file_.IsValid()) file_.Close();
}

// static
File::Error File::OSErrorToFileError(DWORD last_error) {
  switch (last_error) {
    case ERROR_SHARING_VIOLATION:
      return FILE_ERROR_IN_USE;
    case ERROR_FILE_EXISTS:
      return FILE_ERROR_EXISTS;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return FILE_ERROR_NOT_FOUND;
    case ERROR_ACCESS_DENIED:
      return FILE_ERROR_ACCESS_DENIED;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FILE_ERROR_TOO_MANY_OPENED;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return FILE_ERROR_NO_MEMORY;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case kErrorDiskResourcesExhausted:
      return FILE_ERROR_NO_SPACE;
    case ERROR_USER_MAPPED_FILE:
      return FILE_ERROR_INVALID_OPERATION;
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_IO_DEVICE:
    case ERROR_FILE_CORRUPT:
    case ERROR_DISK_CORRUPT:
      return FILE_ERROR_IO;
    default: {
      static HistogramBase* const unknown_errors =
          SparseHistogram::FactoryGet(kUnknownErrorsHistogram,
                                      HistogramBase::kNoFlags);
      unknown_errors->Add(static_cast<int32_t>(last_error));
      return FILE_ERROR_FAILED;
    }
  }
}

}  // namespace base
