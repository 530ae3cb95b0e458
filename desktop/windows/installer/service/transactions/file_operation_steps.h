// Steps that the copy and the move of a file share.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_FILE_OPERATION_STEPS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_FILE_OPERATION_STEPS_H_

#include "base/files/file_path.h"
#include "base/win/windows_types.h"

namespace installer {

class Transaction;

// Makes room for a file at |destination| through |nested|: creates its
// missing folder, or moves an existing file there aside to a backup that the
// commit removes and a rollback restores. False when that fails.
bool PrepareDestination(const base::FilePath& destination,
                        Transaction* nested);

// A read-only attribute taken off a file, so that it can be put back.
class ReadOnlyAttribute {
 public:
  // Clears FILE_ATTRIBUTE_READONLY of |path| when it is set. False only when
  // it is set and cannot be cleared; the last error then tells why.
  bool Clear(const base::FilePath& path);
  // Sets the attribute on |path| again when Clear took it off; logs a
  // failure.
  void Restore(const base::FilePath& path);

 private:
  DWORD cleared_attributes_ = INVALID_FILE_ATTRIBUTES;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_FILE_OPERATION_STEPS_H_
