#include "base/at_exit.h"

#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

// Each callback appends its parameter, a letter, to the run log.
std::string g_run_log;

void AppendLetter(void* letter) {
  g_run_log += *static_cast<const char*>(letter);
}

const char kA = 'a', kB = 'b', kC = 'c', kD = 'd', kLate = 'x';

void RegisterLate(void*) {
  AtExitManager::RegisterCallback(&AppendLetter, const_cast<char*>(&kLate));
}

void Register(const char& letter) {
  AtExitManager::RegisterCallback(&AppendLetter, const_cast<char*>(&letter));
}

// A callback registered while the callbacks run never runs.
TEST(AtExitManagerTest, NestedManagersRunTheirOwnCallbacksLastFirst) {
  g_run_log.clear();
  Register(kD);  // no manager: dropped
  {
    AtExitManager outer;
    Register(kA);
    AtExitManager::RegisterCallback(&RegisterLate, nullptr);
    {
      AtExitManager inner;
      Register(kB);
      Register(kC);
    }
    EXPECT_EQ("cb", g_run_log);
    Register(kD);
  }
  EXPECT_EQ("cbda", g_run_log);
}

// Running the callbacks early empties the stack, so none runs twice; one
// registered meanwhile waits for the manager's end.
TEST(AtExitManagerTest, ProcessCallbacksNowRunsEachOnce) {
  g_run_log.clear();
  {
    AtExitManager manager;
    Register(kA);
    AtExitManager::RegisterCallback(&RegisterLate, nullptr);
    AtExitManager::ProcessCallbacksNow();
    EXPECT_EQ("a", g_run_log);
    Register(kB);
  }
  EXPECT_EQ("abx", g_run_log);
}

// Ending a manager that is not the top one would leave the top pointing at
// freed memory.
TEST(AtExitManagerDeathTest, ManagersEndInReverseOrder) {
  EXPECT_DEATH(
      {
        AtExitManager* outer = new AtExitManager;
        new AtExitManager;
        delete outer;
      },
      "out of creation order");
}

}  // namespace
}  // namespace base
