// Deletes a file or folder in two steps: Execute moves it aside to a backup
// beside it ("<path>.<seconds since 1970>.old"), a rollback moves it back,
// and the commit (the destructor) deletes the backup for good.
//
// With |check_in_use|, an ".exe" or ".dll" that another process holds open
// (a running program, a loaded library) is not deleted: Execute fails and
// the file stays at its path. With |remove_empty_parents|, the commit also
// removes the folders above the path that are left empty.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

class DeleteFileOperation : public Operation {
 public:
  DeleteFileOperation(const base::FilePath& path, bool check_in_use,
                      bool remove_empty_parents);
  ~DeleteFileOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  // Moves the backup back to the path; logs where the file is when it
  // cannot.
  void MoveBack();

  const base::FilePath path_;
  base::FilePath backup_path_;
  bool moved_ = false;
  const bool check_in_use_;
  const bool remove_empty_parents_;
};

void CreateDeleteFileOperation(const base::FilePath& path, bool check_in_use,
                               bool remove_empty_parents,
                               std::unique_ptr<Operation>* operation);
// The same as CreateDeleteFileOperation.
void NewDeleteFileOperation(const base::FilePath& path, bool check_in_use,
                            bool remove_empty_parents,
                            std::unique_ptr<Operation>* operation);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_FILE_OPERATION_H_
