#include "desktop/common/autoupdate/updatechecker/globalstorage_win.h"

#include <memory>
#include <utility>
#include <vector>

#include "base/files/file_util.h"
#include "base/json/values.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/win/registry.h"
#include "base/win/registry_key_path.h"
#include "base/win/windows_types.h"
#include "desktop/common/autoupdate/updatechecker/globalstorage_fallback_accessor.h"
#include "desktop/windows/installer/service/installation_info.h"
#include "desktop/windows/installer/service/utils.h"

namespace autoupdate {

const wchar_t kGlobalStorageMutexName[] = L"vauc_registry_mutex";
const wchar_t kGlobalStorageFallbackFileName[] = L"au_global_storage";
const char kGlobalStorageFallbackKey[] = "GS";

namespace {

const internal::GlobalStorageMutexFunctions kRealMutexFunctions = {
    &::CreateMutexW,
    &::OpenMutexW,
    &::ReleaseMutex,
};

const internal::GlobalStorageMutexFunctions* g_mutex_functions =
    &kRealMutexFunctions;

// The product key as log lines name it: "CURRENT_USER\Software\...".
std::wstring FullKeyName(const std::wstring& product_key) {
  return base::win::GetFullKeyName(HKEY_CURRENT_USER, product_key);
}

// Releases the storage mutex when the operation that took it ends.
class ScopedMutexRelease {
 public:
  explicit ScopedMutexRelease(HANDLE mutex) : mutex_(mutex) {}
  ~ScopedMutexRelease() {
    // A mutex kept would answer kBusy to the autoupdate component until
    // this thread ends.
    if (!g_mutex_functions->release_mutex(mutex_))
      PLOG(ERROR) << "[AU] GS: Releasing the access mutex failed";
  }
  ScopedMutexRelease(const ScopedMutexRelease&) = delete;
  ScopedMutexRelease& operator=(const ScopedMutexRelease&) = delete;

 private:
  HANDLE mutex_;
};

}  // namespace

GlobalStorage* GlobalStorage::GetInstance() {
  // The store of the installer's own product, where the running executable
  // is installed.
  static GlobalStorageWin instance(installer::GetProductRegistryKey());
  if (!instance.initialized())
    instance.Init(installer::GetInstallationInfo()->IsCopyOnly());
  return &instance;
}

GlobalStorageWin::GlobalStorageWin(const std::wstring& product_key)
    : product_key_(product_key) {}

GlobalStorageWin::~GlobalStorageWin() = default;

void GlobalStorageWin::Init(bool copy_only) {
  if (initialized_)
    return;
  initialized_ = true;
  if (copy_only) {
    fallback_only_ = true;
    return;
  }
  // Only a key that exists and refuses us sends the values to the file: a
  // missing key is made by the first Set.
  base::win::RegKey key;
  LONG result =
      key.Open(HKEY_CURRENT_USER, product_key_.c_str(), KEY_READ | KEY_WRITE);
  if (result == ERROR_ACCESS_DENIED)
    fallback_only_ = true;
}

GlobalStorageWin::MutexState GlobalStorageWin::TakeMutex() {
  if (!mutex_.IsValid()) {
    mutex_.Set(g_mutex_functions->create_mutex(nullptr, FALSE,
                                               kGlobalStorageMutexName));
    // Made by a process whose security we may not inherit: open it with
    // the rights to wait and to release, no more.
    if (!mutex_.IsValid() && ::GetLastError() == ERROR_ACCESS_DENIED) {
      mutex_.Set(g_mutex_functions->open_mutex(
          SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kGlobalStorageMutexName));
    }
    if (!mutex_.IsValid()) {
      // The owner keeps the last error when it is handed a null handle.
      PLOG(ERROR) << "[AU] GS: Couldn't create an access mutex";
      return MutexState::kNoMutex;
    }
  }
  DWORD wait = ::WaitForSingleObject(mutex_.Get(), 0);
  switch (wait) {
    case WAIT_OBJECT_0:
      return MutexState::kHeld;
    case WAIT_ABANDONED:
      // The holder died; we own the mutex now and the values are single
      // registry writes or whole file replacements, so none is half made.
      LOG(WARNING) << "[AU] GS: The access mutex was abandoned by its holder";
      return MutexState::kHeld;
    case WAIT_TIMEOUT:
      return MutexState::kBusy;
    default:
      PLOG(ERROR) << "[AU] GS: Waiting for the access mutex failed";
      return MutexState::kWaitFailed;
  }
}

int32_t GlobalStorageWin::Get(const std::string& key, std::string* value) {
  if (!value)
    return kInvalidArguments;
  value->clear();
  if (key.empty())
    return kInvalidArguments;

  switch (TakeMutex()) {
    case MutexState::kHeld:
      break;
    case MutexState::kBusy:
      return kBusy;
    case MutexState::kNoMutex:
    case MutexState::kWaitFailed:
      return kFailed;
  }
  ScopedMutexRelease release(mutex_.Get());
  if (fallback_only_)
    return GetFromFallbackFile(key, value);
  return GetFromRegistry(key, value);
}

int32_t GlobalStorageWin::GetFromFallbackFile(const std::string& key,
                                              std::string* value) {
  // Until the folder is known there is no file to read, and a store over an
  // empty path would name the current directory.
  if (fallback_file_path_.empty())
    return kFailed;
  GlobalStorageFallbackAccessor accessor(fallback_file_path_);
  if (!accessor.IsValid())
    return kFailed;
  const base::Value* values = nullptr;
  if (!accessor.store()->GetValue(kGlobalStorageFallbackKey, &values))
    return kSuccess;
  const base::DictionaryValue* dictionary = nullptr;
  if (!values->GetAsDictionary(&dictionary))
    return kFailed;
  // Read as one name, as Set stores it: a key may hold dots.
  std::string text;
  if (dictionary->GetStringWithoutPathExpansion(key, &text) &&
      base::IsStringASCII(text)) {
    *value = std::move(text);
  }
  return kSuccess;
}

int32_t GlobalStorageWin::GetFromRegistry(const std::string& key,
                                          std::string* value) {
  base::win::RegKey product_key;
  LONG result = product_key.Open(HKEY_CURRENT_USER, product_key_.c_str(),
                                 KEY_QUERY_VALUE);
  if (result != ERROR_SUCCESS) {
    // A key that is not there holds no value; any other refusal is logged,
    // but answers the same.
    if (result != ERROR_FILE_NOT_FOUND && result != ERROR_PATH_NOT_FOUND) {
      LOG(ERROR) << "[AU] GS: Opening " << FullKeyName(product_key_)
                 << " failed with: "
                 << logging::SystemErrorCodeToString(result);
    }
    return kSuccess;
  }
  DWORD size = 0;
  result = ::RegQueryValueExA(product_key.Handle(), key.c_str(), nullptr,
                              nullptr, nullptr, &size);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
    LOG(ERROR) << "[AU] GS: Reading " << key << " from "
               << FullKeyName(product_key_)
               << " failed with: " << logging::SystemErrorCodeToString(result);
  }
  if (result != ERROR_SUCCESS || size == 0)
    return kSuccess;
  // One byte more than stored: the data carries no terminating NUL.
  std::vector<char> buffer(size + 1, '\0');
  result = ::RegQueryValueExA(product_key.Handle(), key.c_str(), nullptr,
                              nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                              &size);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Reading " << key << " from "
               << FullKeyName(product_key_)
               << " failed with: " << logging::SystemErrorCodeToString(result);
    return kFailed;
  }
  buffer[size] = '\0';
  value->assign(buffer.data());
  return kSuccess;
}

int32_t GlobalStorageWin::Set(const std::string& key,
                              const std::string& value) {
  if (key.empty())
    return kInvalidArguments;

  switch (TakeMutex()) {
    case MutexState::kHeld:
      break;
    case MutexState::kBusy:
      LOG(ERROR) << "[AU] GS: Couldn't get hold on an access mutex";
      return kBusy;
    case MutexState::kNoMutex:
    case MutexState::kWaitFailed:
      return kFailed;
  }
  ScopedMutexRelease release(mutex_.Get());

  if (fallback_only_ || (!loading_fallback_ && FallbackFileExists())) {
    bool written = WriteFallbackFile(key, value);
    if (!written)
      LOG(ERROR) << "[AU] GS: Writing to a fallback storage failed";
    if (fallback_only_)
      return written ? kSuccess : kFailed;
  }

  int32_t result =
      value.empty() ? DeleteRegistryValue(key) : WriteRegistryValue(key, value);
  registry_written_ = result == kSuccess;
  return result;
}

bool GlobalStorageWin::WriteFallbackFile(const std::string& key,
                                         const std::string& value) {
  // The write itself runs on the accessor's thread and cannot answer: a
  // folder that is missing would lose the value behind a success.
  if (fallback_file_path_.empty() ||
      !base::DirectoryExists(fallback_file_path_.DirName())) {
    return false;
  }
  GlobalStorageFallbackAccessor accessor(fallback_file_path_);
  if (!accessor.IsValid())
    return false;
  JsonPrefStore* store = accessor.store();
  // A file that could not be read as preferences is never overwritten.
  if (store->ReadOnly())
    return false;

  std::unique_ptr<base::DictionaryValue> values;
  const base::Value* current = nullptr;
  if (store->GetValue(kGlobalStorageFallbackKey, &current)) {
    const base::DictionaryValue* dictionary = nullptr;
    if (!current->GetAsDictionary(&dictionary))
      return false;
    values.reset(dictionary->DeepCopy());
  } else {
    values = std::make_unique<base::DictionaryValue>();
  }
  // Keys are single names: the autoupdate component's keys may hold dots.
  if (value.empty())
    values->RemoveWithoutPathExpansion(key, nullptr);
  else
    values->SetStringWithoutPathExpansion(key, value);
  store->SetValue(kGlobalStorageFallbackKey, std::move(values), 0);
  store->CommitPendingWrite();
  return true;
}

int32_t GlobalStorageWin::DeleteRegistryValue(const std::string& key) {
  base::win::RegKey product_key;
  LONG result =
      product_key.Open(HKEY_CURRENT_USER, product_key_.c_str(), KEY_WRITE);
  if (result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND)
    return kSuccess;  // nothing to delete
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Deleting reg value failed with: "
               << logging::SystemErrorCodeToString(result) << " ("
               << FullKeyName(product_key_) << ")";
    return kFailed;
  }
  // An absent value is as good as a deleted one.
  ::RegDeleteValueA(product_key.Handle(), key.c_str());
  return kSuccess;
}

int32_t GlobalStorageWin::WriteRegistryValue(const std::string& key,
                                             const std::string& value) {
  base::win::RegKey product_key;
  LONG result =
      product_key.Create(HKEY_CURRENT_USER, product_key_.c_str(), KEY_WRITE);
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Creating reg key failed with: "
               << logging::SystemErrorCodeToString(result) << " ("
               << FullKeyName(product_key_) << ")";
    return kFailed;
  }
  // Without a terminating NUL, as the autoupdate component writes it.
  result = ::RegSetValueExA(product_key.Handle(), key.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.data()),
                            static_cast<DWORD>(value.size()));
  if (result != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Setting reg value failed with: "
               << logging::SystemErrorCodeToString(result) << " (" << key
               << " in " << FullKeyName(product_key_) << ")";
    return kFailed;
  }
  return kSuccess;
}

bool GlobalStorageWin::FallbackFileExists() const {
  return !fallback_file_path_.empty() && base::PathExists(fallback_file_path_);
}

void GlobalStorageWin::LoadFallbackFile(const base::FilePath& folder) {
  if (!folder.IsAbsolute()) {
    LOG(ERROR) << "[AU] GS: No fallback storage in the relative folder \""
               << folder.value() << "\"";
    fallback_file_path_.clear();
    return;
  }
  fallback_file_path_ = folder.Append(kGlobalStorageFallbackFileName);
  if (fallback_only_ || registry_written_ || !FallbackFileExists())
    return;

  // Copied out first: each Set below takes the mutex, and the store must
  // not change under an iteration.
  std::vector<std::pair<std::string, std::string>> entries;
  {
    GlobalStorageFallbackAccessor accessor(fallback_file_path_);
    const base::Value* values = nullptr;
    const base::DictionaryValue* dictionary = nullptr;
    if (!accessor.IsValid() ||
        !accessor.store()->GetValue(kGlobalStorageFallbackKey, &values) ||
        !values->GetAsDictionary(&dictionary)) {
      return;
    }
    for (base::DictionaryValue::Iterator it(*dictionary); !it.IsAtEnd();
         it.Advance()) {
      std::string text;
      if (it.value().GetAsString(&text))
        entries.emplace_back(it.key(), std::move(text));
    }
  }
  loading_fallback_ = true;
  for (const auto& entry : entries)
    Set(entry.first, entry.second);
  loading_fallback_ = false;
}

namespace internal {

ScopedGlobalStorageMutexFunctionsForTesting::
    ScopedGlobalStorageMutexFunctionsForTesting(
        const GlobalStorageMutexFunctions& functions)
    : functions_(functions), previous_(g_mutex_functions) {
  g_mutex_functions = &functions_;
}

ScopedGlobalStorageMutexFunctionsForTesting::
    ~ScopedGlobalStorageMutexFunctionsForTesting() {
  g_mutex_functions = previous_;
}

}  // namespace internal

}  // namespace autoupdate
