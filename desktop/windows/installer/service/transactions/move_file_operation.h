// Moves a file or folder to its destination. An existing destination is
// moved to a backup first (removed by the commit, put back by a rollback),
// and a missing destination folder is created; both through the nested
// transaction. A rollback moves the file back.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/file_operation_steps.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

class MoveFileOperation : public Operation {
 public:
  MoveFileOperation(const base::FilePath& source,
                    const base::FilePath& destination);
  ~MoveFileOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  const base::FilePath source_;
  const base::FilePath destination_;
  bool moved_ = false;
  // The source's read-only bit, cleared for the move and set again on the
  // file a rollback brings back.
  ReadOnlyAttribute source_read_only_;
};

void CreateMoveFileOperation(const base::FilePath& source,
                             const base::FilePath& destination,
                             std::unique_ptr<Operation>* operation);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_MOVE_FILE_OPERATION_H_
