// A read-only map of preference values with change notification: the part
// of a preference store that readers of preferences see.
//
//   class Watcher : public PrefStoreObserver {
//     void OnPrefValueChanged(const std::string& key) override { ... }
//     void OnInitializationCompleted(bool succeeded) override { ... }
//   };
//   store->AddObserver(&watcher);
//   const base::Value* value = nullptr;
//   if (store->GetValue("install.folder", &value)) ...
//
// Stores are counted references with a plain count: a store and every
// reference to it stay on the sequence that created it.
#ifndef COMPONENTS_PREFS_PREF_STORE_H_
#define COMPONENTS_PREFS_PREF_STORE_H_

#include <string>

namespace base {
class Value;
}

// Told of every change of a store it watches. Not owned by the store.
class PrefStoreObserver {
 public:
  // The value at |key| was set, changed or removed.
  virtual void OnPrefValueChanged(const std::string& key) = 0;
  // The store has finished reading; false when it could not be initialised.
  virtual void OnInitializationCompleted(bool succeeded) = 0;

 protected:
  virtual ~PrefStoreObserver() = default;
};

class PrefStore {
 public:
  PrefStore(const PrefStore&) = delete;
  PrefStore& operator=(const PrefStore&) = delete;

  // Adding an observer twice adds it once. Observers must be removed
  // before they die.
  virtual void AddObserver(PrefStoreObserver* observer) = 0;
  virtual void RemoveObserver(PrefStoreObserver* observer) = 0;
  virtual bool HasObservers() const = 0;

  // True once the store has read its values.
  virtual bool IsInitializationComplete() const = 0;

  // The value at the dotted path |key|, owned by the store; false when
  // there is none. |result| may be null to test for presence.
  virtual bool GetValue(const std::string& key,
                        const base::Value** result) const = 0;

  void AddRef() const { ++ref_count_; }
  // Deletes the store with the last reference.
  void Release() const {
    if (--ref_count_ == 0) delete this;
  }

 protected:
  PrefStore() = default;
  virtual ~PrefStore() = default;

 private:
  mutable int ref_count_ = 0;
};

#endif  // COMPONENTS_PREFS_PREF_STORE_H_
