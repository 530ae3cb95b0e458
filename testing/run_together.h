// Runs |body(i)| on |count| threads that are released together, so that
// they race for whatever |body| does first, and returns when all have ended.
//
//   std::vector<Thing*> seen(8);
//   testing_support::RunOnThreadsTogether(8, [&](int i) {
//     seen[i] = Thing::GetInstance();
//   });
#ifndef TESTING_RUN_TOGETHER_H_
#define TESTING_RUN_TOGETHER_H_

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace testing_support {

inline void RunOnThreadsTogether(int count,
                                 const std::function<void(int)>& body) {
  std::atomic<int> not_ready{count};
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) {
    threads.emplace_back([&, i] {
      --not_ready;
      while (not_ready.load() > 0) std::this_thread::yield();
      body(i);
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace testing_support

#endif  // TESTING_RUN_TOGETHER_H_
