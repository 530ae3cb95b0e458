// Measures nanoseconds per double for shortest formatting and for parsing,
// against peers built in the same run: {fmt}, std::to_chars /
// std::from_chars, and the runtime's snprintf("%.17g") / strtod.
//
//   number_text_benchmark            full run (a million doubles)
//   number_text_benchmark --smoke    a few seconds, for CTest
#define FMT_HEADER_ONLY
#include <fmt/format.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "base/strings/number_text.h"

namespace {

// A mix like what preference files and trace exports hold: random bit
// patterns, short decimals, integers and small fractions.
std::vector<double> MakeValues(size_t count) {
  std::mt19937_64 random(42);
  std::vector<double> values;
  values.reserve(count);
  while (values.size() < count) {
    const uint64_t bits = random();
    double value;
    switch (values.size() % 4) {
      case 0:
        memcpy(&value, &bits, sizeof(value));
        break;
      case 1:
        value = static_cast<double>(bits % 1000000) / 100.0;
        break;
      case 2:
        value = static_cast<double>(bits % 100000000);
        break;
      default:
        value = static_cast<double>(bits >> 11) / 9007199254740992.0;
        break;
    }
    if (std::isfinite(value)) values.push_back(value);
  }
  return values;
}

// Best of |rounds| timings of one pass over |count| items, in ns per item.
template <typename Pass>
double NanosecondsPerItem(size_t count, int rounds, Pass pass) {
  double best = 1e300;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    pass();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best,
                    std::chrono::duration<double, std::nano>(elapsed).count() /
                        static_cast<double>(count));
  }
  return best;
}

struct Result {
  const char* name;
  double ns;
  bool own;  // ours, not a peer
};

void Report(const char* title, const std::vector<Result>& results) {
  double fastest_peer = 1e300;
  for (const Result& r : results) {
    if (!r.own) fastest_peer = std::min(fastest_peer, r.ns);
  }
  printf("%s (ns per double; ratio to the fastest peer)\n", title);
  for (const Result& r : results)
    printf("  %-28s %8.1f  %5.2fx\n", r.name, r.ns, r.ns / fastest_peer);
}

// Keeps results alive so the optimiser cannot drop the work.
volatile size_t g_sink;

}  // namespace

int main(int argc, char** argv) {
  const bool smoke = argc > 1 && strcmp(argv[1], "--smoke") == 0;
  const size_t count = smoke ? 20000 : 1000000;
  const int rounds = smoke ? 3 : 7;
  const std::vector<double> values = MakeValues(count);

  std::vector<std::string> texts;
  texts.reserve(count);
  for (double value : values) {
    char buffer[base::kShortestDoubleBufferSize];
    texts.emplace_back(base::FormatShortestDouble(buffer, value));
  }
  // Peers that cannot read the system form get the same values as %.17g.
  std::vector<std::string> g17_texts;
  g17_texts.reserve(count);
  for (double value : values) {
    char buffer[32];
    snprintf(buffer, sizeof(buffer), "%.17g", value);
    g17_texts.emplace_back(buffer);
  }

  const auto measure = [&](const char* name, bool own, auto pass) {
    return Result{name, NanosecondsPerItem(count, rounds, pass), own};
  };

  std::vector<Result> formatting;
  formatting.push_back(measure("FormatShortestDouble", true, [&] {
    size_t total = 0;
    char buffer[base::kShortestDoubleBufferSize];
    for (double value : values) {
      base::FormatShortestDouble(buffer, value);
      total += static_cast<unsigned char>(buffer[0]);
    }
    g_sink = total;
  }));
  formatting.push_back(measure("{fmt} format_to \"{}\"", false, [&] {
    size_t total = 0;
    char buffer[32];
    for (double value : values)
      total +=
          static_cast<size_t>(fmt::format_to(buffer, "{}", value) - buffer);
    g_sink = total;
  }));
  formatting.push_back(measure("std::to_chars shortest", false, [&] {
    size_t total = 0;
    char buffer[32];
    for (double value : values)
      total += static_cast<size_t>(
          std::to_chars(buffer, buffer + sizeof(buffer), value).ptr - buffer);
    g_sink = total;
  }));
  formatting.push_back(measure("snprintf %.17g", false, [&] {
    size_t total = 0;
    char buffer[32];
    for (double value : values)
      total +=
          static_cast<size_t>(snprintf(buffer, sizeof(buffer), "%.17g", value));
    g_sink = total;
  }));
  Report("Formatting", formatting);

  std::vector<Result> parsing;
  parsing.push_back(measure("StringToDoubleCore", true, [&] {
    double total = 0;
    for (const std::string& text : texts)
      total += base::StringToDoubleCore(text.c_str(), nullptr);
    g_sink = static_cast<size_t>(total != 0);
  }));
  parsing.push_back(measure("StringToDoubleCore (%.17g)", true, [&] {
    double total = 0;
    for (const std::string& text : g17_texts)
      total += base::StringToDoubleCore(text.c_str(), nullptr);
    g_sink = static_cast<size_t>(total != 0);
  }));
  parsing.push_back(measure("std::from_chars (%.17g)", false, [&] {
    double total = 0;
    for (const std::string& text : g17_texts) {
      double value = 0;
      std::from_chars(text.data(), text.data() + text.size(), value);
      total += value;
    }
    g_sink = static_cast<size_t>(total != 0);
  }));
  parsing.push_back(measure("strtod (%.17g)", false, [&] {
    double total = 0;
    for (const std::string& text : g17_texts)
      total += strtod(text.c_str(), nullptr);
    g_sink = static_cast<size_t>(total != 0);
  }));
  Report("Parsing", parsing);
  return 0;
}
