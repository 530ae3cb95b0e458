#include "base/lazy_instance.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "base/win/windows_types.h"
#include "testing/run_together.h"

namespace base {
namespace {

std::atomic<int> g_constructions{0};

// Slow to build, so racing threads find the state word at 1 and must wait
// for the one creator.
class SlowToBuild {
 public:
  SlowToBuild();
  int value() const { return value_; }

 private:
  int value_ = 0;
};

LazyInstance<SlowToBuild> g_slow = LAZY_INSTANCE_INITIALIZER;
// What IsCreated() said while the instance was being built.
bool g_created_while_building = true;

SlowToBuild::SlowToBuild() {
  ++g_constructions;
  g_created_while_building = g_slow.IsCreated();
  ::Sleep(50);
  value_ = 42;
}

TEST(LazyInstanceTest, RacingThreadsBuildOnceAndShareTheInstance) {
  ASSERT_FALSE(g_slow.IsCreated());
  constexpr int kThreads = 8;
  SlowToBuild* seen[kThreads] = {};
  int values[kThreads] = {};
  testing_support::RunOnThreadsTogether(kThreads, [&](int t) {
    seen[t] = g_slow.Pointer();
    values[t] = seen[t]->value();  // never a half-built object
  });

  EXPECT_EQ(1, g_constructions.load());
  EXPECT_FALSE(g_created_while_building);
  EXPECT_TRUE(g_slow.IsCreated());
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(seen[0], seen[t]);
    EXPECT_EQ(42, values[t]);
  }
  EXPECT_EQ(seen[0], &g_slow.Get());
}

// A caller that arrives while another builds finds the word at "creating":
// it must wait for the instance, neither build one (its creator would stop
// the process) nor take the marker for the instance.
TEST(LazyInstanceTest, CallerArrivingDuringCreationWaits) {
  std::atomic<uintptr_t> state{kLazyInstanceStateNone};
  static int instance = 7;
  std::atomic<bool> started{false};
  int* seen = nullptr;
  std::thread late;
  int* made = GetOrCreateLazyPointer<int>(&state, [&] {
    late = std::thread([&] {
      started = true;
      seen = GetOrCreateLazyPointer<int>(&state,
                                         []() -> int* { return nullptr; });
    });
    while (!started) ::Sleep(0);
    ::Sleep(20);  // so the late caller is likely inside by now
    return &instance;
  });
  late.join();
  EXPECT_EQ(&instance, made);
  EXPECT_EQ(&instance, seen);
}

TEST(LazyInstanceDeathTest, PublishingNullStopsTheProcess) {
  std::atomic<uintptr_t> state{kLazyInstanceStateNone};
  EXPECT_DEATH(
      GetOrCreateLazyPointer<int>(&state, []() -> int* { return nullptr; }),
      "");
}

}  // namespace
}  // namespace base
