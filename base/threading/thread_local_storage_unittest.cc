#include "base/threading/thread_local_storage.h"

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop_test_helpers.h"
#include "base/synchronization/lock.h"
#include "base/win/windows_types.h"

namespace base {
namespace {

// Which values a slot's destructor received, from any thread.
test::LockedList<intptr_t> g_destroyed;
void RecordDestroyed(void* value) {
  g_destroyed.Add(reinterpret_cast<intptr_t>(value));
}

void* AsValue(intptr_t number) { return reinterpret_cast<void*>(number); }

// A thread-exit callback of this executable that runs after the slots'
// own, as another module's late clean-up would.
std::atomic<DWORD> g_late_reader_thread{0};
ThreadLocalStorageSlot* g_late_slot = nullptr;
std::atomic<int> g_late_reads_null{-1};
std::atomic<int> g_late_made_vector{-1};

void NTAPI ReadSlotLate(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_THREAD_DETACH ||
      ::GetCurrentThreadId() != g_late_reader_thread.load()) {
    return;
  }
  g_late_reads_null = g_late_slot->Get() == nullptr;
  g_late_made_vector = internal::ThreadHasLocalStorageVectorForTesting();
}

extern "C" __attribute__((section(".CRT$XLY"), used))
const PIMAGE_TLS_CALLBACK velto_test_late_slot_reader = &ReadSlotLate;

// Only non-null values of slots with a destructor are destroyed. A read
// after the thread's slots were torn down gives null and makes no new
// vector.
TEST(ThreadLocalStorageTest, ValuesArePerThreadAndDestroyedAtThreadExit) {
  g_destroyed.Take();
  // Freed at the end, so tests do not use up the process's 256 entries.
  ThreadLocalStorageSlot slot(&RecordDestroyed);
  ThreadLocalStorageSlot cleared(&RecordDestroyed);
  ThreadLocalStorageSlot without_destructor(nullptr);
  slot.Set(AsValue(1000));
  g_late_slot = &slot;

  std::vector<std::thread> threads;
  for (intptr_t t = 1; t <= 4; ++t) {
    threads.emplace_back([&, t] {
      if (t == 1) g_late_reader_thread = ::GetCurrentThreadId();
      EXPECT_FALSE(internal::ThreadHasLocalStorageVectorForTesting());
      EXPECT_EQ(nullptr, slot.Get());
      slot.Set(AsValue(t));
      cleared.Set(AsValue(7));
      cleared.Set(nullptr);
      without_destructor.Set(AsValue(8));
      ::Sleep(10);
      EXPECT_EQ(AsValue(t), slot.Get());
    });
  }
  for (auto& thread : threads) thread.join();
  g_late_reader_thread = 0;

  std::vector<intptr_t> destroyed = g_destroyed.Take();
  std::sort(destroyed.begin(), destroyed.end());
  EXPECT_EQ((std::vector<intptr_t>{1, 2, 3, 4}), destroyed);
  EXPECT_EQ(AsValue(1000), slot.Get());
  slot.Set(nullptr);
  EXPECT_EQ(1, g_late_reads_null.load());
  EXPECT_EQ(0, g_late_made_vector.load());
  slot.Free();
  cleared.Free();
  without_destructor.Free();
}

// A destructor that stores its value again gets another pass each time,
// until the passes stop.
ThreadLocalStorageSlot* g_restoring_slot = nullptr;
int g_restore_calls = 0;  // touched only by the ending thread

void RestoreItself(void* value) {
  ++g_restore_calls;
  g_restoring_slot->Set(value);
}

TEST(ThreadLocalStorageTest, StoresByDestructorsGetMorePassesUpTo256) {
  ThreadLocalStorageSlot restoring(&RestoreItself);
  g_restoring_slot = &restoring;
  g_restore_calls = 0;
  std::thread([&] { restoring.Set(AsValue(1)); }).join();
  EXPECT_EQ(256, g_restore_calls);
  restoring.Free();
}

TEST(ThreadLocalStorageTest, ReclaimedEntryHidesAndNeverDestroysOldValues) {
  g_destroyed.Take();
  ThreadLocalStorageSlot old_slot(&RecordDestroyed);
  const int old_index = old_slot.slot_index();
  old_slot.Set(AsValue(11));

  test::ManualEvent reclaimed;
  test::ManualEvent stored;
  ThreadLocalStorageSlot new_slot;
  std::thread other([&] {
    old_slot.Set(AsValue(12));
    stored.Signal();
    reclaimed.Wait();
    // The same entry, under a newer version.
    EXPECT_EQ(nullptr, new_slot.Get());
  });
  stored.Wait();
  old_slot.Free();
  EXPECT_EQ(nullptr, old_slot.Get());
  // Claims go round the table from the last claimed entry, so the freed
  // entry comes back only after the others have been tried.
  int claims = 0;
  for (; claims < 256; ++claims) {
    new_slot.Initialize(&RecordDestroyed);
    if (new_slot.slot_index() == old_index) break;
    new_slot.Free();
  }
  ASSERT_EQ(old_index, new_slot.slot_index());
  EXPECT_GT(claims, 0);

  reclaimed.Signal();
  other.join();
  EXPECT_TRUE(g_destroyed.Take().empty());
  new_slot.Free();
}

// Reading an unclaimed slot gives null; setting one, making a second vector
// for a thread, or claiming a 257th slot stops the process.
TEST(ThreadLocalStorageDeathTest, UnclaimedSlotsSecondVectorAnd257thSlot) {
  ThreadLocalStorageSlot never_claimed;
  EXPECT_EQ(nullptr, never_claimed.Get());
  EXPECT_DEATH(
      {
        ThreadLocalStorageSlot never_claimed;
        never_claimed.Set(AsValue(1));
      },
      "");
  EXPECT_DEATH(
      {
        ThreadLocalStorageSlot slot(nullptr);
        slot.Set(AsValue(1));
        ConstructThreadLocalStorageVector();
      },
      "");
  // The child process starts with every entry free.
  EXPECT_DEATH(
      {
        static ThreadLocalStorageSlot slots[257];
        for (int i = 0; i < 256; ++i) slots[i].Initialize(nullptr);
        fprintf(stderr, "claimed 256\n");
        slots[256].Initialize(nullptr);
        fprintf(stderr, "claimed 257\n");
      },
      "claimed 256\n.*slots are in use");
}

extern "C" const PIMAGE_TLS_CALLBACK velto_thread_local_storage_exit_callback;

// When the process ends, its other threads die wherever they are, perhaps
// holding the slot table's lock: the exit callback then must not wait for
// it. An ordinary thread exit still waits, or its destructors would be lost.
TEST(ThreadLocalStorageTest, OnlyProcessDetachGivesUpOnABusyTableLock) {
  const struct {
    DWORD reason;
    bool lock_busy;
    bool returns_while_busy;
    std::vector<intptr_t> destroyed;
  } cases[] = {
      {DLL_PROCESS_DETACH, true, true, {}},
      {DLL_PROCESS_DETACH, false, true, {21}},
      {DLL_THREAD_DETACH, true, false, {21}},
  };
  ThreadLocalStorageSlot slot(&RecordDestroyed);
  Lock* table_lock = GetThreadLocalStorageLock();
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "reason " << c.reason << ", busy " << c.lock_busy);
    g_destroyed.Take();
    test::ManualEvent returned;
    if (c.lock_busy) table_lock->Acquire();
    std::thread ending([&] {
      slot.Set(AsValue(21));
      velto_thread_local_storage_exit_callback(nullptr, c.reason, nullptr);
      returned.Signal();
    });
    const DWORD wait_ms = c.returns_while_busy ? 5000 : 100;
    EXPECT_EQ(c.returns_while_busy,
              returned.TimedWait(TimeDelta::FromMilliseconds(wait_ms)));
    if (c.lock_busy) table_lock->Release();
    ending.join();
    EXPECT_EQ(c.destroyed, g_destroyed.Take());
  }
  slot.Free();
}

}  // namespace
}  // namespace base
