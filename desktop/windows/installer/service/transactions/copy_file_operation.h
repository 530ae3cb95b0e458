// Copies a file over its destination. An existing destination is moved to a
// backup first (removed by the commit, put back by a rollback), and a
// missing destination folder is created; both through the nested
// transaction. A rollback deletes the copy.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/file_operation_steps.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

class CopyFileOperation : public Operation {
 public:
  CopyFileOperation(const base::FilePath& source,
                    const base::FilePath& destination);
  ~CopyFileOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  const base::FilePath source_;
  const base::FilePath destination_;
  bool copied_ = false;
  // The source's read-only bit, cleared for the copy and set again by a
  // rollback.
  ReadOnlyAttribute source_read_only_;
};

void CreateCopyFileOperation(const base::FilePath& source,
                             const base::FilePath& destination,
                             std::unique_ptr<Operation>* operation);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_COPY_FILE_OPERATION_H_
