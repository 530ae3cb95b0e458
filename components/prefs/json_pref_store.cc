#include "components/prefs/json_pref_store.h"

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/json/json_file_value_serializer.h"
#include "base/json/json_string_value_serializer.h"
#include "base/json/values.h"
#include "base/logging.h"
#include "base/metrics/histogram.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/sequenced_worker_pool.h"
#include "base/time/default_clock.h"
#include "base/win/windows_types.h"

namespace {

constexpr char kTaskRunnerTokenPrefix[] = "json_pref_store-";
constexpr char kReadSizeHistogram[] = "Settings.JsonDataReadSizeKilobytes.";
constexpr char kWriteCountHistogram[] = "Settings.JsonDataWriteCount.";
constexpr wchar_t kBadExtension[] = L"bad";
constexpr int64_t kReportIntervalMinutes = 5;

// The file's base name as a histogram-name suffix: ASCII only (else empty),
// spaces as underscores.
std::string GetHistogramSuffix(const base::FilePath& path) {
  std::string suffix = path.BaseName().MaybeAsASCII();
  std::replace(suffix.begin(), suffix.end(), ' ', '_');
  return suffix;
}

// Sets |*keep_file| when a file that is not valid JSON could not be set
// aside.
PersistentPrefStore::PrefReadError HandleReadErrors(
    const base::Value* value, const base::FilePath& path, int error_code,
    const std::string& error_message, bool* keep_file) {
  if (!value) {
    switch (error_code) {
      case base::JSONFileValueDeserializer::JSON_ACCESS_DENIED:
        return PersistentPrefStore::PREF_READ_ERROR_ACCESS_DENIED;
      case base::JSONFileValueDeserializer::JSON_CANNOT_READ_FILE:
        return PersistentPrefStore::PREF_READ_ERROR_FILE_OTHER;
      case base::JSONFileValueDeserializer::JSON_FILE_LOCKED:
        return PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED;
      case base::JSONFileValueDeserializer::JSON_NO_SUCH_FILE:
        return PersistentPrefStore::PREF_READ_ERROR_NO_FILE;
      default: {
        // Keep the broken file for inspection, out of the way of the fresh
        // one the store will write.
        LOG(ERROR) << "Preference file " << path.value()
                   << " is not valid JSON (" << error_message
                   << "); moving it aside";
        const base::FilePath bad = path.ReplaceExtension(kBadExtension);
        const PersistentPrefStore::PrefReadError error =
            base::PathExists(bad)
                ? PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT
                : PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE;
        if (base::ReplaceFile(path, bad))
          return error;
        const DWORD move_error = ::GetLastError();
        // Held open by someone, say: a copy keeps the bytes all the same.
        if (base::CopyFileClearReadOnly(path, bad)) {
          LOG(ERROR) << "Cannot move " << path.value() << " to "
                     << bad.value() << " ("
                     << logging::SystemErrorCodeToString(move_error)
                     << "); copied it there instead";
          return error;
        }
        const DWORD copy_error = ::GetLastError();
        LOG(ERROR) << "Cannot move " << path.value() << " to " << bad.value()
                   << " (" << logging::SystemErrorCodeToString(move_error)
                   << ") nor copy it there ("
                   << logging::SystemErrorCodeToString(copy_error)
                   << "); the store will not write over it";
        *keep_file = true;
        return error;
      }
    }
  }
  if (!value->IsType(base::Value::TYPE_DICTIONARY)) {
    LOG(ERROR) << "The root of preference file " << path.value()
               << " is not a dictionary; the store stays read-only";
    return PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE;
  }
  return PersistentPrefStore::PREF_READ_ERROR_NONE;
}

// Runs on the file's sequence.
std::unique_ptr<PrefReadResult> ReadPrefsFromDisk(
    const base::FilePath& path, const base::FilePath& alternate_path) {
  if (!base::PathExists(path) && !alternate_path.empty() &&
      base::PathExists(alternate_path)) {
    if (!base::ReplaceFile(alternate_path, path))
      PLOG(ERROR) << "Cannot move " << alternate_path.value() << " to "
                  << path.value();
  }

  auto result = std::make_unique<PrefReadResult>();
  int error_code = 0;
  std::string error_message;
  base::JSONFileValueDeserializer deserializer(path, 0);
  result->value = deserializer.Deserialize(&error_code, &error_message);
  result->error = HandleReadErrors(result->value.get(), path, error_code,
                                   error_message, &result->keep_file);
  result->no_dir = !base::PathExists(path.DirName());
  if (result->error == PersistentPrefStore::PREF_READ_ERROR_NONE) {
    base::Histogram::FactoryGet(kReadSizeHistogram + GetHistogramSuffix(path),
                                1, 10000, 50,
                                base::HistogramBase::kUmaTargetedHistogramFlag)
        ->Add(static_cast<int32_t>(deserializer.get_last_read_size() / 1024));
  }
  return result;
}

// Signals |event| when destroyed: a bound argument that tells the waiting
// thread its task has run or has been dropped unrun.
class SignalOnDestruction {
 public:
  explicit SignalOnDestruction(base::WaitableEvent* event) : event_(event) {}
  ~SignalOnDestruction() { event_->Signal(); }
  SignalOnDestruction(const SignalOnDestruction&) = delete;
  SignalOnDestruction& operator=(const SignalOnDestruction&) = delete;

 private:
  base::WaitableEvent* const event_;
};

void ReadPrefsInto(const base::FilePath& path,
                   const base::FilePath& alternate_path,
                   std::unique_ptr<PrefReadResult>* result) {
  *result = ReadPrefsFromDisk(path, alternate_path);
}

void ReadPrefsAndSignal(const base::FilePath& path,
                        const base::FilePath& alternate_path,
                        std::unique_ptr<PrefReadResult>* result,
                        SignalOnDestruction*) {
  *result = ReadPrefsFromDisk(path, alternate_path);
}

}  // namespace

PrefReadResult::PrefReadResult() = default;
PrefReadResult::~PrefReadResult() = default;

// static
scoped_refptr<base::SequencedTaskRunner> JsonPrefStore::GetTaskRunnerForFile(
    const base::FilePath& path, base::SequencedWorkerPool* pool) {
  return pool->GetSequencedTaskRunnerForToken(
      pool->GetNamedSequenceToken(kTaskRunnerTokenPrefix + path.AsUTF8Unsafe()),
      base::SequencedWorkerPool::BLOCK_SHUTDOWN);
}

JsonPrefStore::JsonPrefStore(
    const base::FilePath& path, const base::FilePath& alternate_path,
    scoped_refptr<base::SequencedTaskRunner> task_runner)
    : path_(path),
      alternate_path_(alternate_path),
      task_runner_(std::move(task_runner)),
      prefs_(new base::DictionaryValue),
      writer_(path, task_runner_),
      // The histogram divides its reporting interval by the writer's.
      write_count_histogram_(writer_.commit_interval(), path) {}

JsonPrefStore::JsonPrefStore(
    const base::FilePath& path,
    scoped_refptr<base::SequencedTaskRunner> task_runner)
    : JsonPrefStore(path, base::FilePath(), std::move(task_runner)) {}

JsonPrefStore::~JsonPrefStore() { CommitPendingWrite(); }

void JsonPrefStore::AddObserver(PrefStoreObserver* observer) {
  observers_.AddObserver(observer);
}

void JsonPrefStore::RemoveObserver(PrefStoreObserver* observer) {
  observers_.RemoveObserver(observer);
}

bool JsonPrefStore::HasObservers() const {
  auto& observers = const_cast<base::ObserverList<PrefStoreObserver>&>(observers_);
  return observers.begin() != observers.end();
}

bool JsonPrefStore::IsInitializationComplete() const { return initialized_; }

bool JsonPrefStore::GetValue(const std::string& key,
                             const base::Value** result) const {
  const base::Value* value = nullptr;
  if (!prefs_->Get(key, &value))
    return false;
  if (result)
    *result = value;
  return true;
}

bool JsonPrefStore::GetMutableValue(const std::string& key,
                                    base::Value** result) {
  return prefs_->Get(key, result);
}

bool JsonPrefStore::SetValueInternal(const std::string& key,
                                     std::unique_ptr<base::Value> value) {
  const base::Value* old_value = nullptr;
  if (prefs_->Get(key, &old_value) && value->Equals(old_value))
    return false;
  prefs_->Set(key, std::move(value));
  return true;
}

void JsonPrefStore::SetValue(const std::string& key,
                             std::unique_ptr<base::Value> value,
                             uint32_t flags) {
  DCHECK(value);
  if (SetValueInternal(key, std::move(value)))
    ReportValueChanged(key, flags);
}

void JsonPrefStore::SetValueSilently(const std::string& key,
                                     std::unique_ptr<base::Value> value,
                                     uint32_t flags) {
  DCHECK(value);
  if (SetValueInternal(key, std::move(value)))
    ScheduleWrite(flags);
}

void JsonPrefStore::RemoveValue(const std::string& key, uint32_t flags) {
  if (prefs_->RemovePath(key, nullptr))
    ReportValueChanged(key, flags);
}

void JsonPrefStore::ReportValueChanged(const std::string& key,
                                       uint32_t flags) {
  for (PrefStoreObserver& observer : observers_)
    observer.OnPrefValueChanged(key);
  ScheduleWrite(flags);
}

bool JsonPrefStore::ReadOnly() const { return read_only_; }

PersistentPrefStore::PrefReadError JsonPrefStore::GetReadError() const {
  return read_error_;
}

PersistentPrefStore::PrefReadError JsonPrefStore::ReadPrefs() {
  std::unique_ptr<PrefReadResult> result;
  if (!task_runner_->RunsTasksOnCurrentThread()) {
    base::WaitableEvent done(base::WaitableEvent::ResetPolicy::MANUAL,
                             base::WaitableEvent::InitialState::NOT_SIGNALED);
    // The event is signalled when the task is gone, run or not; the result
    // tells which.
    task_runner_->PostTask(
        FROM_HERE, base::Bind(&ReadPrefsAndSignal, path_, alternate_path_,
                              base::Unretained(&result),
                              base::Owned(new SignalOnDestruction(&done))));
    done.Wait();
    if (!result)
      VLOG(1) << "The file sequence did not read " << path_.value()
              << "; reading on this thread";
  }
  if (!result)
    result = ReadPrefsFromDisk(path_, alternate_path_);
  OnFileRead(std::move(result));
  return read_error_;
}

void JsonPrefStore::ReadPrefsAsync(ReadErrorDelegate* error_delegate) {
  initialized_ = false;
  error_delegate_.reset(error_delegate);
  // The reply owns the slot that the read fills.
  auto* result = new std::unique_ptr<PrefReadResult>;
  const bool posted = task_runner_->PostTaskAndReply(
      FROM_HERE,
      base::Bind(&ReadPrefsInto, path_, alternate_path_,
                 base::Unretained(result)),
      base::Bind(&JsonPrefStore::OnAsyncFileRead, weak_factory_.GetWeakPtr(),
                 base::Owned(result)));
  if (!posted)
    LOG(ERROR) << "Cannot read " << path_.value()
               << ": the file sequence or this thread takes no tasks";
}

void JsonPrefStore::OnAsyncFileRead(std::unique_ptr<PrefReadResult>* result) {
  OnFileRead(std::move(*result));
}

void JsonPrefStore::OnFileRead(std::unique_ptr<PrefReadResult> result) {
  read_error_ = result->error;
  const bool initialization_successful = !result->no_dir;
  std::unique_ptr<base::DictionaryValue> prefs;
  if (initialization_successful) {
    switch (read_error_) {
      case PREF_READ_ERROR_NONE:
        prefs = base::DictionaryValue::From(std::move(result->value));
        break;
      case PREF_READ_ERROR_JSON_TYPE:
      case PREF_READ_ERROR_ACCESS_DENIED:
      case PREF_READ_ERROR_FILE_OTHER:
      case PREF_READ_ERROR_FILE_LOCKED:
        read_only_ = true;
        break;
      default:
        break;
    }
    if (result->keep_file)
      read_only_ = true;
  }
  if (!prefs)
    prefs.reset(new base::DictionaryValue);
  FinalizeFileRead(initialization_successful, std::move(prefs));
}

void JsonPrefStore::FinalizeFileRead(
    bool initialization_succeeded,
    std::unique_ptr<base::DictionaryValue> prefs) {
  if (!initialization_succeeded) {
    for (PrefStoreObserver& observer : observers_)
      observer.OnInitializationCompleted(false);
    return;
  }
  prefs_ = std::move(prefs);
  initialized_ = true;
  if (error_delegate_ && read_error_ != PREF_READ_ERROR_NONE)
    error_delegate_->OnError(read_error_);
  for (PrefStoreObserver& observer : observers_)
    observer.OnInitializationCompleted(true);
}

void JsonPrefStore::ScheduleWrite(uint32_t flags) {
  if (read_only_)
    return;
  if (flags & LOSSY_PREF_WRITE_FLAG)
    pending_lossy_write_ = true;
  else
    writer_.ScheduleWrite(this);
}

void JsonPrefStore::SchedulePendingLossyWrites() {
  if (pending_lossy_write_)
    writer_.ScheduleWrite(this);
}

void JsonPrefStore::CommitPendingWrite() {
  if (read_only_)
    return;
  if (writer_.HasPendingWrite()) {
    // Serializing takes the lossy changes along.
    writer_.DoScheduledWrite();
    return;
  }
  if (!pending_lossy_write_)
    return;
  auto data = std::make_unique<std::string>();
  if (SerializeData(data.get()))
    writer_.WriteNow(std::move(data));
}

void JsonPrefStore::DiscardMutableValues() {
  LOG(ERROR) << "NOT IMPLEMENTED";
}

bool JsonPrefStore::SerializeData(std::string* output) {
  pending_lossy_write_ = false;
  write_count_histogram_.RecordWriteOccured();
  base::JSONStringValueSerializer serializer(output);
  return serializer.Serialize(*prefs_);
}

JsonPrefStore::WriteCountHistogram::WriteCountHistogram(
    base::TimeDelta commit_interval, const base::FilePath& path)
    : WriteCountHistogram(commit_interval, path,
                          std::make_unique<base::DefaultClock>(),
                          base::TimeDelta::FromMinutes(kReportIntervalMinutes)) {
}

JsonPrefStore::WriteCountHistogram::WriteCountHistogram(
    base::TimeDelta commit_interval, const base::FilePath& path,
    std::unique_ptr<base::Clock> clock, base::TimeDelta report_interval)
    : commit_interval_(commit_interval),
      path_(path),
      clock_(std::move(clock)),
      report_interval_(report_interval),
      last_report_time_(clock_->Now()) {}

JsonPrefStore::WriteCountHistogram::~WriteCountHistogram() {
  ReportOutstandingWrites();
}

void JsonPrefStore::WriteCountHistogram::RecordWriteOccured() {
  ReportOutstandingWrites();
  ++writes_since_last_report_;
}

void JsonPrefStore::WriteCountHistogram::ReportOutstandingWrites() {
  const base::TimeDelta elapsed = clock_->Now() - last_report_time_;
  if (elapsed <= report_interval_)
    return;
  base::HistogramBase* histogram = GetHistogram();
  histogram->Add(static_cast<int32_t>(writes_since_last_report_));
  const int64_t intervals = elapsed.InMicroseconds() /
                            report_interval_.InMicroseconds();
  for (int64_t i = 1; i < intervals; ++i)
    histogram->Add(0);
  writes_since_last_report_ = 0;
  last_report_time_ += base::TimeDelta::FromMicroseconds(
      report_interval_.InMicroseconds() * intervals);
}

base::HistogramBase* JsonPrefStore::WriteCountHistogram::GetHistogram() {
  const int32_t max = static_cast<int32_t>(report_interval_.InMicroseconds() /
                                           commit_interval_.InMicroseconds());
  return base::Histogram::FactoryGet(
      kWriteCountHistogram + GetHistogramSuffix(path_), 1, max,
      static_cast<uint32_t>(max + 1),
      base::HistogramBase::kUmaTargetedHistogramFlag);
}
