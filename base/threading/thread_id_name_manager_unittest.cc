#include "base/threading/thread_id_name_manager.h"

#include <gtest/gtest.h>

namespace base {
namespace {

// Ids and handles no real thread has, so the process's own threads are not
// disturbed.
constexpr PlatformThreadId kId = 0xFFFFFF01;
constexpr PlatformThreadId kOtherId = 0xFFFFFF02;
HANDLE const kFirstHandle = reinterpret_cast<HANDLE>(0x7FF00010);
HANDLE const kSecondHandle = reinterpret_cast<HANDLE>(0x7FF00020);

TEST(ThreadIdNameManagerTest, NamesFollowRegistrationsAndIdReuse) {
  ThreadIdNameManager* names = ThreadIdNameManager::GetInstance();
  names->RegisterThread(kFirstHandle, kId);
  EXPECT_STREQ("", names->GetName(kId));
  names->SetName(kId, "first");
  const char* first = names->GetName(kId);
  EXPECT_STREQ("first", first);

  // The system gives the id to a new thread before the old one is removed:
  // the late removal must not take the new thread's entry.
  names->RegisterThread(kSecondHandle, kId);
  names->SetName(kId, "second");
  names->RemoveName(kFirstHandle, kId);
  EXPECT_STREQ("second", names->GetName(kId));
  names->RemoveName(kSecondHandle, kId);
  EXPECT_STREQ("", names->GetName(kId));

  // Names are stored once and outlive their threads.
  names->RegisterThread(kFirstHandle, kOtherId);
  names->SetName(kOtherId, "first");
  EXPECT_EQ(first, names->GetName(kOtherId));
  names->RemoveName(kFirstHandle, kOtherId);
  EXPECT_STREQ("first", first);

  // An unregistered thread that names itself is taken for the main thread.
  PlatformThreadId main_id = PlatformThread::CurrentId();
  std::string old_name = names->GetName(main_id);
  names->SetName(main_id, "ThreadIdNameManagerTest main");
  EXPECT_STREQ("ThreadIdNameManagerTest main", names->GetName(main_id));
  names->SetName(main_id, old_name);
}

}  // namespace
}  // namespace base
