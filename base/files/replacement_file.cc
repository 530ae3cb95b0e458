#include "base/files/replacement_file.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/rand_util.h"
#include "base/win/windows_types.h"

namespace base {

namespace {

// What a replacement adds to the target's name.
constexpr wchar_t kTemporaryExtension[] = L".tmp";
constexpr size_t kIdLength = 8;

bool IsAsciiHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') ||
         (c >= L'A' && c <= L'F');
}

// Whether |name| is "<target_name>.<8 hex digits>.tmp". The exact form keeps
// the files of "a.json.bak" apart from those of "a.json".
bool IsReplacementOf(const FilePath::StringType& name,
                     const FilePath::StringType& target_name) {
  const size_t extension_length = wcslen(kTemporaryExtension);
  if (name.size() != target_name.size() + 1 + kIdLength + extension_length ||
      FilePath::CompareIgnoreCase(
          StringPiece16(name.data(), target_name.size()), target_name) != 0 ||
      name[target_name.size()] != L'.' ||
      FilePath::CompareIgnoreCase(
          StringPiece16(name.data() + name.size() - extension_length,
                        extension_length),
          kTemporaryExtension) != 0) {
    return false;
  }
  return std::all_of(name.begin() + target_name.size() + 1,
                     name.end() - extension_length, &IsAsciiHexDigit);
}

// Deletes what writers of |target| that died half-way left beside it. A
// write in progress holds its file open without delete sharing, so the
// delete fails and the file stays.
void SweepLeftovers(const FilePath& target) {
  const FilePath::StringType target_name = target.BaseName().value();
  FileEnumerator leftovers(target.DirName(), false, FileEnumerator::FILES,
                           target_name + L".*" + kTemporaryExtension);
  for (FilePath leftover = leftovers.Next(); !leftover.empty();
       leftover = leftovers.Next()) {
    if (IsReplacementOf(leftover.BaseName().value(), target_name))
      ::DeleteFileW(leftover.value().c_str());
  }
}

// Renames the open |file| to |to|, replacing a file there.
bool RenameThroughHandle(const File& file, const FilePath& to) {
  const std::wstring& name = to.value();
  const size_t name_bytes = name.size() * sizeof(wchar_t);
  // The structure ends in the name's first character; the terminating NUL
  // that the platform wants comes from the zeroed buffer.
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  memcpy(info->FileName, name.data(), name_bytes);
  return ::SetFileInformationByHandle(file.GetPlatformFile(), FileRenameInfo,
                                      info,
                                      static_cast<DWORD>(buffer.size())) != 0;
}

}  // namespace

ReplacementFile::ReplacementFile() = default;

ReplacementFile::~ReplacementFile() { DeleteIfUnplaced(); }

ReplacementFile::ReplacementFile(ReplacementFile&& other)
    : file_(std::move(other.file_)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      done_(other.done_) {
  other.path_ = FilePath();
  other.done_ = false;
}

ReplacementFile& ReplacementFile::operator=(ReplacementFile&& other) {
  if (this != &other) {
    DeleteIfUnplaced();
    file_ = std::move(other.file_);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    done_ = other.done_;
    other.path_ = FilePath();
    other.done_ = false;
  }
  return *this;
}

bool ReplacementFile::Create(const FilePath& target) {
  DeleteIfUnplaced();
  done_ = false;
  path_ = FilePath();
  target_ = target;
  if (target.ReferencesParent()) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  if (PathExists(target))
    SweepLeftovers(target);

  // A random name, created only when it is new: nobody else's file is ever
  // taken over. Readers may look in; nobody may delete or rename it.
  const FilePath dir = target.DirName();
  const FilePath::StringType target_name = target.BaseName().value();
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t id[kIdLength + 1];
    swprintf(id, kIdLength + 1, L"%08X",
             static_cast<unsigned int>(RandUint64()));
    const FilePath candidate =
        dir.Append(target_name + L"." + id + kTemporaryExtension);
    file_.Initialize(candidate, File::FLAG_CREATE | File::FLAG_WRITE |
                                    File::FLAG_CAN_DELETE |
                                    File::FLAG_EXCLUSIVE_WRITE);
    if (file_.IsValid()) {
      path_ = candidate;
      return true;
    }
    if (file_.error_details() != File::FILE_ERROR_EXISTS)
      return false;
  }
  return false;
}

bool ReplacementFile::ReplaceTarget() {
  if (!file_.IsValid()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  const bool renamed = internal::RetryWhileInUse(
      [this] { return RenameThroughHandle(file_, target_); });
  file_.Close();
  // Only a path-based swap may get past readers that keep refusing the
  // rename (ReplaceFileW); it also serves a system that refuses the rename
  // through the handle for another reason.
  if (renamed || ReplaceFile(path_, target_)) {
    done_ = true;
    return true;
  }
  const DWORD error = ::GetLastError();
  if (!PathExists(target_)) {
    // The swap lost the old file half-way: the new data is all there is.
    Keep();
    LOG(ERROR) << "Cannot replace " << target_.value() << " ("
               << logging::SystemErrorCodeToString(error)
               << ") and no file is left there; the data stays in "
               << path_.value();
  } else {
    LOG(ERROR) << "Cannot replace " << target_.value() << " with "
               << path_.value() << ": "
               << logging::SystemErrorCodeToString(error);
  }
  ::SetLastError(error);
  return false;
}

void ReplacementFile::Keep() { done_ = true; }

void ReplacementFile::DeleteIfUnplaced() {
  if (path_.empty() || done_)
    return;
  file_.Close();
  if (!::DeleteFileW(path_.value().c_str()) &&
      ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    PLOG(WARNING) << "Cannot delete the temporary file " << path_.value();
  }
  path_ = FilePath();
}

}  // namespace base
