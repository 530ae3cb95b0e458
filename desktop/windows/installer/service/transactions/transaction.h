// An ordered record of executed operations that can be undone as a whole.
//
// Execute each operation in turn; on the first failure call Rollback, which
// undoes every recorded operation from the last to the first. Destroying the
// transaction commits: each operation's destructor runs, first to last
// (backups are removed, granted access lists put back).
//
//   Transaction transaction;
//   for (auto& operation : operations) {
//     if (!transaction.Execute(std::move(operation))) {
//       transaction.Rollback();
//       return false;
//     }
//   }
//   return true;  // Committed here.
//
// Used on one thread.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_

#include <memory>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

class Transaction {
 public:
  Transaction();
  // Commits: destroys every recorded operation, first to last, without
  // rolling it back.
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // Takes |operation| in every case and executes it with a nested
  // transaction of its own. On success records the nested operations, then
  // the operation. On failure undoes the operation and its nested operations
  // and destroys them; operations recorded earlier stay recorded.
  bool Execute(std::unique_ptr<Operation> operation);

  // Undoes every recorded operation from the last to the first, then
  // destroys them first to last. The transaction is empty afterwards.
  void Rollback();

  bool empty() const { return operations_.empty(); }

 private:
  // Destroys the recorded operations first to last.
  void DestroyAll();

  std::vector<std::unique_ptr<Operation>> operations_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_TRANSACTION_H_
