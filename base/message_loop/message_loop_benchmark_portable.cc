// The event library on its portable backend (its own scheduler instead of
// the completion port), renamed so it can share the executable with the
// default build in message_loop_benchmark.cc.

#define ASIO_DISABLE_IOCP 1
#define asio asio_portable

#include "base/win/windows_types.h"

#include <asio.hpp>

#include "base/message_loop/message_loop_benchmark_asio.h"

namespace message_loop_benchmark {

double PortableLibraryChain(int count) {
  return LibraryChain<asio_portable::io_context>(count);
}

double PortableLibraryFanIn(int count) {
  return LibraryFanIn<asio_portable::io_context>(count);
}

double PortableLibraryDelayed(const std::vector<int>& delays) {
  return LibraryDelayed<asio_portable::io_context, asio_portable::steady_timer>(
      delays);
}

}  // namespace message_loop_benchmark
