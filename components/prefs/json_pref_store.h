// The preferences of one JSON file, such as "installer_prefs.json", held in
// memory and written back through an ImportantFileWriter, so that many
// changes within the writer's commit interval cost one write.
//
//   scoped_refptr<JsonPrefStore> store = new JsonPrefStore(
//       path, JsonPrefStore::GetTaskRunnerForFile(path, pool));
//   store->ReadPrefs();
//   store->SetValue("install.folder",
//                   std::make_unique<base::Value>(folder), 0);
//
// Reading recovers what it can: a missing file starts empty, a file that is
// not valid JSON is moved aside to the same name with the extension "bad"
// (copied there when it cannot be moved) and the store starts empty. A file
// that exists but cannot be read, whose root is not a dictionary, or that is
// not valid JSON and cannot be set aside either, makes the store read-only,
// so that it is never overwritten with less than it held.
//
// The store belongs to the sequence that created it. Its file operations
// (reads and writes) run on the task runner given at construction; for a
// pool sequence named after the path (GetTaskRunnerForFile) every store of
// one file shares that sequence, so no read overlaps a write. The last
// reference commits outstanding changes, lossy ones included.
#ifndef COMPONENTS_PREFS_JSON_PREF_STORE_H_
#define COMPONENTS_PREFS_JSON_PREF_STORE_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/important_file_writer.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/observer_list.h"
#include "base/sequenced_task_runner.h"
#include "base/time/time.h"
#include "components/prefs/persistent_pref_store.h"

namespace base {
class Clock;
class DictionaryValue;
class HistogramBase;
class SequencedWorkerPool;
}  // namespace base

// What a read of the preference file found; made on the file's sequence.
struct PrefReadResult {
  PrefReadResult();
  ~PrefReadResult();

  std::unique_ptr<base::Value> value;  // null when nothing could be parsed
  PersistentPrefStore::PrefReadError error =
      PersistentPrefStore::PREF_READ_ERROR_NONE;
  bool no_dir = false;  // the file's folder does not exist
  // The file is not valid JSON and could be neither moved nor copied aside:
  // writing over it would destroy the only copy of its bytes.
  bool keep_file = false;
};

class JsonPrefStore : public PersistentPrefStore,
                      public base::ImportantFileWriter::DataSerializer {
 public:
  // Counts the writes of one file per report interval (5 minutes) into the
  // histogram "Settings.JsonDataWriteCount." + the file's name, so that a
  // store that writes too often shows up.
  class WriteCountHistogram {
   public:
    WriteCountHistogram(base::TimeDelta commit_interval,
                        const base::FilePath& path);
    // |clock| replaces the wall clock, for tests.
    WriteCountHistogram(base::TimeDelta commit_interval,
                        const base::FilePath& path,
                        std::unique_ptr<base::Clock> clock,
                        base::TimeDelta report_interval);
    // Reports the writes still outstanding.
    ~WriteCountHistogram();
    WriteCountHistogram(const WriteCountHistogram&) = delete;
    WriteCountHistogram& operator=(const WriteCountHistogram&) = delete;

    void RecordWriteOccured();
    // Adds the count of the interval that ended, and 0 for each further
    // whole interval without writes; nothing while the interval runs.
    void ReportOutstandingWrites();
    base::HistogramBase* GetHistogram();

   private:
    const base::TimeDelta commit_interval_;
    const base::FilePath path_;
    const std::unique_ptr<base::Clock> clock_;
    const base::TimeDelta report_interval_;
    base::Time last_report_time_;
    uint32_t writes_since_last_report_ = 0;
  };

  // The sequence of |pool| named "json_pref_store-" + the path in UTF-8,
  // with block-shutdown tasks, so that a write posted before the pool shuts
  // down reaches the disk.
  static scoped_refptr<base::SequencedTaskRunner> GetTaskRunnerForFile(
      const base::FilePath& path, base::SequencedWorkerPool* pool);

  // |alternate_path| (may be empty) is read instead when |path| does not
  // exist; it is moved to |path| first.
  JsonPrefStore(const base::FilePath& path,
                const base::FilePath& alternate_path,
                scoped_refptr<base::SequencedTaskRunner> task_runner);
  JsonPrefStore(const base::FilePath& path,
                scoped_refptr<base::SequencedTaskRunner> task_runner);

  // PrefStore:
  void AddObserver(PrefStoreObserver* observer) override;
  void RemoveObserver(PrefStoreObserver* observer) override;
  bool HasObservers() const override;
  bool IsInitializationComplete() const override;
  bool GetValue(const std::string& key,
                const base::Value** result) const override;

  // PersistentPrefStore:
  bool GetMutableValue(const std::string& key, base::Value** result) override;
  void SetValue(const std::string& key, std::unique_ptr<base::Value> value,
                uint32_t flags) override;
  void RemoveValue(const std::string& key, uint32_t flags) override;
  void ReportValueChanged(const std::string& key, uint32_t flags) override;
  void SetValueSilently(const std::string& key,
                        std::unique_ptr<base::Value> value,
                        uint32_t flags) override;
  bool ReadOnly() const override;
  PrefReadError GetReadError() const override;
  // Reads on the task runner and waits for it, so that a write already
  // queued there for the file lands first. Reads here when the runner is
  // this sequence or refuses the read.
  PrefReadError ReadPrefs() override;
  void ReadPrefsAsync(ReadErrorDelegate* error_delegate) override;
  // Hands outstanding changes to the writer at once, without waiting for a
  // timer: at process end no loop may be left to run one.
  void CommitPendingWrite() override;
  void SchedulePendingLossyWrites() override;
  // Not supported by this store.
  void DiscardMutableValues() override;

  // ImportantFileWriter::DataSerializer: the preferences as compact JSON.
  bool SerializeData(std::string* output) override;

 private:
  ~JsonPrefStore() override;

  // Takes what a read found and completes the initialisation.
  void OnFileRead(std::unique_ptr<PrefReadResult> result);
  // Reply of ReadPrefsAsync; |result| is owned by the reply.
  void OnAsyncFileRead(std::unique_ptr<PrefReadResult>* result);
  void FinalizeFileRead(bool initialization_succeeded,
                        std::unique_ptr<base::DictionaryValue> prefs);
  // Stores |value| at |key| unless an equal value is there; false when
  // nothing changed.
  bool SetValueInternal(const std::string& key,
                        std::unique_ptr<base::Value> value);
  void ScheduleWrite(uint32_t flags);

  const base::FilePath path_;
  const base::FilePath alternate_path_;
  const scoped_refptr<base::SequencedTaskRunner> task_runner_;
  std::unique_ptr<base::DictionaryValue> prefs_;
  bool read_only_ = false;
  base::ImportantFileWriter writer_;
  base::ObserverList<PrefStoreObserver> observers_;
  std::unique_ptr<ReadErrorDelegate> error_delegate_;
  bool initialized_ = false;
  bool pending_lossy_write_ = false;
  PrefReadError read_error_ = PREF_READ_ERROR_NONE;
  WriteCountHistogram write_count_histogram_;
  // Last: replies of reads are dropped before anything else goes.
  base::WeakPtrFactory<JsonPrefStore> weak_factory_{this};
};

#endif  // COMPONENTS_PREFS_JSON_PREF_STORE_H_
