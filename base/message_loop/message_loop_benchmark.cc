// Task throughput of the message loop on each of its pumps, side by side
// with standalone Asio's io_context and with a plain queue (a mutex, a
// deque and a condition variable), in one process, round by round.
//
// The headline peer is Asio on its portable backend: a queue and a
// scheduler of its own, the same design as ours. Its completion-port
// backend is listed as well, but under Wine every handler it runs is a
// packet through the port, a round trip to the server of about 40 us, so
// that column measures Wine's cost per packet rather than Asio (our IO pump
// sends one packet per batch).
//
//   message_loop_benchmark            full run; several minutes under Wine
//   message_loop_benchmark --quick    two rounds at a tenth of the counts
//   message_loop_benchmark --smoke    small counts, a few seconds
//
// Scenarios:
//   chain    one thread; each task posts the next
//   fan-in   four threads post to one loop thread
//   delayed  tasks with random delays up to 50 ms; ours must run them in
//            order of their run time and none early, or the run fails
//
// Rates are tasks per second, the best of the rounds; every contender runs
// once per round, so a slow phase of a shared machine hurts all alike.

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <queue>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/bind.h"
#include "base/location.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/thread.h"
#include "base/time/time.h"

#include <asio.hpp>

#include "base/message_loop/message_loop_benchmark_asio.h"

namespace message_loop_benchmark {
namespace {

struct Counts {
  int chain;
  int fan_in;
  int delayed;
};

constexpr int kMaxDelayMilliseconds = 50;

// The delays of the delayed scenario, the same for every contender; at
// least 1 ms, as a zero delay makes an immediate task.
std::vector<int> MakeDelays(int count) {
  std::mt19937 random(7);
  std::vector<int> delays(count);
  for (int& delay : delays)
    delay = 1 + static_cast<int>(random() % kMaxDelayMilliseconds);
  return delays;
}

// ---------------------------------------------------------------- ours

const char* PumpName(base::MessageLoop::Type type) {
  switch (type) {
    case base::MessageLoop::TYPE_UI:
      return "ours, UI pump";
    case base::MessageLoop::TYPE_IO:
      return "ours, IO pump";
    default:
      return "ours, default pump";
  }
}

struct ChainState {
  int remaining;
  base::SingleThreadTaskRunner* runner;
  base::RunLoop* run_loop;
};

void ChainStep(ChainState* state) {
  if (--state->remaining == 0) {
    state->run_loop->Quit();
    return;
  }
  state->runner->PostTask(FROM_HERE, base::Bind(&ChainStep, state));
}

double OursChain(base::MessageLoop::Type type, int count) {
  base::MessageLoop loop(type);
  base::RunLoop run_loop;
  ChainState state = {count, loop.task_runner().get(), &run_loop};
  Clock::time_point start = Clock::now();
  loop.task_runner()->PostTask(FROM_HERE, base::Bind(&ChainStep, &state));
  run_loop.Run();
  return SecondsSince(start);
}

struct FanInState {
  int remaining;  // touched by the loop thread only
  base::WaitableEvent* done;
};

void FanInStep(FanInState* state) {
  if (--state->remaining == 0)
    state->done->Signal();
}

double OursFanIn(base::MessageLoop::Type type, int count) {
  base::Thread consumer("benchmark consumer");
  base::Thread::Options options;
  options.message_loop_type = type;
  if (!consumer.StartWithOptions(options) ||
      !consumer.WaitUntilThreadStarted()) {
    fprintf(stderr, "The consumer thread did not start\n");
    exit(1);
  }
  base::WaitableEvent done(base::WaitableEvent::ResetPolicy::MANUAL,
                           base::WaitableEvent::InitialState::NOT_SIGNALED);
  FanInState state = {count, &done};
  scoped_refptr<base::SingleThreadTaskRunner> runner = consumer.task_runner();
  Clock::time_point start = Clock::now();
  std::vector<std::thread> producers;
  for (int i = 0; i < kProducers; ++i) {
    producers.emplace_back([&runner, &state, count] {
      for (int task = 0; task < count / kProducers; ++task)
        runner->PostTask(FROM_HERE, base::Bind(&FanInStep, &state));
    });
  }
  done.Wait();
  double seconds = SecondsSince(start);
  for (std::thread& producer : producers)
    producer.join();
  consumer.Stop();
  return seconds;
}

struct DelayedState {
  int remaining;
  base::TimeTicks last_run_time;
  int early = 0;
  int out_of_order = 0;
  base::RunLoop* run_loop;
};

void DelayedStep(DelayedState* state, base::TimeTicks earliest) {
  const base::PendingTask* task =
      base::MessageLoop::current()->current_pending_task();
  base::TimeTicks now = base::TimeTicks::Now();
  if (now < task->delayed_run_time || now < earliest)
    ++state->early;
  if (task->delayed_run_time < state->last_run_time)
    ++state->out_of_order;
  state->last_run_time = task->delayed_run_time;
  if (--state->remaining == 0)
    state->run_loop->Quit();
}

// Fails the process when a task ran early or out of order.
double OursDelayed(base::MessageLoop::Type type,
                   const std::vector<int>& delays) {
  base::MessageLoop loop(type);
  base::RunLoop run_loop;
  DelayedState state = {static_cast<int>(delays.size()), base::TimeTicks(), 0,
                        0, &run_loop};
  Clock::time_point start = Clock::now();
  for (int delay : delays) {
    base::TimeDelta wait = base::TimeDelta::FromMilliseconds(delay);
    // Read before posting: the loop's own run time can only be later.
    base::TimeTicks earliest = base::TimeTicks::Now() + wait;
    loop.task_runner()->PostDelayedTask(
        FROM_HERE, base::Bind(&DelayedStep, &state, earliest), wait);
  }
  run_loop.Run();
  double seconds = SecondsSince(start);
  if (state.early || state.out_of_order) {
    fprintf(stderr, "%s: %d delayed tasks ran early, %d out of order\n",
            PumpName(type), state.early, state.out_of_order);
    exit(1);
  }
  return seconds;
}

// ---------------------------------------------------------------- plain

// What a careful programmer writes without a library: one lock, a deque
// and a condition variable signalled only when the consumer sleeps.
class PlainQueue {
 public:
  void Post(std::function<void()> task) {
    bool wake;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      tasks_.push_back(std::move(task));
      wake = waiting_;
    }
    if (wake)
      ready_.notify_one();
  }

  // Runs tasks until one calls Quit.
  void Run() {
    while (!quit_) {
      std::function<void()> task;
      {
        std::unique_lock<std::mutex> hold(mutex_);
        while (tasks_.empty()) {
          waiting_ = true;
          ready_.wait(hold);
          waiting_ = false;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

  void Quit() { quit_ = true; }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool waiting_ = false;
  bool quit_ = false;  // the running thread's own
};

double PlainChain(int count) {
  PlainQueue queue;
  int remaining = count;
  std::function<void()> step = [&] {
    if (--remaining == 0)
      queue.Quit();
    else
      queue.Post(step);
  };
  Clock::time_point start = Clock::now();
  queue.Post(step);
  queue.Run();
  return SecondsSince(start);
}

double PlainFanIn(int count) {
  PlainQueue queue;
  std::thread consumer([&queue] { queue.Run(); });
  int remaining = count;
  std::promise<void> done;
  Clock::time_point start = Clock::now();
  std::vector<std::thread> producers;
  for (int i = 0; i < kProducers; ++i) {
    producers.emplace_back([&] {
      for (int task = 0; task < count / kProducers; ++task) {
        queue.Post([&] {
          if (--remaining == 0) {
            done.set_value();
            queue.Quit();
          }
        });
      }
    });
  }
  done.get_future().wait();
  double seconds = SecondsSince(start);
  for (std::thread& producer : producers)
    producer.join();
  consumer.join();
  return seconds;
}

// A single thread with a heap of timers, sleeping until the next is due.
double PlainDelayed(const std::vector<int>& delays) {
  struct Timer {
    Clock::time_point due;
    int sequence;
    bool operator>(const Timer& other) const {
      return due != other.due ? due > other.due : sequence > other.sequence;
    }
  };
  std::priority_queue<Timer, std::vector<Timer>, std::greater<Timer>> timers;
  Clock::time_point start = Clock::now();
  int sequence = 0;
  for (int delay : delays)
    timers.push({Clock::now() + std::chrono::milliseconds(delay), sequence++});
  while (!timers.empty()) {
    Clock::time_point now = Clock::now();
    if (timers.top().due > now) {
      std::this_thread::sleep_until(timers.top().due);
      continue;
    }
    timers.pop();
  }
  return SecondsSince(start);
}

// ---------------------------------------------------------------- driver

struct Contender {
  std::string name;
  std::function<double()> chain;
  std::function<double()> fan_in;
  std::function<double()> delayed;
  double best_chain = 1e30;
  double best_fan_in = 1e30;
  double best_delayed = 1e30;
};

}  // namespace
}  // namespace message_loop_benchmark

int main(int argc, char** argv) {
  using namespace message_loop_benchmark;
  bool smoke = argc > 1 && strcmp(argv[1], "--smoke") == 0;
  bool quick = argc > 1 && strcmp(argv[1], "--quick") == 0;
  const Counts counts = smoke   ? Counts{10000, 10000, 1000}
                        : quick ? Counts{100000, 100000, 10000}
                                : Counts{1000000, 1000000, 100000};
  const int rounds = smoke ? 1 : quick ? 2 : 5;
  const std::vector<int> delays = MakeDelays(counts.delayed);

  std::vector<Contender> contenders;
  for (base::MessageLoop::Type type :
       {base::MessageLoop::TYPE_DEFAULT, base::MessageLoop::TYPE_UI,
        base::MessageLoop::TYPE_IO}) {
    contenders.push_back({PumpName(type),
                          [=] { return OursChain(type, counts.chain); },
                          [=] { return OursFanIn(type, counts.fan_in); },
                          [=, &delays] { return OursDelayed(type, delays); }});
  }
  const size_t ours_count = contenders.size();
  contenders.push_back({"Asio, portable backend",
                        [=] { return PortableLibraryChain(counts.chain); },
                        [=] { return PortableLibraryFanIn(counts.fan_in); },
                        [&delays] { return PortableLibraryDelayed(delays); }});
  contenders.push_back({"plain queue", [=] { return PlainChain(counts.chain); },
                        [=] { return PlainFanIn(counts.fan_in); },
                        [&delays] { return PlainDelayed(delays); }});
  contenders.push_back(
      {"Asio, IOCP backend",
       [=] { return LibraryChain<asio::io_context>(counts.chain); },
       [=] { return LibraryFanIn<asio::io_context>(counts.fan_in); },
       [&delays] {
         return LibraryDelayed<asio::io_context, asio::steady_timer>(delays);
       }});

  for (int round = 0; round < rounds; ++round) {
    for (Contender& contender : contenders) {
      contender.best_chain = std::min(contender.best_chain, contender.chain());
      contender.best_fan_in =
          std::min(contender.best_fan_in, contender.fan_in());
      contender.best_delayed =
          std::min(contender.best_delayed, contender.delayed());
    }
  }

  printf("Tasks per second, best of %d interleaved round(s); chain %d, fan-in "
         "%d from %d threads, delayed %d (up to %d ms).\n",
         rounds, counts.chain, counts.fan_in, kProducers, counts.delayed,
         kMaxDelayMilliseconds);
  printf("%-24s %12s %12s %12s\n", "", "chain", "fan-in", "delayed");
  for (const Contender& contender : contenders) {
    printf("%-24s %12.0f %12.0f %12.0f\n", contender.name.c_str(),
           counts.chain / contender.best_chain,
           counts.fan_in / contender.best_fan_in,
           counts.delayed / contender.best_delayed);
  }

  // Ratios of rates, ours over theirs: above 1 ours is faster.
  auto print_ratios = [&](const Contender& peer, const char* title) {
    printf("\nOurs / %s\n", title);
    printf("%-24s %12s %12s %12s\n", "", "chain", "fan-in", "delayed");
    for (size_t i = 0; i < ours_count; ++i) {
      const Contender& ours = contenders[i];
      printf("%-24s %12.2f %12.2f %12.2f\n", ours.name.c_str(),
             peer.best_chain / ours.best_chain,
             peer.best_fan_in / ours.best_fan_in,
             peer.best_delayed / ours.best_delayed);
    }
  };
  char portable_title[128];
  snprintf(portable_title, sizeof(portable_title),
           "Asio %d.%d.%d, portable backend (the headline peer)",
           ASIO_VERSION / 100000, ASIO_VERSION / 100 % 1000,
           ASIO_VERSION % 100);
  print_ratios(contenders[ours_count], portable_title);
  print_ratios(contenders[ours_count + 1], "plain queue");
  print_ratios(contenders[ours_count + 2],
               "Asio, IOCP backend (Wine's cost per packet, not Asio's)");

  printf("\nOur library runs with its DCHECKs on, as it ships; the peers are "
         "built with -DNDEBUG, as their users build them.\n");
  return 0;
}
