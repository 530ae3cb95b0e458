// Sets or deletes one registry value, creating its missing key (and the keys
// above it) through the nested transaction. A rollback puts back the old
// type and data, or deletes a value that did not exist before.
//
//   std::unique_ptr<Operation> operation;
//   const DWORD one = 1;
//   CreateChangeRegValueOperation(HKEY_CURRENT_USER, L"Software\\Velto",
//                                 L"Enabled", &one, REG_DWORD, sizeof(one),
//                                 /*view_flags=*/0, &operation);
//   transaction.Execute(std::move(operation));
//
// When the key does not let this process read and write values, access is
// granted for the change and put back when the operation is destroyed,
// committed or not. A rollback finds the key by its path again, so it also
// reaches a key that a later operation deleted and its rollback rebuilt.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// The value type that asks for the value to be deleted; also the old type
// of a value that did not exist.
constexpr DWORD kRegValueTypeNone = static_cast<DWORD>(-1);

class ChangeRegValueOperation : public Operation {
 public:
  // Copies |size| bytes of |data|. An empty |value_name| is the key's
  // default value. |view_flags| is 0 or KEY_WOW64_32KEY.
  ChangeRegValueOperation(HKEY root, const std::wstring& key_path,
                          const std::wstring& value_name, const void* data,
                          DWORD type, DWORD size, REGSAM view_flags);
  ~ChangeRegValueOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  // Opens |key| for reading and writing values, creating the key through
  // |nested| when needed, and granting access when it is denied. |*done| is
  // set when there is nothing to change at all.
  bool OpenKey(Transaction* nested, base::win::RegKey* key, bool* done);

  const HKEY root_;
  const std::wstring key_path_;
  const std::wstring value_name_;
  DWORD old_type_ = kRegValueTypeNone;
  const DWORD new_type_;
  std::vector<uint8_t> old_data_;
  const std::vector<uint8_t> new_data_;
  bool changed_ = false;
  std::unique_ptr<SavedAcl> saved_acl_;
  const REGSAM view_flags_;
};

// Allocates a ChangeRegValueOperation into |*operation|. A |type| of
// kRegValueTypeNone deletes the value.
void CreateChangeRegValueOperation(HKEY root, const std::wstring& key_path,
                                   const std::wstring& value_name,
                                   const void* data, DWORD type, DWORD size,
                                   REGSAM view_flags,
                                   std::unique_ptr<Operation>* operation);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
