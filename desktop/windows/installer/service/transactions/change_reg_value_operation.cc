#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"

#include "base/logging.h"
#include "base/win/registry_key_path.h"
#include "desktop/windows/installer/service/transactions/create_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"
#include "desktop/windows/installer/service/transactions/registry_operation_steps.h"
#include "desktop/windows/installer/service/transactions/transaction.h"

namespace installer {

using base::win::GetFullKeyName;
using base::win::GetRegistryObjectType;
using base::win::NormalizeKeyPath;

namespace {

constexpr REGSAM kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

std::vector<uint8_t> CopyBytes(const void* data, DWORD size) {
  if (!data || !size)
    return std::vector<uint8_t>();
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

}  // namespace

ChangeRegValueOperation::ChangeRegValueOperation(
    HKEY root, const std::wstring& key_path, const std::wstring& value_name,
    const void* data, DWORD type, DWORD size, REGSAM view_flags)
    : root_(root),
      key_path_(NormalizeKeyPath(key_path)),
      value_name_(value_name.substr(0, value_name.find(L'\0'))),
      new_type_(type),
      new_data_(CopyBytes(data, size)),
      view_flags_(view_flags) {}

ChangeRegValueOperation::~ChangeRegValueOperation() {
  RestoreAccessOrLog(&saved_acl_);
}

bool ChangeRegValueOperation::OpenKey(Transaction* nested,
                                      base::win::RegKey* key, bool* done) {
  *done = false;
  LONG result = key->Open(root_, key_path_.c_str(), kValueAccess | view_flags_);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "Key does not exist,";
    if (new_type_ == kRegValueTypeNone) {
      VLOG(1) << "but we are trying to remove the value, nothing to do.";
      *done = true;
      return true;
    }
    VLOG(1) << "try to create it.";
    if (!nested->Execute(std::make_unique<CreateRegKeyOperation>(
            root_, key_path_, view_flags_))) {
      return false;
    }
    result = key->Open(root_, key_path_.c_str(), kValueAccess | view_flags_);
  }

  const std::wstring full_name = GetFullKeyName(root_, key_path_);
  const SE_OBJECT_TYPE object_type = GetRegistryObjectType(view_flags_);
  if (result == ERROR_ACCESS_DENIED ||
      (result == ERROR_SUCCESS &&
       !HasAccess(full_name, object_type, kValueAccess))) {
    VLOG(1) << "We don't have enough permissions on the key.";
    if (!GrantAccess(full_name, object_type, kValueAccess,
                     /*permanent=*/false, &saved_acl_)) {
      const DWORD error = ::GetLastError();
      LOG(ERROR) << "Failed to obtain sufficient permissions on " << full_name
                 << ": " << logging::SystemErrorCodeToString(error);
      return false;
    }
    if (OperationFailureInjected())
      return false;
    result = key->Open(root_, key_path_.c_str(), kValueAccess | view_flags_);
  }
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to open " << full_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  return true;
}

bool ChangeRegValueOperation::Execute(Transaction* nested) {
  VLOG(1) << "Attempting to change registry value at "
          << static_cast<const void*>(root_) << ": " << key_path_ << " - "
          << value_name_ << ". New Type:" << static_cast<int32_t>(new_type_);
  // Held only while executing: a later operation may delete the key.
  base::win::RegKey key;
  bool done = false;
  if (!OpenKey(nested, &key, &done))
    return false;
  if (done)
    return true;

  const std::wstring full_name = GetFullKeyName(root_, key_path_);
  DWORD old_size = 0;
  LONG result = ::RegQueryValueExW(key.Handle(), value_name_.c_str(), nullptr,
                                   nullptr, nullptr, &old_size);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "The value doesn't already exist.";
    old_type_ = kRegValueTypeNone;
  } else if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to read " << value_name_ << " from " << full_name
               << ": " << logging::SystemErrorCodeToString(result);
    return false;
  } else {
    old_data_.resize(old_size);
    result = ::RegQueryValueExW(key.Handle(), value_name_.c_str(), nullptr,
                                &old_type_, old_data_.data(), &old_size);
    if (result != ERROR_SUCCESS) {
      old_type_ = kRegValueTypeNone;
      LOG(ERROR) << "Failed to read " << value_name_ << " from " << full_name
                 << " (but we succeeded before). "
                 << logging::SystemErrorCodeToString(result);
      return false;
    }
    old_data_.resize(old_size);
    VLOG(1) << "Value read successfully.";
  }
  if (OperationFailureInjected())
    return false;

  if (new_type_ != kRegValueTypeNone) {
    result = ::RegSetValueExW(key.Handle(), value_name_.c_str(), 0, new_type_,
                              new_data_.data(),
                              static_cast<DWORD>(new_data_.size()));
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed writing " << value_name_ << " to " << full_name
                 << ": " << logging::SystemErrorCodeToString(result);
      return false;
    }
  } else {
    if (old_type_ == kRegValueTypeNone) {
      VLOG(1) << "We are supposed to remove the value. Nothing to do.";
      return true;
    }
    result = ::RegDeleteValueW(key.Handle(), value_name_.c_str());
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to remove " << value_name_ << " from "
                 << full_name << ": "
                 << logging::SystemErrorCodeToString(result);
      return false;
    }
  }
  VLOG(1) << "Value changed successfully.";
  changed_ = true;
  return true;
}

void ChangeRegValueOperation::Rollback() {
  if (!changed_)
    return;
  changed_ = false;
  // Opened again by path: when a later operation deleted the key and its
  // rollback built it again, the handle Execute held names the deleted key,
  // and a write through it would go nowhere.
  base::win::RegKey key;
  LONG result =
      key.Open(root_, key_path_.c_str(), KEY_SET_VALUE | view_flags_);
  if (result == ERROR_SUCCESS) {
    result = old_type_ == kRegValueTypeNone
                 ? ::RegDeleteValueW(key.Handle(), value_name_.c_str())
                 : ::RegSetValueExW(key.Handle(), value_name_.c_str(), 0,
                                    old_type_, old_data_.data(),
                                    static_cast<DWORD>(old_data_.size()));
  }
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to put back " << value_name_ << " in "
               << GetFullKeyName(root_, key_path_) << ": "
               << logging::SystemErrorCodeToString(result);
  }
}

void CreateChangeRegValueOperation(HKEY root, const std::wstring& key_path,
                                   const std::wstring& value_name,
                                   const void* data, DWORD type, DWORD size,
                                   REGSAM view_flags,
                                   std::unique_ptr<Operation>* operation) {
  operation->reset(new ChangeRegValueOperation(root, key_path, value_name,
                                               data, type, size, view_flags));
}

}  // namespace installer
