// The event library's side of the message-loop benchmark, written once for
// both of its backends. The library picks its backend when its headers are
// compiled, so each backend lives in a translation unit of its own, under a
// namespace of its own (message_loop_benchmark_portable.cc renames it); the
// scenarios are templates over the library's context and timer types and
// reach its functions through argument-dependent lookup, so this header
// never names the library's namespace.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_BENCHMARK_ASIO_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_BENCHMARK_ASIO_H_

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace message_loop_benchmark {

using Clock = std::chrono::steady_clock;

constexpr int kProducers = 4;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A plain function object, as the library's users write handlers.
template <typename Context>
struct LibraryChainStep {
  Context* context;
  int* remaining;
  void operator()() const {
    if (--*remaining > 0)
      post(*context, *this);
  }
};

// One thread; each task posts the next.
template <typename Context>
double LibraryChain(int count) {
  Context context(1);
  int remaining = count;
  Clock::time_point start = Clock::now();
  post(context, LibraryChainStep<Context>{&context, &remaining});
  context.run();
  return SecondsSince(start);
}

// kProducers threads post |count| tasks in all to one thread.
template <typename Context>
double LibraryFanIn(int count) {
  Context context(1);
  auto guard = make_work_guard(context);
  std::thread consumer([&context] { context.run(); });
  int remaining = count;  // the consumer's own
  std::promise<void> done;
  Clock::time_point start = Clock::now();
  std::vector<std::thread> producers;
  for (int i = 0; i < kProducers; ++i) {
    producers.emplace_back([&] {
      for (int task = 0; task < count / kProducers; ++task) {
        post(context, [&] {
          if (--remaining == 0)
            done.set_value();
        });
      }
    });
  }
  done.get_future().wait();
  double seconds = SecondsSince(start);
  for (std::thread& producer : producers)
    producer.join();
  guard.reset();
  consumer.join();
  return seconds;
}

// One timer per task, all waited for on one thread.
template <typename Context, typename Timer>
double LibraryDelayed(const std::vector<int>& delays) {
  Context context(1);
  std::vector<std::unique_ptr<Timer>> timers;
  timers.reserve(delays.size());
  Clock::time_point start = Clock::now();
  for (int delay : delays) {
    timers.push_back(
        std::make_unique<Timer>(context, std::chrono::milliseconds(delay)));
    timers.back()->async_wait([](const auto&) {});
  }
  context.run();
  return SecondsSince(start);
}

// The portable backend's instances, from their own translation unit.
double PortableLibraryChain(int count);
double PortableLibraryFanIn(int count);
double PortableLibraryDelayed(const std::vector<int>& delays);

}  // namespace message_loop_benchmark

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_BENCHMARK_ASIO_H_
