// The Win32 side of FileEnumerator: FindFirstFileExW / FindNextFileW over a
// stack of directories still to list.
#include "base/files/file_enumerator.h"

#include <string.h>

#include "base/win/windows_version.h"

namespace base {

// ---- FileEnumerator::FileInfo ----

FileEnumerator::FileInfo::FileInfo() {
  memset(&find_data_, 0, sizeof(find_data_));
}

FileEnumerator::FileInfo::FileInfo(const WIN32_FIND_DATAW& find_data)
    : find_data_(find_data) {}

bool FileEnumerator::FileInfo::IsDirectory() const {
  return (find_data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FilePath FileEnumerator::FileInfo::GetName() const {
  // FilePath cuts the text at its NUL.
  return FilePath(StringPiece16(find_data_.cFileName, MAX_PATH));
}

int64_t FileEnumerator::FileInfo::GetSize() const {
  ULARGE_INTEGER size;
  size.HighPart = find_data_.nFileSizeHigh;
  size.LowPart = find_data_.nFileSizeLow;
  return static_cast<int64_t>(size.QuadPart);
}

Time FileEnumerator::FileInfo::GetLastModifiedTime() const {
  return Time::FromFileTime(find_data_.ftLastWriteTime);
}

// ---- FileEnumerator ----

FileEnumerator::FileEnumerator(const FilePath& root, bool recursive,
                               int file_type,
                               const FilePath::StringType& pattern)
    : recursive_(recursive), file_type_(file_type), pattern_(pattern) {
  memset(&find_data_, 0, sizeof(find_data_));
  pending_paths_.push_back(root);
}

FileEnumerator::FileEnumerator(const FilePath& root, int file_type)
    : FileEnumerator(root, true, file_type, FilePath::StringType()) {}

FileEnumerator::~FileEnumerator() = default;

FileEnumerator::FileInfo FileEnumerator::GetInfo() const {
  if (!has_find_data_)
    return FileInfo();
  return FileInfo(find_data_);
}

bool FileEnumerator::ShouldSkip(const FilePath::StringType& name) const {
  if (name == FilePath::kCurrentDirectory)
    return true;
  return name == FilePath::kParentDirectory &&
         !(file_type_ & INCLUDE_DOT_DOT);
}

void FileEnumerator::StartListing() {
  FilePath search_path =
      root_path_.Append(pattern_.empty() ? FilePath::StringType(L"*")
                                         : pattern_);
  if (GetWindowsVersion() >= win::VERSION_WIN7) {
    // The basic information skips the short names, and the large fetch
    // reads a directory in fewer round trips.
    find_handle_.Set(::FindFirstFileExW(
        search_path.value().c_str(), FindExInfoBasic, &find_data_,
        FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  } else {
    find_handle_.Set(
        ::FindFirstFileW(search_path.value().c_str(), &find_data_));
  }
  has_find_data_ = true;
}

FilePath FileEnumerator::Next() {
  for (;;) {
    if (!has_find_data_) {
      if (pending_paths_.empty())
        return FilePath();
      root_path_ = pending_paths_.back();
      pending_paths_.pop_back();
      StartListing();
    } else if (!::FindNextFileW(find_handle_.Get(), &find_data_)) {
      find_handle_.Close();
    }

    if (!find_handle_.IsValid()) {
      has_find_data_ = false;
      root_path_.clear();
      continue;
    }

    FilePath name(StringPiece16(find_data_.cFileName, MAX_PATH));
    if (ShouldSkip(name.value()))
      continue;

    FilePath full_path = root_path_.AppendPath(name);
    if (find_data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // The attributes of the path itself decide, not those of the listing:
      // a link must never be entered, and a path whose attributes cannot be
      // read (all bits set) is not entered either. ".." leads out of the
      // tree and is never entered.
      if (recursive_ && name.value() != FilePath::kParentDirectory &&
          !(::GetFileAttributesW(full_path.value().c_str()) &
            FILE_ATTRIBUTE_REPARSE_POINT)) {
        pending_paths_.push_back(full_path);
      }
      if (file_type_ & DIRECTORIES)
        return full_path;
    } else if (file_type_ & FILES) {
      return full_path;
    }
  }
}

}  // namespace base
