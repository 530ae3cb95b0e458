// A small store of text values shared with the browser's autoupdate
// component, which reads and writes the same values from its own process.
//
//   GlobalStorage* storage = GlobalStorage::GetInstance();
//   storage->LoadFallbackFile(user_data_folder);
//   std::string uuid;
//   if (storage->Get("UUID", &uuid) == GlobalStorage::kSuccess && !uuid.empty())
//     survey_url += "&uuid=" + uuid;
//
// Operations never wait for the other process: while it holds the store,
// they answer kBusy at once and change nothing.
#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_H_

#include <stdint.h>

#include <string>

namespace base {
class FilePath;
}

namespace autoupdate {

class GlobalStorage {
 public:
  // Result codes, shared with the autoupdate component.
  static constexpr int32_t kSuccess = 0;
  // Another process holds the store; nothing was done.
  static constexpr int32_t kBusy = 1;
  // No mutex, no storage, or a registry or file operation failed.
  static constexpr int32_t kFailed = -252;
  // An empty key, or no place for the value read.
  static constexpr int32_t kInvalidArguments = -254;

  // The process-wide store, made and initialised on the first call and
  // destroyed at exit. Main thread only.
  static GlobalStorage* GetInstance();

  // Names the folder of the fallback file; an implementation may merge a
  // file found there into its main storage. Does nothing here.
  virtual void LoadFallbackFile(const base::FilePath& folder) {}
  // Stores |value| under |key|; an empty |value| removes the key.
  virtual int32_t Set(const std::string& key, const std::string& value) = 0;
  // Reads the value under |key| into |value|: empty when there is none.
  virtual int32_t Get(const std::string& key, std::string* value) = 0;
  virtual ~GlobalStorage() = default;
};

}  // namespace autoupdate

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_H_
