#include "desktop/windows/installer/service/transactions/create_folder_operation.h"

#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/logging.h"

namespace installer {

namespace {

// Removes |path| and the folders above it up to, not including, |ancestor|,
// stopping at the first that cannot be removed (one holding files, say).
// With |skip_missing|, folders that are not there are passed over: a
// creation that failed half-way made only the upper part of the chain.
void RemoveFolderChain(const base::FilePath& path,
                       const base::FilePath& ancestor, bool skip_missing) {
  for (base::FilePath folder = path; !(folder == ancestor);) {
    if (!(skip_missing && !base::PathExists(folder)) &&
        !::RemoveDirectoryW(folder.value().c_str())) {
      return;
    }
    base::FilePath parent = folder.DirName();
    if (parent == folder)
      return;
    folder = parent;
  }
}

}  // namespace

CreateFolderOperation::CreateFolderOperation(const base::FilePath& path)
    : path_(path) {}

CreateFolderOperation::~CreateFolderOperation() = default;

bool CreateFolderOperation::Execute(Transaction* /*nested*/) {
  VLOG(1) << "Attempting to create folder " << path_.value();
  if (base::DirectoryExists(path_)) {
    VLOG(1) << "Folder already exists";
    return true;
  }
  base::FilePath previous = path_;
  for (base::FilePath candidate = path_.DirName(); !(candidate == previous);
       previous = candidate, candidate = candidate.DirName()) {
    if (!base::DirectoryExists(candidate))
      continue;
    VLOG(1) << "Valid ancestor";
    base::File::Error error = base::File::FILE_OK;
    if (base::CreateDirectoryAndGetError(path_, &error)) {
      existing_ancestor_ = candidate;
      VLOG(1) << "Folder created successfully";
      return true;
    }
    // A file in the way fails without a system error of its own.
    const DWORD create_error = error == base::File::FILE_ERROR_NOT_A_DIRECTORY
                                   ? ERROR_ALREADY_EXISTS
                                   : ::GetLastError();
    RemoveFolderChain(path_, candidate, /*skip_missing=*/true);
    LOG(ERROR) << "Failed folder creation " << path_.value() << ": "
               << logging::SystemErrorCodeToString(create_error);
    return false;
  }
  LOG(ERROR) << "Failed folder creation " << path_.value()
             << ": no folder above it exists";
  return false;
}

void CreateFolderOperation::Rollback() {
  if (existing_ancestor_.empty())
    return;
  RemoveFolderChain(path_, existing_ancestor_, /*skip_missing=*/false);
  existing_ancestor_.clear();
}

void CreateCreateFolderOperation(const base::FilePath& folder,
                                 std::unique_ptr<Operation>* operation) {
  operation->reset(new CreateFolderOperation(folder));
}

void NewCreateFolderOperation(const base::FilePath& folder,
                              std::unique_ptr<Operation>* operation) {
  CreateCreateFolderOperation(folder, operation);
}

}  // namespace installer
