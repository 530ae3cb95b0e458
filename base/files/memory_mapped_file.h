// A whole file mapped into memory, read-only in every use the program makes
// of it. The mapping, its view and the file stay open until the object is
// destroyed.
//
//   MemoryMappedFile image;
//   if (!image.InitializeReadOnly(path)) return false;
//   if (image.length() < 2 || image.data()[0] != 'M') return false;
//
// Empty files and files of 2 GiB or more cannot be mapped. One thread at a
// time.
#ifndef BASE_FILES_MEMORY_MAPPED_FILE_H_
#define BASE_FILES_MEMORY_MAPPED_FILE_H_

#include <stddef.h>
#include <stdint.h>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

namespace base {

class MemoryMappedFile {
 public:
  enum Access {
    READ_ONLY = 0,
    READ_WRITE = 1,  // Changes to data() reach the file.
  };

  MemoryMappedFile();
  MemoryMappedFile(const MemoryMappedFile&) = delete;
  MemoryMappedFile& operator=(const MemoryMappedFile&) = delete;
  // Unmaps the view and closes the mapping and the file.
  ~MemoryMappedFile();

  // Opens |path| and maps all of it. Fails when a file is mapped already;
  // after any other failure nothing stays open.
  bool Initialize(const FilePath& path, Access access);
  bool InitializeReadOnly(const FilePath& path);

  // The mapped bytes, or null when nothing is mapped.
  const uint8_t* data() const { return data_; }
  uint8_t* data() { return data_; }
  size_t length() const { return length_; }
  bool IsValid() const { return data_ != nullptr; }

 private:
  // Unmaps and closes whatever is open and clears data_ and length_.
  void CloseHandles();

  File file_;
  uint8_t* data_;
  size_t length_;
  ScopedHandle file_mapping_;
};

}  // namespace base

#endif  // BASE_FILES_MEMORY_MAPPED_FILE_H_
