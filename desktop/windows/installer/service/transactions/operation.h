// One undoable change to the machine: a file copied, moved or deleted, a
// folder or registry key created, a value changed, a key tree deleted.
//
// Operations are run through a Transaction (transaction.h), never directly:
//
//   Transaction transaction;
//   std::unique_ptr<Operation> operation;
//   CreateCopyFileOperation(source, destination, &operation);
//   if (!transaction.Execute(std::move(operation))) {
//     transaction.Rollback();  // Everything done before is undone too.
//     return false;
//   }
//   // |transaction| going out of scope commits.
//
// An operation is executed once, rolled back at most once and destroyed
// exactly once, on the thread that runs its transaction.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_

namespace installer {

class Transaction;

class Operation {
 public:
  Operation() = default;
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  // The commit step: removes a backup, puts back an access list granted for
  // the change. Runs whether the operation succeeded, failed or was rolled
  // back.
  virtual ~Operation() = default;

  // Performs the change; logs the reason and returns false on failure. May
  // run further operations through |nested|: on success they become part of
  // the caller's transaction, recorded before this operation.
  virtual bool Execute(Transaction* nested) = 0;

  // Undoes what this operation's own Execute changed, also after a failed or
  // partial Execute; does nothing when nothing was changed. Operations run
  // through the nested transaction are undone by the transaction.
  virtual void Rollback() = 0;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_H_
