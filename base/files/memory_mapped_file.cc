#include "base/files/memory_mapped_file.h"

#include <limits>

#include "base/logging.h"

namespace base {

MemoryMappedFile::MemoryMappedFile() : data_(nullptr), length_(0) {}

MemoryMappedFile::~MemoryMappedFile() { CloseHandles(); }

bool MemoryMappedFile::InitializeReadOnly(const FilePath& path) {
  return Initialize(path, READ_ONLY);
}

bool MemoryMappedFile::Initialize(const FilePath& path, Access access) {
  if (IsValid()) {
    LOG(ERROR) << "Cannot map " << path.value() << ": a file is mapped already";
    return false;
  }
  uint32_t flags = File::FLAG_OPEN | File::FLAG_READ;
  if (access == READ_WRITE) flags |= File::FLAG_WRITE;
  file_.Initialize(path, flags);
  if (!file_.IsValid()) {
    LOG(ERROR) << "Cannot open " << path.value()
               << " for mapping: file error " << file_.error_details();
    return false;
  }

  file_mapping_.Set(::CreateFileMappingW(
      file_.GetPlatformFile(), nullptr,
      access == READ_ONLY ? PAGE_READONLY : PAGE_READWRITE, 0, 0, nullptr));
  if (!file_mapping_.IsValid()) {
    // An empty file ends here: it cannot be mapped (ERROR_FILE_INVALID).
    PLOG(ERROR) << "CreateFileMappingW for " << path.value();
    CloseHandles();
    return false;
  }

  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file_.GetPlatformFile(), &size)) {
    PLOG(ERROR) << "GetFileSizeEx for " << path.value();
    CloseHandles();
    return false;
  }
  // Views are addressed with signed 32-bit lengths by their readers.
  if (size.QuadPart < 1 ||
      size.QuadPart > std::numeric_limits<int32_t>::max()) {
    LOG(ERROR) << "Cannot map " << path.value() << " of " << size.QuadPart
               << " bytes";
    CloseHandles();
    return false;
  }

  length_ = static_cast<size_t>(size.QuadPart);
  data_ = static_cast<uint8_t*>(::MapViewOfFile(
      file_mapping_.Get(), access == READ_ONLY ? FILE_MAP_READ : FILE_MAP_WRITE,
      0, 0, 0));
  if (!data_) {
    PLOG(ERROR) << "MapViewOfFile for " << path.value();
    CloseHandles();
    return false;
  }
  return true;
}

void MemoryMappedFile::CloseHandles() {
  if (data_) ::UnmapViewOfFile(data_);
  file_mapping_.Close();
  file_.Close();
  data_ = nullptr;
  length_ = 0;
}

}  // namespace base
