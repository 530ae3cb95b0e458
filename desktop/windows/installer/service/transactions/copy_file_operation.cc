#include "desktop/windows/installer/service/transactions/copy_file_operation.h"

#include "base/files/file_util.h"
#include "base/logging.h"

namespace installer {

CopyFileOperation::CopyFileOperation(const base::FilePath& source,
                                     const base::FilePath& destination)
    : source_(source), destination_(destination) {}

CopyFileOperation::~CopyFileOperation() = default;

bool CopyFileOperation::Execute(Transaction* nested) {
  if (!PrepareDestination(destination_, nested))
    return false;
  VLOG(1) << "Copying " << source_.value() << " to " << destination_.value();
  if (!source_read_only_.Clear(source_))
    PLOG(ERROR) << "Couldn't clear RO attribute of " << source_.value();
  if (!base::CopyFileClearReadOnly(source_, destination_)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "File copy failed " << logging::SystemErrorCodeToString(error)
               << " (" << source_.value() << " to " << destination_.value()
               << ")";
    return false;
  }
  VLOG(1) << "File copied successfully";
  copied_ = true;
  return true;
}

void CopyFileOperation::Rollback() {
  if (copied_ && !base::DeleteFileOrTree(destination_, false))
    PLOG(ERROR) << "Failed to delete the copy " << destination_.value();
  copied_ = false;
  source_read_only_.Restore(source_);
}

void CreateCopyFileOperation(const base::FilePath& source,
                             const base::FilePath& destination,
                             std::unique_ptr<Operation>* operation) {
  operation->reset(new CopyFileOperation(source, destination));
}

}  // namespace installer
