// Creates a registry key with every missing key above it. A rollback deletes
// the top-most key it created, with everything that was put below it since,
// in the same registry view. Used by ChangeRegValueOperation for a value
// whose key is missing; it has no factory of its own.
//
// When the nearest existing ancestor does not let this process create
// subkeys, access is granted for the change and put back when the operation
// is destroyed, committed or not.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_

#include <memory>
#include <string>

#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

class CreateRegKeyOperation : public Operation {
 public:
  // |view_flags| is 0 or KEY_WOW64_32KEY; it is added to every access mask.
  CreateRegKeyOperation(HKEY root, const std::wstring& key_path,
                        REGSAM view_flags);
  ~CreateRegKeyOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  const std::wstring key_path_;
  const HKEY root_;
  // The highest key this operation created; empty when it created none.
  std::wstring top_most_created_key_;
  std::unique_ptr<SavedAcl> saved_acl_;
  const REGSAM view_flags_;
};

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
