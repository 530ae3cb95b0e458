#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"

#include "base/logging.h"
#include "base/win/registry.h"
#include "base/win/registry_key_path.h"
#include "desktop/windows/installer/service/transactions/access_control.h"
#include "desktop/windows/installer/service/transactions/registry_operation_steps.h"
#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"

namespace installer {

using base::win::GetFullKeyName;
using base::win::GetRegistryObjectType;
using base::win::KeyPathAppend;
using base::win::NormalizeKeyPath;

namespace {

// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
// KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | DELETE | READ_CONTROL.
constexpr REGSAM kSaveAndDeleteAccess = 0x3001F;
// KEY_READ | DELETE: what the save and the deletion need.
constexpr ACCESS_MASK kNeededAccess = KEY_READ | DELETE;
constexpr SECURITY_INFORMATION kSavedSecurity = GROUP_SECURITY_INFORMATION |
                                                DACL_SECURITY_INFORMATION |
                                                LABEL_SECURITY_INFORMATION;

const RegistryKeyFunctions kRealRegistryKeyFunctions = {
    &::RegDeleteKeyExW,
    &::RegCreateKeyExW,
};

const RegistryKeyFunctions* g_registry_key_functions =
    &kRealRegistryKeyFunctions;

// Reads the parts of |key|'s descriptor that a re-creation hands over into
// |saved|; logs a failure under |full_name|.
bool SaveSecurity(HKEY key, const std::wstring& full_name,
                  SavedRegistryKey* saved) {
  DWORD descriptor_size = 0;
  LONG result =
      ::RegGetKeySecurity(key, kSavedSecurity, nullptr, &descriptor_size);
  if (result != ERROR_SUCCESS && result != ERROR_INSUFFICIENT_BUFFER) {
    LOG(ERROR) << "Failed to obtain security descriptor for " << full_name
               << ": " << logging::SystemErrorCodeToString(result);
    return false;
  }
  saved->security_descriptor.resize(descriptor_size);
  if (!descriptor_size)
    return true;
  result = ::RegGetKeySecurity(key, kSavedSecurity,
                               saved->security_descriptor.data(),
                               &descriptor_size);
  if (result != ERROR_SUCCESS) {
    saved->security_descriptor.clear();
    LOG(ERROR) << "Failed to obtain security descriptor for " << full_name
               << "(but we succeeded earlier): "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  return true;
}

}  // namespace

DeleteRegKeyOperation::DeleteRegKeyOperation(HKEY root,
                                             const std::wstring& key_path,
                                             REGSAM view_flags)
    : key_path_(NormalizeKeyPath(key_path)),
      root_(root),
      view_flags_(view_flags) {}

DeleteRegKeyOperation::~DeleteRegKeyOperation() = default;

bool DeleteRegKeyOperation::Execute(Transaction* /*nested*/) {
  VLOG(1) << "Attempting to delete registry key " << key_path_ << " under "
          << static_cast<const void*>(root_);
  const std::wstring full_name = GetFullKeyName(root_, key_path_);
  // An empty path opens the root itself: everything below it would go.
  if (key_path_.empty()) {
    LOG(ERROR) << "Refusing to delete the root key " << full_name;
    return false;
  }
  base::win::RegKey key;
  LONG result =
      key.Open(root_, key_path_.c_str(), KEY_QUERY_VALUE | view_flags_);
  if (result == ERROR_FILE_NOT_FOUND) {
    VLOG(1) << "Key does not exist. Nothing to do.";
    return true;
  }
  if (result != ERROR_SUCCESS && result != ERROR_ACCESS_DENIED) {
    LOG(ERROR) << "Failed to open key " << full_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  key.Close();
  return DeleteAndSaveRecursive(key_path_, full_name);
}

bool DeleteRegKeyOperation::DeleteAndSaveRecursive(
    const std::wstring& key_path, const std::wstring& full_name) {
  VLOG(1) << "DeleteAndSaveRecursive : " << key_path;
  base::win::RegKey key;
  LONG result =
      key.Open(root_, key_path.c_str(), kSaveAndDeleteAccess | view_flags_);
  if (result != ERROR_SUCCESS && result != ERROR_ACCESS_DENIED) {
    LOG(ERROR) << "Failed to open key " << full_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  // Recorded once the key is known to be there and before its subkeys, so
  // that a rollback creates parents first and puts back a grant made below
  // even when the key is never deleted.
  saved_keys_.push_back(std::make_unique<SavedRegistryKey>());
  SavedRegistryKey* saved = saved_keys_.back().get();
  saved->key_path = key_path;

  // The descriptor is saved before any grant changes it, through a handle
  // that asks for it alone when the full access is refused. Only a key that
  // hides even its descriptor is read after the grant; the rollback then
  // puts its list back from what the grant replaced.
  base::win::RegKey reader;
  if (result != ERROR_SUCCESS)
    reader.Open(root_, key_path.c_str(), READ_CONTROL | view_flags_);
  const base::win::RegKey& readable = key.Valid() ? key : reader;
  const bool saved_before_grant = readable.Valid();
  if (saved_before_grant &&
      !SaveSecurity(readable.Handle(), full_name, saved)) {
    return false;
  }
  reader.Close();

  const SE_OBJECT_TYPE object_type = GetRegistryObjectType(view_flags_);
  if (result == ERROR_ACCESS_DENIED ||
      (result == ERROR_SUCCESS &&
       !HasAccess(full_name, object_type, kNeededAccess))) {
    VLOG(1) << "Insufficient permissions on the key";
    if (!GrantAccess(full_name, object_type, kSaveAndDeleteAccess,
                     /*permanent=*/false, &saved->replaced_acl)) {
      const DWORD error = ::GetLastError();
      LOG(ERROR) << "Unable to obtain sufficient permissions on key"
                 << full_name << ": "
                 << logging::SystemErrorCodeToString(error);
      return false;
    }
    if (OperationFailureInjected())
      return false;
    result =
        key.Open(root_, key_path.c_str(), kSaveAndDeleteAccess | view_flags_);
  }
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to open key " << full_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  if (!saved_before_grant && !SaveSecurity(key.Handle(), full_name, saved))
    return false;

  DWORD value_count = 0, max_subkey_length = 0, max_value_name_length = 0,
        max_value_size = 0;
  result = ::RegQueryInfoKeyW(key.Handle(), nullptr, nullptr, nullptr, nullptr,
                              &max_subkey_length, nullptr, &value_count,
                              &max_value_name_length, &max_value_size, nullptr,
                              nullptr);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to obtain key info for " << full_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  VLOG(1) << value_count << " values";

  std::vector<wchar_t> name(max_value_name_length + 1);
  for (DWORD index = 0; index < value_count; ++index) {
    auto value = std::make_unique<SavedRegistryValue>();
    value->data.resize(max_value_size);
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD size = max_value_size;
    result = ::RegEnumValueW(key.Handle(), index, name.data(), &name_length,
                             nullptr, &value->type, value->data.data(), &size);
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to obtain value nr " << index << " of "
                 << full_name << ": "
                 << logging::SystemErrorCodeToString(result);
      return false;
    }
    value->name.assign(name.data(), name_length);
    value->data.resize(size);
    saved->values.push_back(std::move(value));
  }

  // Each subkey is deleted once saved, so index 0 is always the next one.
  std::vector<wchar_t> subkey(max_subkey_length + 1);
  for (;;) {
    DWORD subkey_length = static_cast<DWORD>(subkey.size());
    result = ::RegEnumKeyExW(key.Handle(), 0, subkey.data(), &subkey_length,
                             nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS)
      break;
    if (result != ERROR_SUCCESS) {
      LOG(ERROR) << "Failed to read a subkey of " << full_name << ": "
                 << logging::SystemErrorCodeToString(result);
      return false;
    }
    const std::wstring subkey_name(subkey.data(), subkey_length);
    if (!DeleteAndSaveRecursive(KeyPathAppend(key_path, subkey_name),
                                KeyPathAppend(full_name, subkey_name))) {
      return false;
    }
  }

  key.Close();
  if (OperationFailureInjected())
    return false;
  // A key left behind would be enumerated again forever; it fails the
  // operation instead, and the rollback restores what went before it.
  result = g_registry_key_functions->reg_delete_key_ex(root_, key_path.c_str(),
                                                       view_flags_, 0);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "Failed to delete key " << full_name << ": "
               << logging::SystemErrorCodeToString(result);
    return false;
  }
  return true;
}

void DeleteRegKeyOperation::Rollback() {
  for (const auto& saved : saved_keys_) {
    const std::wstring full_name = GetFullKeyName(root_, saved->key_path);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, FALSE};
    if (!saved->security_descriptor.empty())
      attributes.lpSecurityDescriptor = saved->security_descriptor.data();
    HKEY raw_key = nullptr;
    DWORD disposition = 0;
    LONG result = g_registry_key_functions->reg_create_key_ex(
        root_, saved->key_path.c_str(), 0, nullptr, 0,
        kSaveAndDeleteAccess | view_flags_, &attributes, &raw_key,
        &disposition);
    if (result != ERROR_SUCCESS) {
      // The values matter more than the descriptor: the key comes back with
      // default security rather than not at all.
      LOG(ERROR) << "Failed to restore " << full_name
                 << " with its saved security ("
                 << logging::SystemErrorCodeToString(result)
                 << "); restoring it with default security";
      raw_key = nullptr;
      result = g_registry_key_functions->reg_create_key_ex(
          root_, saved->key_path.c_str(), 0, nullptr, 0,
          kSaveAndDeleteAccess | view_flags_, nullptr, &raw_key, &disposition);
      if (result != ERROR_SUCCESS) {
        LOG(ERROR) << "Failed to restore " << full_name << ": "
                   << logging::SystemErrorCodeToString(result);
      }
    }
    base::win::RegKey key;
    key.Set(raw_key, kSaveAndDeleteAccess | view_flags_);
    if (result != ERROR_SUCCESS || disposition != REG_CREATED_NEW_KEY)
      continue;
    for (const auto& value : saved->values) {
      result = ::RegSetValueExW(key.Handle(), value->name.c_str(), 0,
                                value->type, value->data.data(),
                                static_cast<DWORD>(value->data.size()));
      if (result != ERROR_SUCCESS) {
        LOG(ERROR) << "Failed to put back " << value->name << " in "
                   << full_name << ": "
                   << logging::SystemErrorCodeToString(result);
      }
    }
  }
  // Once every key is back, since a list put back may deny creating
  // subkeys. The named write also hands the old inheritable entries down
  // to the subkeys again, in place of the grant's.
  for (const auto& saved : saved_keys_)
    RestoreAccessOrLog(&saved->replaced_acl);
  saved_keys_.clear();
}

void CreateDeleteRegKeyOperation(HKEY root, const std::wstring& key_path,
                                 REGSAM view_flags,
                                 std::unique_ptr<Operation>* operation) {
  operation->reset(new DeleteRegKeyOperation(root, key_path, view_flags));
}

internal::ScopedRegistryKeyFunctionsForTesting::ScopedRegistryKeyFunctionsForTesting(
    const RegistryKeyFunctions& functions)
    : functions_(functions), previous_(g_registry_key_functions) {
  g_registry_key_functions = &functions_;
}

internal::ScopedRegistryKeyFunctionsForTesting::~ScopedRegistryKeyFunctionsForTesting() {
  g_registry_key_functions = previous_;
}

}  // namespace installer
