// A second process for the global storage tests. One mode per run:
//   --hold-mutex --ready=NAME --release=NAME
//        takes "vauc_registry_mutex", signals the event NAME of --ready and
//        holds the mutex until the event of --release is signalled (60 s at
//        most)
//   --abandon-mutex
//        takes the mutex and exits without releasing it
//   --stress --id=N --ms=M (--hkcu=PATH | --fallback=FOLDER)
//        calls Set and Get on a few shared keys for M milliseconds, either
//        in the registry (HKEY_CURRENT_USER redirected to PATH below it) or
//        as a stand-alone installation with its file in FOLDER; writes one
//        line of counts to standard output
// Exit codes: 0 fine, 1 a result code other than 0 or 1, 2 a value that no
// writer wrote in full, 3 bad usage or set-up, 4 no operation succeeded.
#include <stdio.h>

#include <string>

#include "base/at_exit.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/win/windows_types.h"
#include "desktop/common/autoupdate/updatechecker/globalstorage_win.h"
#include "desktop/windows/installer/service/utils.h"

namespace {

using autoupdate::GlobalStorage;
using autoupdate::GlobalStorageWin;

constexpr int kBadResult = 1;
constexpr int kBadValue = 2;
constexpr int kBadUsage = 3;
constexpr int kNoProgress = 4;

HANDLE TakeMutex() {
  HANDLE mutex =
      ::CreateMutexW(nullptr, FALSE, autoupdate::kGlobalStorageMutexName);
  if (!mutex || ::WaitForSingleObject(mutex, 30000) != WAIT_OBJECT_0)
    return nullptr;
  return mutex;
}

int HoldMutex(const std::wstring& ready_name, const std::wstring& release_name) {
  HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_name.c_str());
  HANDLE release = ::OpenEventW(SYNCHRONIZE, FALSE, release_name.c_str());
  HANDLE mutex = TakeMutex();
  if (!ready || !release || !mutex)
    return kBadUsage;
  ::SetEvent(ready);
  ::WaitForSingleObject(release, 60000);
  ::ReleaseMutex(mutex);
  return 0;  // the handles close with the process
}

int AbandonMutex() {
  // The process ends with the mutex owned: the system marks it abandoned.
  return TakeMutex() ? 0 : kBadUsage;
}

// "<writer>:<count>:" and then a run of one letter whose length is given
// last, so a value cut short or mixed from two writes does not parse.
std::string MakeValue(int id, int count) {
  size_t length = 1 + (count * 37) % 300;
  return std::to_string(id) + ":" + std::to_string(count) + ":" +
         std::string(length, static_cast<char>('a' + count % 26)) + ":" +
         std::to_string(length);
}

bool IsWholeValue(const std::string& value) {
  int id = 0, count = 0;
  return value.empty() ||  // not written yet, or deleted
         (sscanf(value.c_str(), "%d:%d:", &id, &count) == 2 &&
          value == MakeValue(id, count));
}

int Stress(const base::CommandLine& command_line) {
  int id = 0, duration_ms = 0;
  if (!base::StringToInt(command_line.GetSwitchValueASCII("id"), &id) ||
      !base::StringToInt(command_line.GetSwitchValueASCII("ms"),
                         &duration_ms)) {
    return kBadUsage;
  }
  GlobalStorageWin storage(installer::GetProductRegistryKey());
  base::FilePath fallback = command_line.GetSwitchValuePath("fallback");
  if (!fallback.empty()) {
    storage.Init(/*copy_only=*/true);
    storage.LoadFallbackFile(fallback);
  } else {
    std::wstring hkcu = command_line.GetSwitchValueNative("hkcu");
    HKEY redirected = nullptr;
    if (hkcu.empty() ||
        ::RegOpenKeyExW(HKEY_CURRENT_USER, hkcu.c_str(), 0, KEY_ALL_ACCESS,
                        &redirected) != ERROR_SUCCESS ||
        ::RegOverridePredefKey(HKEY_CURRENT_USER, redirected) !=
            ERROR_SUCCESS) {
      return kBadUsage;
    }
    ::RegCloseKey(redirected);
    storage.Init(/*copy_only=*/false);
  }

  const char* const keys[] = {"UUID", "au.last_check", "Channel"};
  int successes = 0, busy = 0;
  ULONGLONG end = ::GetTickCount64() + duration_ms;
  for (int count = 0; ::GetTickCount64() < end; ++count) {
    const std::string key = keys[count % 3];
    // Now and then a deletion, so readers meet absent values too.
    std::string written = count % 11 == 10 ? "" : MakeValue(id, count);
    int32_t result = storage.Set(key, written);
    if (result != GlobalStorage::kSuccess && result != GlobalStorage::kBusy) {
      printf("writer %d: Set(%s) answered %d\n", id, key.c_str(),
             static_cast<int>(result));
      return kBadResult;
    }
    (result == GlobalStorage::kSuccess ? successes : busy)++;
    std::string read;
    result = storage.Get(keys[(count + 1) % 3], &read);
    if (result != GlobalStorage::kSuccess && result != GlobalStorage::kBusy) {
      printf("writer %d: Get answered %d\n", id, static_cast<int>(result));
      return kBadResult;
    }
    (result == GlobalStorage::kSuccess ? successes : busy)++;
    if (!IsWholeValue(read)) {
      printf("writer %d: read a torn value \"%s\"\n", id, read.c_str());
      return kBadValue;
    }
  }
  printf("writer %d: %d done, %d busy\n", id, successes, busy);
  return successes > 0 ? 0 : kNoProgress;
}

}  // namespace

int main() {
  base::AtExitManager at_exit;
  base::CommandLine::Init();
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  logging::InitLogging(settings);
  // The pref store's commit timer wants a loop on the calling thread.
  base::MessageLoop loop;

  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch("hold-mutex")) {
    return HoldMutex(command_line.GetSwitchValueNative("ready"),
                     command_line.GetSwitchValueNative("release"));
  }
  if (command_line.HasSwitch("abandon-mutex"))
    return AbandonMutex();
  if (command_line.HasSwitch("stress"))
    return Stress(command_line);
  return kBadUsage;
}
