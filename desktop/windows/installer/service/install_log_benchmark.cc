// Speed of saving and loading an install log the size of a large
// installation: 10,000 files and 2,000 registry values under 200 keys. The
// parse alone of the same document by the XML layer is shown beside Load,
// as the floor that Load's own checks and conversions add to.
//
//   install_log_benchmark            full run, a few seconds
//   install_log_benchmark --smoke    a small log; fails when the saved log
//                                    does not load back the same

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

#include <pugixml.hpp>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/strings/stringprintf.h"
#include "desktop/windows/installer/service/install_log.h"
#include "desktop/windows/installer/service/install_log_serializer.h"
#include "testing/scoped_test_folder.h"

namespace {

using installer::InstallLog;
using installer::InstallLogSerializer;

InstallLog MakeLog(int file_count, int key_count, int values_per_key) {
  const base::FilePath folder(L"C:\\Program Files\\V\u00e9lto\\Application");
  InstallLog log;
  log.path = folder;
  log.version = "120.0.5678.90";
  log.app_id = "{5A2C6A4E-1C6B-4E2A-9A1E-0F1D2C3B4A59}";
  for (int i = 0; i < file_count; ++i) {
    log.files.push_back(folder.Append(base::WideStringPrintf(
        L"120.0.5678.90\\resources\\%ls\\file_%05d.pak",
        i % 7 == 0 ? L"\u65e5\u672c\u8a9e" : L"locales", i)));
  }
  for (int k = 0; k < key_count; ++k) {
    installer::InstallLogKey key;
    key.clean_mode = k % 3;
    key.key_path = base::StringPrintf(
        "Software\\Classes\\VeltoHTML.%d\\shell\\open\\command", k);
    for (int v = 0; v < values_per_key; ++v) {
      static const char* const kTypes[] = {"REG_SZ", "REG_DWORD", "REG_BINARY"};
      static const char* const kData[] = {
          "\"C:\\Program Files\\V\u00e9lto\\velto.exe\" --single-argument %1",
          "00000020", "01,00,00,00,ff,7f"};
      key.values.push_back(
          {kTypes[v % 3], base::StringPrintf("Value%d", v), kData[v % 3]});
    }
    (k % 2 ? log.hkcu_keys : log.hklm_keys).push_back(std::move(key));
  }
  return log;
}

// The best seconds of one run of |run|, repeated until |budget| seconds
// have passed (three runs at least).
double BestSeconds(const std::function<bool()>& run, double budget, bool* ok) {
  using Clock = std::chrono::steady_clock;
  double best = 1e30;
  const Clock::time_point start = Clock::now();
  for (int round = 0;
       round < 3 ||
       std::chrono::duration<double>(Clock::now() - start).count() < budget;
       ++round) {
    const Clock::time_point before = Clock::now();
    if (!run()) *ok = false;
    best = std::min(
        best, std::chrono::duration<double>(Clock::now() - before).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const bool smoke = argc > 1 && strcmp(argv[1], "--smoke") == 0;
  const double budget = smoke ? 0.05 : 2.0;
  const InstallLog log = smoke ? MakeLog(500, 20, 5) : MakeLog(10000, 200, 10);

  testing_support::ScopedTestFolder folder;
  const base::FilePath file =
      base::FilePath(folder.path()).Append(installer::kInstallLogFileName);
  if (!InstallLogSerializer().Save(log, file)) {
    fprintf(stderr, "The log could not be saved\n");
    return 1;
  }
  std::string text;
  base::ReadFileToString(file, &text);
  InstallLog loaded;
  if (!InstallLogSerializer().Load(&loaded, file) ||
      loaded.files != log.files ||
      loaded.hklm_keys.size() != log.hklm_keys.size() ||
      loaded.hkcu_keys.back().values.back().data !=
          log.hkcu_keys.back().values.back().data) {
    fprintf(stderr, "The saved log does not load back the same\n");
    return 1;
  }

  bool ok = true;
  const double save = BestSeconds(
      [&] { return InstallLogSerializer().Save(log, file); }, budget, &ok);
  const double load = BestSeconds(
      [&] {
        InstallLog target;
        return InstallLogSerializer().Load(&target, file);
      },
      budget, &ok);
  const double parse = BestSeconds(
      [&] {
        pugi::xml_document document;
        return static_cast<bool>(
            document.load_buffer(text.data(), text.size()));
      },
      budget, &ok);
  if (!ok) {
    fprintf(stderr, "A timed run failed\n");
    return 1;
  }

  const double megabytes = text.size() / 1e6;
  printf("Install log of %zu files and %zu registry values: %zu bytes.\n",
         log.files.size(),
         static_cast<size_t>((log.hklm_keys.size() + log.hkcu_keys.size()) *
                             log.hklm_keys.front().values.size()),
         text.size());
  printf("%-28s %10s %10s\n", "best of the runs", "ms", "MB/s");
  printf("%-28s %10.2f %10.1f\n", "Save (build, write, swap)", save * 1e3,
         megabytes / save);
  printf("%-28s %10.2f %10.1f\n", "Load (read, parse, check)", load * 1e3,
         megabytes / load);
  printf("%-28s %10.2f %10.1f\n", "XML parse alone, in memory", parse * 1e3,
         megabytes / parse);
  printf("Load / parse alone: %.2f\n", load / parse);
  return 0;
}
