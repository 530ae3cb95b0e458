// Creates a folder with every missing folder above it. A rollback removes
// the folders it created, deepest first, leaving any that have meanwhile
// received files. A creation that fails half-way removes what it made.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

class CreateFolderOperation : public Operation {
 public:
  explicit CreateFolderOperation(const base::FilePath& path);
  ~CreateFolderOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  const base::FilePath path_;
  // The nearest folder above |path_| that existed; empty until this
  // operation created a folder.
  base::FilePath existing_ancestor_;
};

void CreateCreateFolderOperation(const base::FilePath& folder,
                                 std::unique_ptr<Operation>* operation);
// The same as CreateCreateFolderOperation.
void NewCreateFolderOperation(const base::FilePath& folder,
                              std::unique_ptr<Operation>* operation);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
