// Loading and writing back a 1 MB preferences file through the preference
// store, beside a plain read, parse, serialize and write of the same file.
//
//   json_pref_store_benchmark           full run, about half a minute
//   json_pref_store_benchmark --smoke   two rounds; fails when the store's
//                                       write-back loses or changes data
//
// A store round is what a run of the installer does with its preferences:
// CreateJsonPrefStore (a read on the file's sequence of the prefs pool, the
// caller waiting), one change, CommitPendingWrite, and the wait for the
// write to land. The plain round reads the file, parses it, serializes the
// tree and writes it, all on the calling thread; the atomic round does the
// same but writes like the store does (temporary file, flush, rename), which
// shows how much of the difference is the safe write. The contenders take
// turns round by round and each keeps its best round.

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <string>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/important_file_writer.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/json/values.h"
#include "base/synchronization/waitable_event.h"
#include "components/prefs/prefs_task_pool.h"
#include "testing/scoped_test_folder.h"

namespace {

using base::DictionaryValue;
using base::FilePath;
using Clock = std::chrono::steady_clock;

constexpr size_t kFileSize = 1000000;

// A preferences file as the installer's grow: sections of settings with
// paths, URLs, numbers, flags and lists, nested a few levels.
std::string MakePreferences(size_t size) {
  std::mt19937 random(17);
  auto word = [&random](int length) {
    std::string text;
    for (int i = 0; i < length; ++i)
      text += static_cast<char>('a' + random() % 26);
    return text;
  };
  DictionaryValue root;
  std::string json;
  for (int section = 0; json.size() < size; ++section) {
    auto entries = std::make_unique<DictionaryValue>();
    for (int i = 0; i < 100; ++i) {
      const std::string key = word(4 + random() % 8) + std::to_string(i);
      switch (random() % 6) {
        case 0:
          entries->SetString(key, "C:\\Users\\" + word(6) + "\\AppData\\Local\\" +
                                      word(10) + "\\" + word(8) + ".dat");
          break;
        case 1:
          entries->SetString(key, "https://" + word(8) + ".example/" + word(12) +
                                      "?id=" + std::to_string(random()));
          break;
        case 2:
          entries->SetInteger(key, static_cast<int>(random() % 100000000));
          break;
        case 3:
          entries->SetBoolean(key, random() % 2 != 0);
          break;
        case 4:
          entries->SetDouble(key, (random() % 1000000) / 997.0);
          break;
        default: {
          auto list = std::make_unique<base::ListValue>();
          for (int j = 0; j < 5; ++j)
            list->AppendString(word(3 + random() % 10));
          entries->Set(key + ".list", std::move(list));
        }
      }
    }
    root.Set("section" + std::to_string(section), std::move(entries));
    json.clear();
    base::JSONWriter::Write(root, &json);
  }
  return json;
}

class BestTime {
 public:
  template <typename Work>
  bool Run(Work&& work) {
    Clock::time_point start = Clock::now();
    bool ok = work();
    best_ = std::min(
        best_, std::chrono::duration<double>(Clock::now() - start).count());
    return ok;
  }
  double seconds() const { return best_; }

 private:
  double best_ = 1e30;
};

void Signal(base::WaitableEvent* event) { event->Signal(); }

// Waits until what was posted to |runner| so far has run.
void WaitForSequence(base::SequencedTaskRunner* runner) {
  base::WaitableEvent done(base::WaitableEvent::ResetPolicy::MANUAL,
                           base::WaitableEvent::InitialState::NOT_SIGNALED);
  if (runner->PostTask(FROM_HERE, base::Bind(&Signal, &done)))
    done.Wait();
}

bool StoreRound(PrefsTaskPoolOwner* owner, const FilePath& path, int round) {
  scoped_refptr<JsonPrefStore> store = CreateJsonPrefStore(owner, path);
  if (store->GetReadError() != PersistentPrefStore::PREF_READ_ERROR_NONE)
    return false;
  store->SetValue("benchmark.round", std::make_unique<base::Value>(round),
                  PersistentPrefStore::LOSSY_PREF_WRITE_FLAG);
  store->CommitPendingWrite();
  store = nullptr;
  WaitForSequence(
      JsonPrefStore::GetTaskRunnerForFile(path, owner->pool()).get());
  return true;
}

bool PlainRound(const FilePath& path, int round, bool atomic) {
  std::string json;
  if (!base::ReadFileToString(path, &json))
    return false;
  std::unique_ptr<DictionaryValue> root =
      DictionaryValue::From(base::JSONReader::Read(json));
  if (!root)
    return false;
  root->SetInteger("benchmark.round", round);
  json.clear();
  if (!base::JSONWriter::Write(*root, &json))
    return false;
  if (atomic)
    return base::ImportantFileWriter::WriteFileAtomically(path, json);
  return base::WriteFileBytes(path, json.data(), static_cast<int>(json.size())) ==
         static_cast<int>(json.size());
}

// The store's write-back holds the document with the one change.
bool CheckWriteBack(const FilePath& path, const std::string& original,
                    int round) {
  std::string written;
  if (!base::ReadFileToString(path, &written))
    return false;
  std::unique_ptr<DictionaryValue> expected =
      DictionaryValue::From(base::JSONReader::Read(original));
  std::unique_ptr<base::Value> actual = base::JSONReader::Read(written);
  if (!expected || !actual)
    return false;
  expected->SetInteger("benchmark.round", round);
  return expected->Equals(actual.get());
}

}  // namespace

int main(int argc, char** argv) {
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--smoke") == 0) {
      smoke = true;
    } else {
      fprintf(stderr, "json_pref_store_benchmark: unknown argument %s\n",
              argv[i]);
      return 2;
    }
  }
  const int min_rounds = smoke ? 2 : 15;
  const int max_rounds = smoke ? 2 : 200;
  const double min_seconds = smoke ? 0 : 20.0;

  base::AtExitManager exit_manager;
  testing_support::ScopedTestFolder folder;
  const FilePath store_path = FilePath(folder.path()).Append(L"store_prefs.json");
  const FilePath plain_path = FilePath(folder.path()).Append(L"plain_prefs.json");
  const FilePath atomic_path =
      FilePath(folder.path()).Append(L"atomic_prefs.json");
  const std::string original = MakePreferences(kFileSize);
  for (const FilePath& path : {store_path, plain_path, atomic_path}) {
    if (base::WriteFileBytes(path, original.data(),
                             static_cast<int>(original.size())) !=
        static_cast<int>(original.size())) {
      fprintf(stderr, "Cannot write %ls\n", path.value().c_str());
      return 1;
    }
  }
  // As the installer does: nothing runs on the pool once the teardown ends.
  PrefsTaskPoolOwner* owner = GetPrefsTaskPool();
  owner->set_wait_for_last_reference(true);

  if (!StoreRound(owner, store_path, 0) ||
      !CheckWriteBack(store_path, original, 0)) {
    fprintf(stderr, "The store's write-back does not hold the document\n");
    return 1;
  }

  BestTime store, plain, atomic;
  const Clock::time_point start = Clock::now();
  int round = 1;
  for (;; ++round) {
    if (!store.Run([&] { return StoreRound(owner, store_path, round); }) ||
        !plain.Run([&] { return PlainRound(plain_path, round, false); }) ||
        !atomic.Run([&] { return PlainRound(atomic_path, round, true); })) {
      fprintf(stderr, "Round %d failed\n", round);
      return 1;
    }
    const double elapsed =
        std::chrono::duration<double>(Clock::now() - start).count();
    if (round >= max_rounds || (round >= min_rounds && elapsed >= min_seconds))
      break;
  }
  if (!CheckWriteBack(store_path, original, round)) {
    fprintf(stderr, "The store's last write-back does not hold the document\n");
    return 1;
  }

  printf("Load and write back of a %zu-byte preferences file (best round, ms)\n",
         original.size());
  printf("  %-34s %8.2f\n", "JsonPrefStore", store.seconds() * 1e3);
  printf("  %-34s %8.2f\n", "plain read + write", plain.seconds() * 1e3);
  printf("  %-34s %8.2f\n", "plain read + atomic write", atomic.seconds() * 1e3);
  printf("Speed ratio store / plain: %.2f (goal >= 0.8); store / plain with "
         "atomic write: %.2f\n",
         plain.seconds() / store.seconds(), atomic.seconds() / store.seconds());
  return 0;
}
