// Prints the process-wide Windows version record, as seen by an executable
// with a compatibility manifest, so that a test can run it under a Wine
// version chosen for its file name:
//
//   "version=8 major=10 minor=0 build=19043 sp=0.0 architecture=1"
//   "racers_agree=yes"
//
// The first call is made by several threads at once; "racers_agree" tells
// whether they all got the same record.
#include <stdio.h>

#include <thread>
#include <vector>

#include "base/win/windows_version.h"

int main() {
  using base::win::WindowsVersionInfo;

  constexpr int kRacers = 8;
  std::vector<const WindowsVersionInfo*> seen(kRacers, nullptr);
  std::vector<std::thread> racers;
  for (int i = 0; i < kRacers; ++i) {
    racers.emplace_back(
        [&seen, i] { seen[i] = WindowsVersionInfo::GetInstance(); });
  }
  for (std::thread& racer : racers) racer.join();
  bool agree = true;
  for (const WindowsVersionInfo* info : seen)
    agree = agree && info == WindowsVersionInfo::GetInstance();

  const WindowsVersionInfo* info = WindowsVersionInfo::GetInstance();
  printf("version=%d major=%d minor=%d build=%d sp=%d.%d architecture=%d\n",
         static_cast<int>(info->version), static_cast<int>(info->major),
         static_cast<int>(info->minor), static_cast<int>(info->build),
         static_cast<int>(info->service_pack_major),
         static_cast<int>(info->service_pack_minor),
         static_cast<int>(info->architecture));
  printf("racers_agree=%s\n", agree ? "yes" : "no");
  fflush(stdout);
  return 0;
}
