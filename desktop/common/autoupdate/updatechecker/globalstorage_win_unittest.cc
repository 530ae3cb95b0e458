#include "desktop/common/autoupdate/updatechecker/globalstorage_win.h"

#include <string.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <sddl.h>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/message_loop/message_loop.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_memory.h"
#include "base/win/windows_types.h"
#include "desktop/windows/installer/service/utils.h"
#include "testing/child_process.h"
#include "testing/registry_sandbox.h"
#include "testing/run_together.h"
#include "testing/scoped_test_folder.h"

namespace autoupdate {
namespace {

// As the autoupdate component spells them; the two programs must agree.
constexpr wchar_t kSharedMutexName[] = L"vauc_registry_mutex";
constexpr wchar_t kSharedFallbackFileName[] = L"au_global_storage";

// The other processes of these tests are this executable again, running one
// of the GlobalStorageChildTest cases with --gs-child and its switches.
std::wstring ChildPath(const char* child_test) {
  return L"\"" + testing_support::SelfPath() +
         L"\" --gs-child --gtest_filter=GlobalStorageChildTest." +
         std::wstring(child_test, child_test + strlen(child_test));
}

// Runs |child_test| with |switches| and waits for it; succeeds when that case
// ran and passed.
testing::AssertionResult RunChild(const char* child_test,
                                  const std::wstring& switches) {
  const testing_support::ChildResult result =
      testing_support::RunChildProcess(ChildPath(child_test) + switches);
  if (result.exit_code == 0 &&
      result.output.find("[  PASSED  ] 1 test.") != std::string::npos) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << result.output;
}

base::CommandLine ChildCommandLine() {
  base::CommandLine command_line(base::CommandLine::NO_PROGRAM);
  command_line.ParseFromString(::GetCommandLineW());
  return command_line;
}

class GlobalStorageChildTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!ChildCommandLine().HasSwitch("gs-child"))
      GTEST_SKIP() << "Runs only as the child of a GlobalStorageWinTest";
  }
};

// Takes the mutex, signals the event named by --ready and holds the mutex
// until the test ends this process, which abandons it.
TEST_F(GlobalStorageChildTest, HoldMutex) {
  base::win::ScopedHandle ready(
      ::OpenEventW(EVENT_MODIFY_STATE, FALSE,
                   ChildCommandLine().GetSwitchValueNative("ready").c_str()));
  base::win::ScopedHandle mutex(
      ::CreateMutexW(nullptr, FALSE, kSharedMutexName));
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(mutex.Get(), 30000));
  ::SetEvent(ready.Get());
  ::Sleep(60000);
}

// A run of one letter whose length the letter gives, so that a value cut
// short or mixed from two writes is never whole.
std::string MakeValue(int letter) {
  return std::string(1 + letter * 11, static_cast<char>('a' + letter));
}

bool IsWholeValue(const std::string& value) {
  return value.empty() ||  // not written yet, or deleted
         (value[0] >= 'a' && value[0] <= 'z' &&
          value == MakeValue(value[0] - 'a'));
}

// Calls Set and Get on a few shared keys for two seconds, in the
// registry (HKEY_CURRENT_USER redirected to --hkcu below it) or as a
// stand-alone installation with its file in --fallback: every answer must be
// success or busy, every value read one that some writer wrote in full.
TEST_F(GlobalStorageChildTest, Stress) {
  const base::CommandLine command_line = ChildCommandLine();
  base::MessageLoop loop;  // For the pref store's commit timer.
  GlobalStorageWin storage(installer::GetProductRegistryKey());
  const base::FilePath fallback = command_line.GetSwitchValuePath("fallback");
  if (!fallback.empty()) {
    storage.Init(/*copy_only=*/true);
    storage.LoadFallbackFile(fallback);
  } else {
    base::win::RegKey redirected(
        HKEY_CURRENT_USER, command_line.GetSwitchValueNative("hkcu").c_str(),
        KEY_ALL_ACCESS);
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOverridePredefKey(HKEY_CURRENT_USER, redirected.Handle()));
    storage.Init(/*copy_only=*/false);
  }

  const char* const keys[] = {"UUID", "au.last_check", "Channel"};
  int successes = 0;
  const ULONGLONG end = ::GetTickCount64() + 2000;
  for (int count = 0; ::GetTickCount64() < end; ++count) {
    // Now and then a deletion, so readers meet absent values too.
    const std::string written = count % 11 == 10 ? "" : MakeValue(count % 26);
    int32_t result = storage.Set(keys[count % 3], written);
    ASSERT_TRUE(result == GlobalStorage::kSuccess ||
                result == GlobalStorage::kBusy)
        << "Set answered " << result;
    successes += result == GlobalStorage::kSuccess;
    std::string read;
    result = storage.Get(keys[(count + 1) % 3], &read);
    ASSERT_TRUE(result == GlobalStorage::kSuccess ||
                result == GlobalStorage::kBusy)
        << "Get answered " << result;
    successes += result == GlobalStorage::kSuccess;
    ASSERT_TRUE(IsWholeValue(read)) << "a torn value: " << read;
  }
  EXPECT_GT(successes, 0);
}

class GlobalStorageWinTest : public testing::Test {
 protected:
  base::FilePath folder() const { return base::FilePath(folder_.path()); }
  base::FilePath fallback_file() const {
    return folder().Append(kSharedFallbackFileName);
  }

  std::string ReadFallbackFile() const {
    std::string contents;
    base::ReadFileToString(fallback_file(), &contents);
    return contents;
  }

  // The product key's string value |name|; "<absent>" for none, or for one
  // that is no string.
  std::wstring RegistryValue(const std::wstring& name) {
    std::wstring value;
    if (base::win::RegKey(HKEY_CURRENT_USER,
                          installer::GetProductRegistryKey().c_str(),
                          KEY_QUERY_VALUE)
            .ReadValue(name.c_str(), &value) != ERROR_SUCCESS) {
      return L"<absent>";
    }
    return value;
  }

  testing_support::RegistrySandbox sandbox_{/*redirect_predefined=*/true};
  testing_support::ScopedTestFolder folder_;
  // The pref store's commit timer runs on the caller's loop.
  base::MessageLoop loop_;
  GlobalStorageWin storage_{installer::GetProductRegistryKey()};
};

TEST_F(GlobalStorageWinTest, RegistryRoundTrip) {
  storage_.Init(/*copy_only=*/false);
  std::string value = "stale";
  EXPECT_EQ(GlobalStorage::kInvalidArguments, storage_.Get("", &value));
  EXPECT_EQ("", value);
  EXPECT_EQ(GlobalStorage::kInvalidArguments, storage_.Get("UUID", nullptr));
  EXPECT_EQ(GlobalStorage::kInvalidArguments, storage_.Set("", "v"));

  // No product key yet: nothing to read, and a deletion is already done.
  value = "stale";
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Get("UUID", &value));
  EXPECT_EQ("", value);
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", ""));

  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "1f2e-3d"));
  EXPECT_EQ(L"1f2e-3d", RegistryValue(L"UUID"));
  // A plain string, as the autoupdate component reads it.
  DWORD type = REG_NONE;
  EXPECT_EQ(ERROR_SUCCESS,
            ::RegQueryValueExW(
                base::win::RegKey(HKEY_CURRENT_USER,
                                  installer::GetProductRegistryKey().c_str(),
                                  KEY_QUERY_VALUE)
                    .Handle(),
                L"UUID", nullptr, &type, nullptr, nullptr));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  // The process-wide instance initialises itself onto the same key.
  EXPECT_EQ(GlobalStorage::kSuccess,
            GlobalStorage::GetInstance()->Get("UUID", &value));
  EXPECT_EQ("1f2e-3d", value);

  // An absent value reads empty.
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Get("missing", &value));
  EXPECT_EQ("", value);

  // Another writer's NUL-terminated data reads up to the NUL.
  base::win::RegKey key(HKEY_CURRENT_USER,
                        installer::GetProductRegistryKey().c_str(),
                        KEY_SET_VALUE);
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegSetValueExA(key.Handle(), "Channel", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("beta\0x"), 6));
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Get("Channel", &value));
  EXPECT_EQ("beta", value);

  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", ""));
  EXPECT_EQ(L"<absent>", RegistryValue(L"UUID"));
}

// Held by another process, the mutex makes both calls answer busy at once;
// abandoned by that process as it dies (our handle keeps the mutex alive),
// it is ours again.
TEST_F(GlobalStorageWinTest, MutexHeldElsewhereAnswersBusyUntilAbandoned) {
  storage_.Init(/*copy_only=*/false);
  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "before"));

  const std::wstring ready_name =
      L"Local\\gs_ready_" + std::to_wstring(::GetCurrentProcessId());
  base::win::ScopedHandle ready(
      ::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  ASSERT_TRUE(ready.IsValid());
  base::Process holder =
      base::LaunchProcess(ChildPath("HoldMutex") + L" --ready=" + ready_name,
                          base::LaunchOptions());
  ASSERT_TRUE(holder.IsValid()) << ::GetLastError();
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ready.Get(), 30000));

  std::string value = "stale";
  ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(GlobalStorage::kBusy, storage_.Get("UUID", &value));
  EXPECT_EQ("", value);
  EXPECT_EQ(GlobalStorage::kBusy, storage_.Set("UUID", "during"));
  EXPECT_LT(::GetTickCount64() - start, 1000u) << "the calls waited";
  EXPECT_EQ(L"before", RegistryValue(L"UUID"));

  ::TerminateProcess(holder.Handle(), 0);
  ASSERT_TRUE(holder.WaitForExit(nullptr));
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "after"));
  EXPECT_EQ(L"after", RegistryValue(L"UUID"));
}

// Stands in for Windows' access check, which Wine does not make on named
// mutexes: a handle opened without MUTEX_MODIFY_STATE cannot release.
DWORD g_opened_access = 0;

HANDLE WINAPI CreateMutexRefused(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

HANDLE WINAPI OpenMutexNotingAccess(DWORD access, BOOL inherit, LPCWSTR name) {
  g_opened_access = access;
  return ::OpenMutexW(access, inherit, name);
}

BOOL WINAPI ReleaseMutexCheckingAccess(HANDLE mutex) {
  if (!(g_opened_access & MUTEX_MODIFY_STATE)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return ::ReleaseMutex(mutex);
}

TEST_F(GlobalStorageWinTest, MutexOpenedAfterARefusedCreateIsReleased) {
  // The autoupdate component's mutex, made with a security this process
  // may not create it under.
  base::win::ScopedHandle theirs(
      ::CreateMutexW(nullptr, FALSE, kSharedMutexName));
  ASSERT_TRUE(theirs.IsValid());
  internal::ScopedGlobalStorageMutexFunctionsForTesting access_checked(
      {&CreateMutexRefused, &OpenMutexNotingAccess,
       &ReleaseMutexCheckingAccess});
  storage_.Init(/*copy_only=*/false);
  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "v"));
  std::string value;
  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Get("UUID", &value));

  // The other component, on a thread of its own, finds the mutex free.
  DWORD wait = WAIT_FAILED;
  std::thread([&] {
    wait = ::WaitForSingleObject(theirs.Get(), 0);
    if (wait == WAIT_OBJECT_0) ::ReleaseMutex(theirs.Get());
  }).join();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), wait);
}

TEST_F(GlobalStorageWinTest, StandAloneKeepsValuesInTheFallbackFile) {
  storage_.Init(/*copy_only=*/true);

  // No folder known yet, one that does not exist, or one relative to
  // wherever the process runs: nowhere to keep it.
  std::string value = "stale";
  EXPECT_EQ(GlobalStorage::kFailed, storage_.Set("UUID", "early"));
  EXPECT_EQ(GlobalStorage::kFailed, storage_.Get("UUID", &value));
  EXPECT_EQ("", value);
  storage_.LoadFallbackFile(folder().Append(L"missing"));
  EXPECT_EQ(GlobalStorage::kFailed, storage_.Set("UUID", "early"));
  testing_support::ScopedCurrentDirectoryForTest current(folder_.path());
  ASSERT_TRUE(current.changed());
  storage_.LoadFallbackFile(base::FilePath(L"."));
  EXPECT_EQ(GlobalStorage::kFailed, storage_.Set("UUID", "early"));

  storage_.LoadFallbackFile(folder());
  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "5a-7b"));
  EXPECT_EQ(L"<absent>", RegistryValue(L"UUID"));

  // A dotted key is stored and found as one name.
  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("au.last_check", "99"));
  EXPECT_EQ("{\"GS\":{\"UUID\":\"5a-7b\",\"au.last_check\":\"99\"}}",
            ReadFallbackFile());
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Get("au.last_check", &value));
  EXPECT_EQ("99", value);
}

TEST_F(GlobalStorageWinTest, FallbackFileContents) {
  struct Case {
    const char* contents;
    const char* value = "";
    int32_t get_result = GlobalStorage::kSuccess;
    int32_t set_result = GlobalStorage::kSuccess;
  } cases[] = {
      {"{}"},
      {"{\"GS\":5}", "", GlobalStorage::kFailed, GlobalStorage::kFailed},
      {"{\"GS\":{\"UUID\":7}}"},
      {"{\"GS\":{\"UUID\":\"caf\xC3\xA9\"}}"},
      {"{\"GS\":{\"UUID\":\"ok\"},\"other\":[1]}", "ok"},
      // Preferences whose root is not a dictionary are never overwritten.
      {"[1]", "", GlobalStorage::kSuccess, GlobalStorage::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contents);
    ASSERT_TRUE(
        testing_support::WriteFileForTest(fallback_file().value(), c.contents));
    GlobalStorageWin storage(installer::GetProductRegistryKey());
    storage.Init(/*copy_only=*/true);
    storage.LoadFallbackFile(folder());
    std::string value = "stale";
    EXPECT_EQ(c.get_result, storage.Get("UUID", &value));
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(c.set_result, storage.Set("Channel", "beta"));
    if (c.set_result != GlobalStorage::kSuccess) {
      EXPECT_EQ(c.contents, ReadFallbackFile());
    }
  }
}

TEST_F(GlobalStorageWinTest, FallbackFileIsMergedThenWrittenBeside) {
  ASSERT_TRUE(testing_support::WriteFileForTest(
      fallback_file().value(),
      "{\"GS\":{\"UUID\":\"u1\",\"au.last_check\":\"7\",\"count\":3}}"));
  ASSERT_EQ(ERROR_SUCCESS,
            base::win::RegKey(HKEY_CURRENT_USER,
                              installer::GetProductRegistryKey().c_str(),
                              KEY_ALL_ACCESS)
                .WriteValue(L"count", L"kept"));
  storage_.Init(/*copy_only=*/false);
  storage_.LoadFallbackFile(folder());
  EXPECT_EQ(L"u1", RegistryValue(L"UUID"));
  EXPECT_EQ(L"7", RegistryValue(L"au.last_check"));
  EXPECT_EQ(L"kept", RegistryValue(L"count"));  // not a string in the file

  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "u2"));
  EXPECT_EQ(L"u2", RegistryValue(L"UUID"));
  EXPECT_EQ("{\"GS\":{\"UUID\":\"u2\",\"au.last_check\":\"7\",\"count\":3}}",
            ReadFallbackFile());
  ASSERT_EQ(GlobalStorage::kSuccess, storage_.Set("au.last_check", ""));
  EXPECT_EQ(L"<absent>", RegistryValue(L"au.last_check"));
  EXPECT_EQ("{\"GS\":{\"UUID\":\"u2\",\"count\":3}}", ReadFallbackFile());

  // Once the registry has been written, the file is no longer merged.
  ASSERT_TRUE(testing_support::WriteFileForTest(fallback_file().value(),
                                                "{\"GS\":{\"UUID\":\"u3\"}}"));
  storage_.LoadFallbackFile(folder());
  EXPECT_EQ(L"u2", RegistryValue(L"UUID"));
}

// Replaces the access list of |key| with |sddl|.
void SetKeyDacl(const base::win::RegKey& key, const wchar_t* sddl) {
  base::win::ScopedLocalMemory<void> descriptor;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      sddl, SDDL_REVISION_1, descriptor.Receive(), nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            ::RegSetKeySecurity(key.Handle(), DACL_SECURITY_INFORMATION,
                                descriptor.Get()));
}

// Read, delete and access-list changes only, so the sandbox can still
// remove it.
constexpr wchar_t kReadOnlyKeyDacl[] = L"D:(A;;KRSDWD;;;WD)";

TEST_F(GlobalStorageWinTest, ProductKeyThatRefusesWritesUsesTheFallbackFile) {
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(HKEY_CURRENT_USER,
                       installer::GetProductRegistryKey().c_str(),
                       KEY_ALL_ACCESS));
  SetKeyDacl(key, kReadOnlyKeyDacl);
  key.Close();

  storage_.Init(/*copy_only=*/false);
  storage_.LoadFallbackFile(folder());
  EXPECT_EQ(GlobalStorage::kSuccess, storage_.Set("UUID", "file-only"));
  EXPECT_EQ("{\"GS\":{\"UUID\":\"file-only\"}}", ReadFallbackFile());
}

// Only a registry write that succeeded ends the merging of a fallback file:
// one refused by a product key that stopped taking writes after Init does
// not.
TEST_F(GlobalStorageWinTest, FailedRegistryWriteLeavesTheFileToMerge) {
  base::win::RegKey key;
  ASSERT_EQ(ERROR_SUCCESS,
            key.Create(HKEY_CURRENT_USER,
                       installer::GetProductRegistryKey().c_str(),
                       KEY_ALL_ACCESS));
  storage_.Init(/*copy_only=*/false);
  ASSERT_FALSE(storage_.fallback_only());
  SetKeyDacl(key, kReadOnlyKeyDacl);
  EXPECT_EQ(GlobalStorage::kFailed, storage_.Set("UUID", "refused"));
  SetKeyDacl(key, L"D:(A;;KA;;;WD)");

  ASSERT_TRUE(testing_support::WriteFileForTest(fallback_file().value(),
                                                "{\"GS\":{\"UUID\":\"u1\"}}"));
  storage_.LoadFallbackFile(folder());
  EXPECT_EQ(L"u1", RegistryValue(L"UUID"));
}

// Four processes share the store; every answer must be 0 or 1 and every
// value read one that some writer wrote in full (the child checks both).
TEST_F(GlobalStorageWinTest, FourProcessesShareTheStore) {
  struct Mode {
    std::wstring switches;
    const char* name;
  } modes[] = {
      {L" --hkcu=\"" + sandbox_.path() + L"\\HKCU\"", "registry"},
      {L" --fallback=\"" + folder_.path() + L"\"", "fallback file"},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    testing_support::RunOnThreadsTogether(
        4, [&](int) { EXPECT_TRUE(RunChild("Stress", mode.switches)); });
  }
}

}  // namespace
}  // namespace autoupdate
