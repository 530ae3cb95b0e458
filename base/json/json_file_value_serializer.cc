#include "base/json/json_file_value_serializer.h"

#include "base/json/json_reader.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"

namespace base {

namespace {

constexpr DWORD kReadChunkSize = 65536;

}  // namespace

const char JSONFileValueDeserializer::kAccessDenied[] = "Access denied.";
const char JSONFileValueDeserializer::kCannotReadFile[] = "Can't read file.";
const char JSONFileValueDeserializer::kFileLocked[] = "File locked.";
const char JSONFileValueDeserializer::kNoSuchFile[] = "File doesn't exist.";

JSONFileValueDeserializer::JSONFileValueDeserializer(
    const FilePath& json_file_path,
    int options)
    : json_file_path_(json_file_path), options_(options) {}

JSONFileValueDeserializer::~JSONFileValueDeserializer() = default;

std::unique_ptr<Value> JSONFileValueDeserializer::Deserialize(
    int* error_code,
    std::string* error_message) {
  std::string contents;
  DWORD read_error = ReadFileContents(&contents);
  if (read_error != ERROR_SUCCESS) {
    int code = ReadErrorFromSystemError(read_error);
    if (error_code)
      *error_code = code;
    if (error_message)
      *error_message = ReadErrorToString(code);
    return nullptr;
  }
  last_read_size_ = contents.size();
  return JSONReader::ReadAndReturnError(contents, options_, error_code,
                                        error_message);
}

unsigned long JSONFileValueDeserializer::ReadFileContents(
    std::string* contents) const {
  // Like the whole-file read of the file utilities: no path that climbs to a
  // parent, any sharing allowed to others, no size limit.
  if (json_file_path_.ReferencesParent())
    return ERROR_BAD_PATHNAME;
  ScopedHandle file(::CreateFileW(
      json_file_path_.value().c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid())
    return ::GetLastError();
  contents->clear();
  while (true) {
    size_t old_size = contents->size();
    contents->resize(old_size + kReadChunkSize);
    DWORD read = 0;
    if (!::ReadFile(file.Get(), &(*contents)[old_size], kReadChunkSize, &read,
                    nullptr)) {
      DWORD error = ::GetLastError();
      contents->clear();
      return error;
    }
    contents->resize(old_size + read);
    if (read == 0)
      return ERROR_SUCCESS;
  }
}

int JSONFileValueDeserializer::ReadErrorFromSystemError(
    unsigned long error) const {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return JSON_FILE_LOCKED;
    case ERROR_ACCESS_DENIED:
      return JSON_ACCESS_DENIED;
    default:
      // A file that exists but did not read is another matter than no file.
      if (::GetFileAttributesW(json_file_path_.value().c_str()) !=
          INVALID_FILE_ATTRIBUTES) {
        return JSON_CANNOT_READ_FILE;
      }
      return JSON_NO_SUCH_FILE;
  }
}

// static
const char* JSONFileValueDeserializer::ReadErrorToString(int error_code) {
  switch (error_code) {
    case JSON_ACCESS_DENIED:
      return kAccessDenied;
    case JSON_FILE_LOCKED:
      return kFileLocked;
    case JSON_NO_SUCH_FILE:
      return kNoSuchFile;
    default:
      return kCannotReadFile;
  }
}

}  // namespace base
