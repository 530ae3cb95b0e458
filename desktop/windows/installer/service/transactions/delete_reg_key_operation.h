// Deletes a registry key with everything below it, saving each key's values
// and security descriptor (group, access list and label) on the way down so
// that a rollback can build the tree again. A key that cannot be deleted
// fails the operation; what was deleted by then comes back by the rollback.
//
// Access needed to read and delete a key is granted as the deletion goes.
// Each key's descriptor is saved before its grant, so a rolled-back key
// comes back with the list it had; a key that was granted access but never
// deleted (the operation failed first) gets its old list back by the
// rollback. A commit deletes the keys, grants and all.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/transactions/operation.h"

namespace installer {

// One value of a deleted key.
struct SavedRegistryValue {
  std::wstring name;
  DWORD type = REG_NONE;
  // The value's bytes; its size is the value's size.
  std::vector<uint8_t> data;
};

// One deleted key.
struct SavedRegistryKey {
  // Relative to the operation's root.
  std::wstring key_path;
  // Self-relative, read before the key's grant unless the key hid it;
  // empty when none was read.
  std::vector<uint8_t> security_descriptor;
  std::vector<std::unique_ptr<SavedRegistryValue>> values;
  // The list a grant on this key replaced; empty when none was made.
  std::unique_ptr<SavedAcl> replaced_acl;
};

class DeleteRegKeyOperation : public Operation {
 public:
  // |view_flags| is 0 or KEY_WOW64_32KEY.
  DeleteRegKeyOperation(HKEY root, const std::wstring& key_path,
                        REGSAM view_flags);
  ~DeleteRegKeyOperation() override;

  bool Execute(Transaction* nested) override;
  void Rollback() override;

 private:
  // Saves and deletes |key_path| and its subtree, depth first. |full_name|
  // names the key for the access calls and the log.
  bool DeleteAndSaveRecursive(const std::wstring& key_path,
                              const std::wstring& full_name);

  const std::wstring key_path_;
  const HKEY root_;
  // Parents before their subkeys.
  std::vector<std::unique_ptr<SavedRegistryKey>> saved_keys_;
  const REGSAM view_flags_;
};

void CreateDeleteRegKeyOperation(HKEY root, const std::wstring& key_path,
                                 REGSAM view_flags,
                                 std::unique_ptr<Operation>* operation);

// The calls that delete a key and create it again.
struct RegistryKeyFunctions {
  decltype(&::RegDeleteKeyExW) reg_delete_key_ex;
  decltype(&::RegCreateKeyExW) reg_create_key_ex;
};

namespace internal {

// For tests only: routes the deletions and the re-creations above through
// |functions| for the scope's life, since a registry seldom refuses to
// delete a key that could be opened for deletion, or to create one with the
// descriptor it had. Scopes nest; they must not overlap across threads.
class ScopedRegistryKeyFunctionsForTesting {
 public:
  explicit ScopedRegistryKeyFunctionsForTesting(
      const RegistryKeyFunctions& functions);
  ~ScopedRegistryKeyFunctionsForTesting();
  ScopedRegistryKeyFunctionsForTesting(
      const ScopedRegistryKeyFunctionsForTesting&) = delete;
  ScopedRegistryKeyFunctionsForTesting& operator=(
      const ScopedRegistryKeyFunctionsForTesting&) = delete;

 private:
  RegistryKeyFunctions functions_;
  const RegistryKeyFunctions* previous_;
};

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
