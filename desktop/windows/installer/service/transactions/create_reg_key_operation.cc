#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"

#include "base/logging.h"
#include "base/win/registry.h"
#include "base/win/registry_key_path.h"
#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"
#include "desktop/windows/installer/service/transactions/registry_operation_steps.h"

namespace installer {

using base::win::GetFullKeyName;
using base::win::GetRegistryObjectType;
using base::win::KeyPathParent;
using base::win::NormalizeKeyPath;

CreateRegKeyOperation::CreateRegKeyOperation(HKEY root,
                                             const std::wstring& key_path,
                                             REGSAM view_flags)
    : key_path_(NormalizeKeyPath(key_path)),
      root_(root),
      view_flags_(view_flags) {}

CreateRegKeyOperation::~CreateRegKeyOperation() {
  RestoreAccessOrLog(&saved_acl_);
}

bool CreateRegKeyOperation::Execute(Transaction* /*nested*/) {
  VLOG(1) << "Attempting to create registry key " << key_path_ << " under "
          << static_cast<const void*>(root_);
  base::win::RegKey key;
  if (key.Open(root_, key_path_.c_str(), KEY_QUERY_VALUE | view_flags_) !=
      ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The key already exists. No need to do anything.";
    return true;
  }

  VLOG(1) << "Attempting to find the nearest existing ancestor.";
  std::wstring candidate = key_path_;
  std::wstring parent;
  LONG parent_result = ERROR_SUCCESS;
  for (;;) {
    parent = KeyPathParent(candidate);
    if (parent == candidate) {
      LOG(ERROR) << "No existing ancestor found.";
      return false;
    }
    base::win::RegKey parent_key;
    parent_result = parent_key.Open(root_, parent.c_str(),
                                    KEY_CREATE_SUB_KEY | view_flags_);
    if (parent_result == ERROR_SUCCESS || parent_result == ERROR_ACCESS_DENIED)
      break;
    if (parent_result != ERROR_FILE_NOT_FOUND) {
      LOG(ERROR) << "Existing ancestor could not be opened. "
                 << GetFullKeyName(root_, parent) << ": "
                 << logging::SystemErrorCodeToString(parent_result);
      return false;
    }
    candidate = parent;
  }

  VLOG(1) << "Ancestor found: " << parent;
  const std::wstring parent_name = GetFullKeyName(root_, parent);
  const SE_OBJECT_TYPE object_type = GetRegistryObjectType(view_flags_);
  if (parent_result == ERROR_ACCESS_DENIED ||
      !HasAccess(parent_name, object_type,
                 KEY_QUERY_VALUE | KEY_SET_VALUE)) {
    VLOG(1) << "No access to" << parent_name;
    if (!GrantAccess(parent_name, object_type, KEY_CREATE_SUB_KEY,
                     /*permanent=*/false, &saved_acl_)) {
      const DWORD error = ::GetLastError();
      LOG(ERROR) << "Failed obtaining permissions on " << parent_name << ": "
                 << logging::SystemErrorCodeToString(error);
      return false;
    }
    if (OperationFailureInjected())
      return false;
  }

  // Recorded before the creation: a chain created only in part is removed
  // by the rollback as well.
  top_most_created_key_ = candidate;
  base::win::RegKey created_key;
  LONG result = created_key.Create(root_, key_path_.c_str(),
                                   KEY_ALL_ACCESS | view_flags_);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed creating key. " << GetFullKeyName(root_, key_path_)
               << ": " << logging::SystemErrorCodeToString(result);
    return false;
  }
  return !OperationFailureInjected();
}

void CreateRegKeyOperation::Rollback() {
  if (top_most_created_key_.empty())
    return;
  // Deleted through a handle opened in the operation's own view: a deletion
  // by path alone would reach the other view's key of the same name.
  base::win::RegKey key;
  LONG result = key.Open(root_, top_most_created_key_.c_str(),
                         DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE |
                             KEY_SET_VALUE | view_flags_);
  if (result == ERROR_SUCCESS) {
    result = ::RegDeleteTreeW(key.Handle(), nullptr);
    key.Close();
    const LONG delete_result = ::RegDeleteKeyExW(
        root_, top_most_created_key_.c_str(), view_flags_, 0);
    if (result == ERROR_SUCCESS)
      result = delete_result;
  }
  // A key that is gone already is as good as deleted.
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
    LOG(ERROR) << "Failed to delete the created key "
               << GetFullKeyName(root_, top_most_created_key_) << ": "
               << logging::SystemErrorCodeToString(result);
  }
  top_most_created_key_.clear();
}

}  // namespace installer
