// A preference store backed by storage: it can change values, read them in
// and write them back.
//
//   scoped_refptr<PersistentPrefStore> store = ...;
//   store->ReadPrefs();
//   store->SetValue("install.done", std::make_unique<base::Value>(true),
//                   PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
//   store->CommitPendingWrite();  // otherwise written within 10 seconds
#ifndef COMPONENTS_PREFS_PERSISTENT_PREF_STORE_H_
#define COMPONENTS_PREFS_PERSISTENT_PREF_STORE_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "components/prefs/pref_store.h"

class PersistentPrefStore : public PrefStore {
 public:
  // What reading the backing storage found. Codes 2 to 5 make the store
  // read-only, so that a file it could not understand is never overwritten.
  enum PrefReadError : int32_t {
    PREF_READ_ERROR_NONE = 0,
    // Not valid JSON; the file has been moved aside.
    PREF_READ_ERROR_JSON_PARSE = 1,
    // The root is not a dictionary.
    PREF_READ_ERROR_JSON_TYPE = 2,
    PREF_READ_ERROR_ACCESS_DENIED = 3,
    PREF_READ_ERROR_FILE_OTHER = 4,
    PREF_READ_ERROR_FILE_LOCKED = 5,
    PREF_READ_ERROR_NO_FILE = 6,
    // Not valid JSON, and an earlier moved-aside copy was replaced.
    PREF_READ_ERROR_JSON_REPEAT = 7,
  };

  // Write flags of the changing operations.
  enum PrefWriteFlags : uint32_t {
    DEFAULT_PREF_WRITE_FLAGS = 0,
    // Written only with the next ordinary write or an explicit commit: for
    // values whose loss at a crash costs nothing.
    LOSSY_PREF_WRITE_FLAG = 1 << 1,
  };

  // Told of a read error once an asynchronous read has finished. Owned by
  // the store it is given to.
  class ReadErrorDelegate {
   public:
    virtual ~ReadErrorDelegate() = default;
    virtual void OnError(PrefReadError error) = 0;
  };

  // The value at |key| for changing in place; call ReportValueChanged
  // afterwards so the change is noticed and written.
  virtual bool GetMutableValue(const std::string& key,
                               base::Value** result) = 0;

  // Stores |value| at the dotted path |key|, tells the observers and
  // schedules a write. A value equal to the stored one changes nothing.
  virtual void SetValue(const std::string& key,
                        std::unique_ptr<base::Value> value,
                        uint32_t flags) = 0;
  // Removes the value at |key|, if any, telling the observers.
  virtual void RemoveValue(const std::string& key, uint32_t flags) = 0;
  // Tells the observers that the value at |key| changed and schedules a
  // write.
  virtual void ReportValueChanged(const std::string& key, uint32_t flags) = 0;
  // SetValue without telling the observers.
  virtual void SetValueSilently(const std::string& key,
                                std::unique_ptr<base::Value> value,
                                uint32_t flags) = 0;

  // True when the store never writes its storage.
  virtual bool ReadOnly() const = 0;
  virtual PrefReadError GetReadError() const = 0;

  // Reads the storage and waits for the result.
  virtual PrefReadError ReadPrefs() = 0;
  // Reads in the background; the observers hear OnInitializationCompleted
  // and |error_delegate| (may be null) any error.
  virtual void ReadPrefsAsync(ReadErrorDelegate* error_delegate) = 0;

  // Hands every outstanding change, lossy ones included, to the storage's
  // writer now.
  virtual void CommitPendingWrite() = 0;
  // Lets outstanding lossy changes go with the next scheduled write.
  virtual void SchedulePendingLossyWrites() = 0;
  virtual void DiscardMutableValues() = 0;

 protected:
  ~PersistentPrefStore() override = default;
};

#endif  // COMPONENTS_PREFS_PERSISTENT_PREF_STORE_H_
