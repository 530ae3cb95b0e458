#include "desktop/windows/installer/service/transactions/file_operation_steps.h"

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace installer {

bool PrepareDestination(const base::FilePath& destination,
                        Transaction* nested) {
  const base::FilePath folder = destination.DirName();
  std::unique_ptr<Operation> operation;
  if (!base::DirectoryExists(folder))
    CreateCreateFolderOperation(folder, &operation);
  else if (base::PathExists(destination))
    CreateDeleteFileOperation(destination, false, false, &operation);
  if (!operation)
    return true;
  return nested->Execute(std::move(operation)) && !OperationFailureInjected();
}

bool ReadOnlyAttribute::Clear(const base::FilePath& path) {
  DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_READONLY)) {
    return true;
  }
  if (!::SetFileAttributesW(path.value().c_str(),
                            attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  cleared_attributes_ = attributes;
  return true;
}

void ReadOnlyAttribute::Restore(const base::FilePath& path) {
  if (cleared_attributes_ == INVALID_FILE_ATTRIBUTES)
    return;
  if (!::SetFileAttributesW(path.value().c_str(), cleared_attributes_))
    PLOG(ERROR) << "Failed to make " << path.value() << " read-only again";
  cleared_attributes_ = INVALID_FILE_ATTRIBUTES;
}

}  // namespace installer
