// Short-lived access to the global storage's fallback file: a JSON
// preference store over the file whose writes run on a thread of its own,
// "GsTaskThread". The file is read when the accessor is made; destroying it
// hands any change to the writer and waits until the thread has written it.
//
//   GlobalStorageFallbackAccessor accessor(path);
//   if (!accessor.IsValid()) return false;
//   accessor.store()->SetValue("GS", std::move(values), 0);
//
// One thread uses an accessor; a pref store belongs to its creator.
#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_FALLBACK_ACCESSOR_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_FALLBACK_ACCESSOR_H_

#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/threading/thread.h"
#include "components/prefs/json_pref_store.h"

namespace autoupdate {

class GlobalStorageFallbackAccessor {
 public:
  // Starts the thread and reads the file at |path|, which must not be empty.
  explicit GlobalStorageFallbackAccessor(const base::FilePath& path);
  // Releases the store, then stops the thread after its pending writes.
  ~GlobalStorageFallbackAccessor();
  GlobalStorageFallbackAccessor(const GlobalStorageFallbackAccessor&) = delete;
  GlobalStorageFallbackAccessor& operator=(
      const GlobalStorageFallbackAccessor&) = delete;

  // False when the thread could not be started; there is no store then.
  bool IsValid() const { return store_ != nullptr; }
  JsonPrefStore* store() const { return store_.get(); }

 private:
  // Declared first so it outlives the store, whose last write it runs.
  base::Thread thread_;
  scoped_refptr<JsonPrefStore> store_;
};

}  // namespace autoupdate

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_FALLBACK_ACCESSOR_H_
