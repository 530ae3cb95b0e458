#include "components/prefs/prefs_task_pool.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/files/file_test_util.h"
#include "base/files/file_util.h"
#include "base/json/json_file_value_serializer.h"
#include "base/json/values.h"
#include "base/message_loop/message_loop_test_helpers.h"
#include "base/threading/sequenced_worker_pool.h"
#include "base/threading/simple_thread.h"
#include "base/threading/thread.h"
#include "base/time/time.h"

namespace {

using base::FilePath;
using base::TimeDelta;
using base::test::Fn;
using base::test::ManualEvent;

constexpr uint32_t kLossy = PersistentPrefStore::LOSSY_PREF_WRITE_FLAG;

class PrefsTaskPoolTest : public base::test::FileTestBase {
 protected:
  scoped_refptr<base::SequencedTaskRunner> RunnerFor(const FilePath& path) {
    return JsonPrefStore::GetTaskRunnerForFile(path,
                                               GetPrefsTaskPool()->pool());
  }
};

// Each file has its sequence, so a new store reads its file behind the writes
// already queued for it and another file's work need not wait; and
// the teardown lets every queued write finish, a released store's last
// commit of a lossy change included, and on request waits for the runners.
TEST_F(PrefsTaskPoolTest, SequencePerFileAndTeardownFlushesAndWaits) {
  const FilePath path = Path(L"installer_prefs.json");
  std::atomic<bool> released{false};
  std::thread releaser;
  {
    // Declared first, so that the teardown has ended every task using them.
    ManualEvent started, release, b_ran;
    base::AtExitManager exit_manager;
    // Each file has a sequence of its own (the pool's own test shows that
    // one sequence runs in order).
    scoped_refptr<base::SequencedTaskRunner> a = RunnerFor(Path(L"a"));
    a->PostTask(FROM_HERE, Fn([&] {
                  started.Signal();
                  release.Wait();
                }));
    started.Wait();
    RunnerFor(Path(L"b"))->PostTask(FROM_HERE, Fn([&] { b_ran.Signal(); }));
    EXPECT_TRUE(b_ran.TimedWait(TimeDelta::FromSeconds(10)));
    release.Signal();

    PrefsTaskPoolOwner* owner = GetPrefsTaskPool();
    scoped_refptr<JsonPrefStore> writer = CreateJsonPrefStore(owner, path);
    scoped_refptr<base::SequencedTaskRunner> runner = RunnerFor(path);

    // A busy sequence, so that what is posted meanwhile queues behind it.
    runner->PostTask(FROM_HERE, Fn([] { ::Sleep(200); }));
    writer->SetValue("a", std::make_unique<base::Value>(1), 0);
    scoped_refptr<JsonPrefStore> reader = CreateJsonPrefStore(owner, path);
    EXPECT_TRUE(reader->GetValue("a", nullptr));

    runner->PostTask(FROM_HERE, Fn([] { ::Sleep(300); }));
    reader->SetValue("lossy", std::make_unique<base::Value>(2), kLossy);
    writer = nullptr;
    reader = nullptr;

    // On request the teardown also waits until every runner is released.
    owner->set_wait_for_last_reference(true);
    releaser = std::thread([runner, &released]() mutable {
      // Well after the queued work is done.
      ::Sleep(1000);
      released = true;
      runner = nullptr;
    });
    runner = nullptr;
  }
  EXPECT_TRUE(released);
  releaser.join();
  EXPECT_EQ("{\"a\":1,\"lossy\":2}", base::test::ReadForTest(path));
}

// Without the request the teardown leaves runners still held to their
// holders: the installer's own may live past the at-exit callbacks.
TEST_F(PrefsTaskPoolTest, TeardownWaitsForHeldRunnersOnlyOnRequest) {
  ManualEvent torn_down;
  std::atomic<bool> gave_up{false};
  std::thread holder;
  {
    base::AtExitManager exit_manager;
    scoped_refptr<base::SequencedTaskRunner> runner =
        RunnerFor(Path(L"held.json"));
    holder = std::thread([runner, &torn_down, &gave_up]() mutable {
      // Only a teardown that waits for this runner makes the wait run out.
      if (!torn_down.TimedWait(TimeDelta::FromSeconds(30))) gave_up = true;
      runner = nullptr;
    });
  }
  torn_down.Signal();
  holder.join();
  EXPECT_FALSE(gave_up);
}

bool StartNoThread(base::SimpleThread*) { return false; }

// With no worker to be had, stores write and read on their own thread
// rather than wait for a worker that never comes.
TEST_F(PrefsTaskPoolTest, StoresWorkHereWhenNoWorkerCanStart) {
  base::internal::ScopedStartWorkerForTesting no_worker(&StartNoThread);
  const FilePath path = Path(L"installer_prefs.json");
  base::AtExitManager exit_manager;
  scoped_refptr<JsonPrefStore> writer(new JsonPrefStore(path, RunnerFor(path)));
  // No loop on this thread, so the change is handed to the writer at once.
  writer->SetValue("a", std::make_unique<base::Value>(1), 0);
  ASSERT_TRUE(base::PathExists(path)) << "the write is still waiting";
  scoped_refptr<JsonPrefStore> reader =
      CreateJsonPrefStore(GetPrefsTaskPool(), path);
  EXPECT_TRUE(reader->GetValue("a", nullptr));
}

// Eight threads, which also race to create the pool, send changes to four
// stores over two files, each store on a thread of its own with a message
// loop. Each change goes to both stores of a file, so both hold every last
// value and either may write last; most changes are lossy. The stores' commit
// timers batch the changes: nothing reaches the disk within the commit
// interval, then the timers' writes carry the last value of every key, and
// so does each file after the stores are released and the pool torn down.
TEST_F(PrefsTaskPoolTest, StressChangesOnLoopsAreBatchedAndAllWritten) {
  constexpr int kThreads = 8;
  constexpr int kStores = 4;
  const FilePath files[2] = {Path(L"one.json"), Path(L"two.json")};
  // expected[thread][file]: the last value the thread set for each key.
  std::map<std::string, int> expected[kThreads][2];
  auto expect_last_values = [&] {
    for (int file = 0; file < 2; ++file) {
      SCOPED_TRACE(file);
      // The other store of the file may be swapping its write in right now,
      // which refuses a reader for a moment.
      std::unique_ptr<base::DictionaryValue> prefs;
      for (int attempt = 0; !prefs && attempt < 100; ++attempt) {
        if (attempt) ::Sleep(10);
        prefs = base::DictionaryValue::From(
            base::JSONFileValueDeserializer(files[file], 0)
                .Deserialize(nullptr, nullptr));
      }
      ASSERT_TRUE(prefs);
      for (const auto& thread_values : expected) {
        for (const auto& entry : thread_values[file]) {
          int value = 0;
          EXPECT_TRUE(prefs->GetInteger(entry.first, &value)) << entry.first;
          EXPECT_EQ(entry.second, value) << entry.first;
        }
      }
    }
  };
  {
    base::AtExitManager exit_manager;
    std::vector<PrefsTaskPoolOwner*> owners(kThreads);
    std::atomic<int> arrived{0};
    ManualEvent stores_ready;
    std::unique_ptr<base::Thread> store_threads[kStores];
    scoped_refptr<JsonPrefStore> stores[kStores];
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        ++arrived;
        while (arrived < kThreads) ::Sleep(0);
        owners[t] = GetPrefsTaskPool();
        stores_ready.Wait();
        std::mt19937 random(t);
        const base::TimeTicks end =
            base::TimeTicks::Now() + TimeDelta::FromSeconds(1);
        for (int change = 1; base::TimeTicks::Now() < end; ++change) {
          const int file = random() % 2;
          const std::string key =
              "t" + std::to_string(t) + ".k" + std::to_string(random() % 8);
          const uint32_t flags = change % 64 ? kLossy : 0;
          for (int s = file * 2; s < file * 2 + 2; ++s) {
            store_threads[s]->task_runner()->PostTask(
                FROM_HERE, Fn([=, &stores] {
                  stores[s]->SetValue(
                      key, std::make_unique<base::Value>(change), flags);
                }));
          }
          expected[t][file][key] = change;
          ::Sleep(1);
        }
      });
    }
    while (std::count(owners.begin(), owners.end(), nullptr) != 0) ::Sleep(1);
    for (PrefsTaskPoolOwner* owner : owners) EXPECT_EQ(owners[0], owner);
    for (int s = 0; s < kStores; ++s) {
      store_threads[s] = std::make_unique<base::Thread>("store");
      ASSERT_TRUE(store_threads[s]->Start());
      base::test::RunAndWait(store_threads[s]->task_runner().get(), Fn([&, s] {
                               stores[s] =
                                   CreateJsonPrefStore(owners[0], files[s / 2]);
                             }));
    }
    stores_ready.Signal();
    for (std::thread& thread : threads) thread.join();
    // Once each loop has run what was posted so far, every change is in.
    for (auto& store_thread : store_threads)
      base::test::RunAndWait(store_thread->task_runner().get(), Fn([] {}));
    EXPECT_FALSE(base::PathExists(files[0]) || base::PathExists(files[1]));

    const base::TimeTicks deadline =
        base::TimeTicks::Now() + TimeDelta::FromSeconds(60);
    while (!(base::PathExists(files[0]) && base::PathExists(files[1])) &&
           base::TimeTicks::Now() < deadline) {
      ::Sleep(50);
    }
    expect_last_values();

    for (int s = 0; s < kStores; ++s) {
      base::test::RunAndWait(store_threads[s]->task_runner().get(),
                             Fn([&, s] { stores[s] = nullptr; }));
      store_threads[s]->Stop();
    }
  }
  expect_last_values();
}

}  // namespace
