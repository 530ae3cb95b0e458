// The global storage on Windows. Values are REG_SZ values of the product
// key under HKEY_CURRENT_USER, guarded across processes by the named mutex
// "vauc_registry_mutex", which the autoupdate component takes too. When the
// registry cannot be used (a stand-alone installation, or a product key the
// user may not write) the values live in the fallback file
// "au_global_storage" of the folder given to LoadFallbackFile, under its
// top-level dictionary "GS".
//
// A fallback file found beside a usable registry is merged into it until
// this object first writes the registry successfully; once such a file
// exists, every Set writes both.
//
//   GlobalStorageWin storage(product_key);
//   storage.Init(/*copy_only=*/false);
//   storage.LoadFallbackFile(user_data_folder);
//   storage.Set("UUID", uuid);
//
// Not thread-safe: one thread uses an object. The mutex handle stays open
// for the object's life.
#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_WIN_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_WIN_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"
#include "desktop/common/autoupdate/updatechecker/globalstorage.h"

namespace autoupdate {

// The mutex shared with the autoupdate component, in the caller's local
// namespace.
extern const wchar_t kGlobalStorageMutexName[];
// The fallback file's name and the dictionary in it that holds the values.
extern const wchar_t kGlobalStorageFallbackFileName[];
extern const char kGlobalStorageFallbackKey[];

class GlobalStorageWin : public GlobalStorage {
 public:
  // |product_key|: the path of the product key below HKEY_CURRENT_USER.
  explicit GlobalStorageWin(const std::wstring& product_key);
  ~GlobalStorageWin() override;
  GlobalStorageWin(const GlobalStorageWin&) = delete;
  GlobalStorageWin& operator=(const GlobalStorageWin&) = delete;

  // Once per object; later calls do nothing. |copy_only| (the installation
  // is a stand-alone copy) keeps the values in the fallback file only, and
  // so does a product key that exists but may not be written.
  void Init(bool copy_only);
  bool initialized() const { return initialized_; }

  // GlobalStorage:
  // An empty or relative |folder| names no fallback file: the values are
  // never kept relative to wherever the process runs.
  void LoadFallbackFile(const base::FilePath& folder) override;
  // On a stand-alone installation both answer kFailed until
  // LoadFallbackFile has named an absolute fallback folder, and Set does
  // while that folder does not exist.
  int32_t Set(const std::string& key, const std::string& value) override;
  int32_t Get(const std::string& key, std::string* value) override;

  bool fallback_only() const { return fallback_only_; }
  const base::FilePath& fallback_file_path() const {
    return fallback_file_path_;
  }

 private:
  enum class MutexState { kHeld, kNoMutex, kBusy, kWaitFailed };

  // Opens the mutex when needed and tries it without waiting. kHeld obliges
  // the caller to release it; a failure is logged here.
  MutexState TakeMutex();
  void ReleaseMutex();

  int32_t GetFromFallbackFile(const std::string& key, std::string* value);
  int32_t GetFromRegistry(const std::string& key, std::string* value);
  // Stores |value| under |key| in the fallback file; an empty value removes
  // the key.
  bool WriteFallbackFile(const std::string& key, const std::string& value);
  int32_t WriteRegistryValue(const std::string& key, const std::string& value);
  int32_t DeleteRegistryValue(const std::string& key);
  bool FallbackFileExists() const;

  base::win::ScopedHandle mutex_;
  base::FilePath fallback_file_path_;
  bool initialized_ = false;
  bool fallback_only_ = false;
  // The last registry write of this object succeeded.
  bool registry_written_ = false;
  // A merge of the fallback file into the registry is under way.
  bool loading_fallback_ = false;
  const std::wstring product_key_;
};

namespace internal {

// The calls that make, open and release the storage mutex.
struct GlobalStorageMutexFunctions {
  decltype(&::CreateMutexW) create_mutex;
  decltype(&::OpenMutexW) open_mutex;
  decltype(&::ReleaseMutex) release_mutex;
};

// For tests only: routes the mutex calls of every GlobalStorageWin through
// |functions| for the scope's life. Wine grants every right on a named
// mutex, so a handle that may wait but not release cannot be made there.
// Scopes nest; they must not overlap across threads.
class ScopedGlobalStorageMutexFunctionsForTesting {
 public:
  explicit ScopedGlobalStorageMutexFunctionsForTesting(
      const GlobalStorageMutexFunctions& functions);
  ~ScopedGlobalStorageMutexFunctionsForTesting();
  ScopedGlobalStorageMutexFunctionsForTesting(
      const ScopedGlobalStorageMutexFunctionsForTesting&) = delete;
  ScopedGlobalStorageMutexFunctionsForTesting& operator=(
      const ScopedGlobalStorageMutexFunctionsForTesting&) = delete;

 private:
  GlobalStorageMutexFunctions functions_;
  const GlobalStorageMutexFunctions* previous_;
};

}  // namespace internal

}  // namespace autoupdate

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_WIN_H_
