// Takes every log line, from any thread, while it lives, so that a test can
// check what was said and how often.
//
//   testing_support::LogCapture log;
//   DoWork();
//   EXPECT_EQ(1u, log.Count(logging::LOG_WARNING));  // warnings and worse
//   EXPECT_TRUE(log.Contains("sharing violation"));
//
// Only one capture may live at a time; the lines it takes are written
// nowhere else.
#ifndef TESTING_LOG_CAPTURE_H_
#define TESTING_LOG_CAPTURE_H_

#include <stddef.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/logging.h"

namespace testing_support {

class LogCapture {
 public:
  LogCapture() {
    std::lock_guard<std::mutex> hold(lock());
    lines().clear();
    logging::SetLogMessageHandler(&Take);
  }
  ~LogCapture() { logging::SetLogMessageHandler(nullptr); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The lines of |severity| or worse.
  size_t Count(int severity) const {
    std::lock_guard<std::mutex> hold(lock());
    size_t count = 0;
    for (const auto& line : lines()) count += line.first >= severity;
    return count;
  }
  bool Contains(const std::string& text) const {
    return Text().find(text) != std::string::npos;
  }
  // Every message taken, without the prefixes, one per line.
  std::string Text() const {
    std::lock_guard<std::mutex> hold(lock());
    std::string text;
    for (const auto& line : lines()) text += line.second;
    return text;
  }

 private:
  static std::mutex& lock() {
    static std::mutex mutex;
    return mutex;
  }
  static std::vector<std::pair<int, std::string>>& lines() {
    static std::vector<std::pair<int, std::string>> taken;
    return taken;
  }
  static bool Take(int severity, const char*, int, size_t message_start,
                   const std::string& line) {
    std::lock_guard<std::mutex> hold(lock());
    lines().emplace_back(severity, line.substr(message_start));
    return true;
  }
};

}  // namespace testing_support

#endif  // TESTING_LOG_CAPTURE_H_
