#include "components/prefs/json_pref_store.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_test_util.h"
#include "base/files/file_util.h"
#include "base/json/values.h"
#include "base/metrics/histogram.h"
#include "base/metrics/histogram_base.h"
#include "base/metrics/histogram_test_util.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/clock.h"
#include "base/win/scoped_handle.h"
#include "testing/log_capture.h"
#include "testing/mock_time_task_runner.h"
#include "testing/queue_thread.h"

namespace {

using base::FilePath;
using base::TimeDelta;
using base::test::HoldOpenForTest;
using base::test::ReadForTest;
using testing_support::WriteFileForTest;

constexpr uint32_t kLossy = PersistentPrefStore::LOSSY_PREF_WRITE_FLAG;

std::unique_ptr<base::Value> Int(int value) {
  return std::make_unique<base::Value>(value);
}

class RecordingObserver : public PrefStoreObserver {
 public:
  void OnPrefValueChanged(const std::string& key) override {
    changed.push_back(key);
  }
  void OnInitializationCompleted(bool succeeded) override {
    initialized.push_back(succeeded);
  }
  std::vector<std::string> changed;
  std::vector<bool> initialized;
};

class RecordingErrorDelegate : public PersistentPrefStore::ReadErrorDelegate {
 public:
  explicit RecordingErrorDelegate(std::vector<int>* errors) : errors_(errors) {}
  void OnError(PersistentPrefStore::PrefReadError error) override {
    errors_->push_back(error);
  }

 private:
  std::vector<int>* const errors_;
};

// File operations run on a real thread; the test thread has no runner, so
// a scheduled write cannot wait for a timer and is handed over at once.
class JsonPrefStoreTest : public base::test::FileTestBase {
 protected:
  scoped_refptr<JsonPrefStore> MakeStore(const FilePath& path) {
    return new JsonPrefStore(path, file_thread_.task_runner());
  }
  // Waits until the file thread has done what was posted so far.
  void Drain() {
    ASSERT_TRUE(file_thread_.RunAndWait(base::Bind([] {})));
  }

  const FilePath path_ = Path(L"installer_prefs.json");
  const FilePath bad_path_ = Path(L"installer_prefs.bad");
  testing_support::QueueThread file_thread_;
};

// A corrupt file is set aside as ".bad" and the store starts afresh; its
// bytes are never lost, even where the move aside fails.
TEST_F(JsonPrefStoreTest, CorruptFileIsSetAsideAndNeverLost) {
  const std::string corrupt = "{\"a\": 1,";
  ASSERT_TRUE(WriteFileForTest(path_.value(), corrupt));
  scoped_refptr<JsonPrefStore> store = MakeStore(path_);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE,
            store->ReadPrefs());
  EXPECT_EQ(corrupt, ReadForTest(bad_path_));
  EXPECT_FALSE(base::PathExists(path_));
  EXPECT_TRUE(store->IsInitializationComplete());

  store->SetValue("b", Int(2), 0);
  Drain();
  EXPECT_EQ("{\"b\":2}", ReadForTest(path_));

  // A second corruption replaces the first copy and says so.
  ASSERT_TRUE(WriteFileForTest(path_.value(), "[oops"));
  store = MakeStore(path_);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT,
            store->ReadPrefs());
  EXPECT_EQ("[oops", ReadForTest(bad_path_));
  EXPECT_FALSE(store->ReadOnly());

  // Held open, the file cannot move, so it is copied aside; the log names
  // the move's own error.
  ASSERT_TRUE(::DeleteFileW(bad_path_.value().c_str()));
  ASSERT_TRUE(WriteFileForTest(path_.value(), corrupt));
  base::win::ScopedHandle held(
      HoldOpenForTest(path_, FILE_SHARE_READ | FILE_SHARE_WRITE));
  ASSERT_TRUE(held.IsValid());
  store = MakeStore(path_);
  {
    testing_support::LogCapture log;
    EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE,
              store->ReadPrefs());
    EXPECT_TRUE(
        log.Contains(logging::SystemErrorCodeToString(ERROR_SHARING_VIOLATION)))
        << log.Text();
  }
  held.Close();
  EXPECT_EQ(corrupt, ReadForTest(bad_path_));
  EXPECT_FALSE(store->ReadOnly());

  // With the copy held open too, the store keeps off the file.
  ASSERT_TRUE(WriteFileForTest(path_.value(), "[oops"));
  held.Set(HoldOpenForTest(bad_path_, 0));
  ASSERT_TRUE(held.IsValid());
  store = MakeStore(path_);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT,
            store->ReadPrefs());
  EXPECT_TRUE(store->ReadOnly());
  store->SetValue("b", Int(2), 0);
  store->CommitPendingWrite();
  Drain();
  held.Close();
  EXPECT_EQ("[oops", ReadForTest(path_));
  EXPECT_EQ(corrupt, ReadForTest(bad_path_));
}

// Files that exist but cannot be understood are never overwritten, not even
// by a lossy change, and their size is not counted. (That a readable file is
// written, the task pool's tests show with two stores on one file.)
TEST_F(JsonPrefStoreTest, ReadErrorsAndReadOnlyStores) {
  const std::string read_sizes =
      "Settings.JsonDataReadSizeKilobytes.installer_prefs.json";
  const int64_t reads_before = base::GetHistogramTotalCount(read_sizes);
  MakeDir(L"sub");
  struct Case {
    const char* contents;
    PersistentPrefStore::PrefReadError error;
    // The path the store is given: the file's own unless set.
    const wchar_t* read_through;
  } cases[] = {
      {"[1,2]", PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE},
      // Held open without sharing.
      {"{}", PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED},
      // Paths that climb to a parent are not read, though the file exists.
      {"{\"kept\":1}", PersistentPrefStore::PREF_READ_ERROR_FILE_OTHER,
       L"sub\\..\\installer_prefs.json"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    ASSERT_TRUE(WriteFileForTest(path_.value(), c.contents));
    base::win::ScopedHandle held;
    if (c.error == PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED) {
      held.Set(HoldOpenForTest(path_, 0));
      ASSERT_TRUE(held.IsValid());
    }
    scoped_refptr<JsonPrefStore> store =
        MakeStore(c.read_through ? Path(c.read_through) : path_);
    EXPECT_EQ(c.error, store->ReadPrefs());
    EXPECT_EQ(c.error, store->GetReadError());
    EXPECT_TRUE(store->ReadOnly());
    held.Close();

    store->SetValue("new", Int(1), 0);
    store->SetValue("lossy", Int(1), kLossy);
    store->CommitPendingWrite();
    store = nullptr;
    Drain();
    EXPECT_EQ(c.contents, ReadForTest(path_));
  }

  // A folder in the file's place cannot be opened for reading.
  ASSERT_TRUE(::DeleteFileW(path_.value().c_str()));
  MakeDir(L"installer_prefs.json");
  scoped_refptr<JsonPrefStore> store = MakeStore(path_);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_ACCESS_DENIED,
            store->ReadPrefs());
  EXPECT_TRUE(store->ReadOnly());
  EXPECT_EQ(reads_before, base::GetHistogramTotalCount(read_sizes));
}

// The alternate file stands in only for a missing one. A good read counts
// the file's whole kilobytes.
TEST_F(JsonPrefStoreTest, AlternateFileIsMovedIntoPlace) {
  const std::string read_sizes =
      "Settings.JsonDataReadSizeKilobytes.installer_prefs.json";
  const int64_t two_kilobytes_before =
      base::GetHistogramSampleCount(read_sizes, 2);
  const FilePath alternate = Path(L"old_prefs.json");
  // 3,071 bytes.
  const std::string old_prefs =
      "{\"old\":true,\"pad\":\"" + std::string(3050, 'x') + "\"}";
  ASSERT_TRUE(WriteFileForTest(alternate.value(), old_prefs));
  scoped_refptr<JsonPrefStore> store(
      new JsonPrefStore(path_, alternate, file_thread_.task_runner()));
  store->ReadPrefs();
  EXPECT_TRUE(store->GetValue("old", nullptr));
  EXPECT_FALSE(base::PathExists(alternate));
  EXPECT_EQ(old_prefs, ReadForTest(path_));
  EXPECT_EQ(two_kilobytes_before + 1,
            base::GetHistogramSampleCount(read_sizes, 2));

  // With the file in place, the alternate one is left alone.
  ASSERT_TRUE(WriteFileForTest(alternate.value(), "{\"older\":true}"));
  store = new JsonPrefStore(path_, alternate, file_thread_.task_runner());
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, store->ReadPrefs());
  EXPECT_TRUE(store->GetValue("old", nullptr));
  EXPECT_EQ(old_prefs, ReadForTest(path_));
  EXPECT_EQ("{\"older\":true}", ReadForTest(alternate));
}

// Histogram names end in the file's name, spaces as underscores, and only
// when it is ASCII.
TEST_F(JsonPrefStoreTest, ReadSizeHistogramNamedAfterAsciiFileName) {
  const struct {
    const wchar_t* file;
    const char* histogram;
  } kCases[] = {
      {L"my prefs.json", "Settings.JsonDataReadSizeKilobytes.my_prefs.json"},
      {L"pr\u00E9fs.json", "Settings.JsonDataReadSizeKilobytes."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.histogram);
    const FilePath path = Path(c.file);
    ASSERT_TRUE(WriteFileForTest(path.value(), "{}"));
    const int64_t before = base::GetHistogramSampleCount(c.histogram, 0);
    EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE,
              MakeStore(path)->ReadPrefs());
    EXPECT_EQ(before + 1, base::GetHistogramSampleCount(c.histogram, 0));
  }
}

// Reading and writing on a mock clock that is also the file runner. A lossy
// change alone waits for another change or the store's release.
TEST_F(JsonPrefStoreTest, ChangesCommitAfterIntervalOrAtRelease) {
  scoped_refptr<testing_support::MockTimeTaskRunner> runner(
      new testing_support::MockTimeTaskRunner);
  base::ThreadTaskRunnerHandle handle(runner);
  std::vector<int> errors;
  RecordingObserver observer;
  scoped_refptr<JsonPrefStore> store;
  auto read_async = [&](const FilePath& path) {
    if (store) store->RemoveObserver(&observer);
    store = new JsonPrefStore(path, runner);
    store->AddObserver(&observer);
    store->ReadPrefsAsync(new RecordingErrorDelegate(&errors));
    EXPECT_FALSE(store->IsInitializationComplete());
    runner->RunUntilIdle();
  };
  // Without its folder the store never completes its initialization.
  read_async(Path(L"none\\prefs.json"));
  EXPECT_EQ(std::vector<bool>{false}, observer.initialized);
  EXPECT_FALSE(store->IsInitializationComplete());
  EXPECT_TRUE(errors.empty());

  read_async(path_);
  EXPECT_EQ((std::vector<bool>{false, true}), observer.initialized);
  EXPECT_EQ(std::vector<int>{PersistentPrefStore::PREF_READ_ERROR_NO_FILE},
            errors);
  EXPECT_TRUE(store->HasObservers());
  // Nothing lossy is pending, so nothing is scheduled.
  store->SchedulePendingLossyWrites();

  store->SetValue("lossy", Int(1), kLossy);
  runner->FastForwardBy(TimeDelta::FromSeconds(60));
  EXPECT_FALSE(base::PathExists(path_));

  store->SetValue("a.b", Int(2), 0);
  store->SetValueSilently("a.c", Int(3), 0);
  store->SetValue("a.b", Int(2), 0);  // equal: nobody hears of it
  EXPECT_EQ((std::vector<std::string>{"lossy", "a.b"}), observer.changed);
  runner->FastForwardBy(TimeDelta::FromSeconds(9));
  EXPECT_FALSE(base::PathExists(path_));
  runner->FastForwardBy(TimeDelta::FromSeconds(1));
  EXPECT_EQ("{\"a\":{\"b\":2,\"c\":3},\"lossy\":1}", ReadForTest(path_));
  base::Value* stored = nullptr;
  ASSERT_TRUE(store->GetMutableValue("a.c", &stored));
  EXPECT_TRUE(Int(3)->Equals(stored));

  store->RemoveValue("a", kLossy);
  store->RemoveValue("missing", 0);
  EXPECT_EQ((std::vector<std::string>{"lossy", "a.b", "a"}), observer.changed);
  // Removing the last key of a dictionary removes the dictionary too.
  store->SetValue("x.y", Int(1), kLossy);
  store->RemoveValue("x.y", kLossy);
  EXPECT_FALSE(store->GetValue("x", nullptr));
  // Lossy removals wait like lossy changes.
  runner->FastForwardBy(TimeDelta::FromSeconds(60));
  EXPECT_EQ("{\"a\":{\"b\":2,\"c\":3},\"lossy\":1}", ReadForTest(path_));

  // The last reference commits lossy changes at once: at process end the
  // thread's loop no longer runs, so a commit timer would never fire.
  store->SetValue("lossy", Int(7), kLossy);
  store->RemoveObserver(&observer);
  EXPECT_FALSE(store->HasObservers());
  store = nullptr;
  runner->RunUntilIdle();
  EXPECT_EQ("{\"lossy\":7}", ReadForTest(path_));

  // A good read tells the delegate nothing.
  read_async(path_);
  EXPECT_TRUE(store->GetValue("lossy", nullptr));
  EXPECT_EQ(std::vector<int>{PersistentPrefStore::PREF_READ_ERROR_NO_FILE},
            errors);
  store->RemoveObserver(&observer);

  // On its own file sequence a store reads at once: a read posted there
  // would wait for this very task.
  store = new JsonPrefStore(path_, runner);
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, store->ReadPrefs());
  EXPECT_TRUE(store->GetValue("lossy", nullptr));

  // An ordinary change whose timer has not fired is committed at release
  // too.
  store->SetValue("last", Int(8), 0);
  store = nullptr;
  runner->RunUntilIdle();
  EXPECT_EQ("{\"last\":8,\"lossy\":7}", ReadForTest(path_));

  // Pending lossy changes can be handed to the commit timer.
  store = new JsonPrefStore(path_, runner);
  store->ReadPrefs();
  store->SetValue("lossy", Int(9), kLossy);
  store->SchedulePendingLossyWrites();
  runner->FastForwardBy(TimeDelta::FromSeconds(10));
  EXPECT_EQ("{\"last\":8,\"lossy\":9}", ReadForTest(path_));

  // A read that ends after its store is gone reports to nobody.
  store = new JsonPrefStore(path_, runner);
  store->AddObserver(&observer);
  store->ReadPrefsAsync(nullptr);
  const std::vector<bool> reported = observer.initialized;
  store = nullptr;
  runner->RunUntilIdle();
  EXPECT_EQ(reported, observer.initialized);

  // A silent change alone is written at the commit interval. (A second read
  // starts the initialisation over.)
  store = new JsonPrefStore(path_, runner);
  store->ReadPrefs();
  store->ReadPrefsAsync(nullptr);
  EXPECT_FALSE(store->IsInitializationComplete());
  runner->RunUntilIdle();
  EXPECT_TRUE(store->IsInitializationComplete());
  store->SetValueSilently("quiet", Int(1), 0);
  runner->FastForwardBy(TimeDelta::FromSeconds(10));
  EXPECT_EQ("{\"last\":8,\"lossy\":9,\"quiet\":1}", ReadForTest(path_));
}

class FakeClock : public base::Clock {
 public:
  base::Time Now() override { return now; }
  base::Time now = base::Time::Now();
};

TEST(JsonPrefStoreWriteCountTest, ReportsPerIntervalWithZerosForIdleOnes) {
  const std::string histogram = "Settings.JsonDataWriteCount.write_count.json";
  // Histograms live for the process: count from where they are now.
  auto samples = [&histogram](int value) {
    return base::GetHistogramSampleCount(histogram, value);
  };
  const int64_t before[] = {samples(0), samples(1), samples(3),
                            base::GetHistogramTotalCount(histogram)};
  auto clock = std::make_unique<FakeClock>();
  base::Time& now = clock->now;  // The counter owns the clock from here on.
  {
    JsonPrefStore::WriteCountHistogram counter(
        TimeDelta::FromSeconds(10), FilePath(L"C:\\p\\write count.json"),
        std::move(clock), TimeDelta::FromMinutes(5));
    counter.RecordWriteOccured();
    counter.RecordWriteOccured();
    now += TimeDelta::FromMinutes(5);  // not over yet
    counter.RecordWriteOccured();
    EXPECT_EQ(before[3], base::GetHistogramTotalCount(histogram));
    // Just over three intervals from the start: 3 for the first interval,
    // 0 for each of the other two.
    now += TimeDelta::FromSeconds(10 * 60 + 1);
    counter.RecordWriteOccured();
    EXPECT_EQ(before[2] + 1, samples(3));
    EXPECT_EQ(before[0] + 2, samples(0));
    now += TimeDelta::FromMinutes(5);  // over, counted at destruction
  }
  EXPECT_EQ(before[1] + 1, samples(1));
  EXPECT_EQ(before[3] + 4, base::GetHistogramTotalCount(histogram));
  // As many buckets as commits fit in one report interval, and one more.
  const auto* counts = static_cast<const base::Histogram*>(
      base::internal::FindHistogram(histogram));
  ASSERT_TRUE(counts);
  EXPECT_EQ(base::HistogramBase::HISTOGRAM, counts->GetHistogramType());
  EXPECT_EQ(1, counts->declared_min());
  EXPECT_EQ(30, counts->declared_max());
  EXPECT_EQ(31u, counts->bucket_count());
  EXPECT_EQ(base::HistogramBase::kUmaTargetedHistogramFlag, counts->flags());
}

}  // namespace
