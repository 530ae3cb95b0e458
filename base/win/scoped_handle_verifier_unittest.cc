#include "base/win/scoped_handle_verifier.h"

#include <string.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/win/scoped_handle.h"
#include "base/win/windows_types.h"
#include "testing/child_process.h"

namespace base {
namespace win {
namespace {

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// The test executable carries this code and so exports GetHandleVerifier:
// the process verifier is its own, and it tracks. Each misuse stops the
// process, and so does closing a protected handle that is not a process
// handle.
TEST(HandleVerifierDeathTest, MisuseStops) {
  int stranger = 0;
  EXPECT_DEATH(HANDLE event = NewEvent(); ScopedHandle first(event);
               ScopedHandle second(event), "");
  // Ends cleanly unless the stranger's release stops it: the owner's own
  // release of a handle no longer tracked would stop it too.
  EXPECT_DEATH(ScopedHandle owner(NewEvent());
               StopHandleTracking(owner.Get(), &stranger, nullptr, nullptr);
               ::TerminateProcess(::GetCurrentProcess(), 0), "");
  EXPECT_DEATH(StopHandleTracking(NewEvent(), &stranger, nullptr, nullptr), "");
  EXPECT_DEATH(HANDLE event = NewEvent(); VerifierCloseHandle(event);
               VerifierCloseHandle(event), "");
  EXPECT_DEATH(ScopedHandle owner(NewEvent());
               GetHandleVerifier()->OnHandleBeingClosed(owner.Get()), "");
  EXPECT_DEATH(HANDLE event = NewEvent();
               ::SetHandleInformation(event, HANDLE_FLAG_PROTECT_FROM_CLOSE,
                                      HANDLE_FLAG_PROTECT_FROM_CLOSE);
               VerifierCloseHandle(event), "");
}

TEST(HandleVerifierTest, ProtectedProcessHandleRefusesCloseWithoutHarm) {
  HANDLE process = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(),
                                ::GetCurrentProcess(), &process, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
  ::SetHandleInformation(process, HANDLE_FLAG_PROTECT_FROM_CLOSE,
                         HANDLE_FLAG_PROTECT_FROM_CLOSE);
  // The refusal is reported and does not stop the process.
  EXPECT_FALSE(VerifierCloseHandle(process));
  DWORD flags = 0;
  EXPECT_TRUE(::GetHandleInformation(process, &flags));
  ::SetHandleInformation(process, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
  EXPECT_TRUE(VerifierCloseHandle(process));
}

// Tracking keeps the caller's last error. A verifier disabled on the way (one
// disabled from the start serves the library in the host test below) only
// closes.
TEST(HandleVerifierTest, KeepsTheLastErrorAndOnlyClosesOnceDisabled) {
  ScopedHandleVerifier verifier(true);
  HANDLE event = NewEvent();
  HANDLE closed = NewEvent();
  ScopedHandle untracked(NewEvent());
  int owner = 0;
  int stranger = 0;
  ::SetLastError(0x4321);
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.OnHandleBeingClosed(untracked.Get());
  verifier.StopTracking(event, &owner, nullptr, nullptr);
  verifier.CloseHandle(closed);
  EXPECT_EQ(0x4321u, ::GetLastError());

  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.Disable();
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.StopTracking(event, &stranger, nullptr, nullptr);
  verifier.StopTracking(NewEvent(), &owner, nullptr, nullptr);
  verifier.OnHandleBeingClosed(event);
  EXPECT_TRUE(verifier.CloseHandle(event));
  DWORD flags = 0;
  EXPECT_FALSE(::GetHandleInformation(event, &flags));
}

// Each thread opens, moves and closes its own handles; the table grows far
// beyond its first 8 buckets and must lose no entry on the way.
TEST(HandleVerifierTest, ManyThreadsShareTheTable) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([] {
      std::vector<ScopedHandle> handles(200), moved(200);
      for (ScopedHandle& handle : handles) handle = ScopedHandle(NewEvent());
      for (size_t i = 0; i < handles.size(); ++i)
        moved[i] = std::move(handles[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
}

TEST(StackTraceTest, CapturesUpToTheRequestedCount) {
  EXPECT_GT(StackTrace().count(), 1u);
  EXPECT_EQ(1u, StackTrace(1).count());
}

// A minimal image in memory: DOS header, NT headers and a section table.
struct FakeImage {
  explicit FakeImage(const std::vector<std::string>& section_names) {
    memset(bytes, 0, sizeof(bytes));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(bytes);
    dos->e_lfanew = 64;
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(bytes + dos->e_lfanew);
    nt->FileHeader.NumberOfSections = static_cast<WORD>(section_names.size());
    nt->FileHeader.SizeOfOptionalHeader = sizeof(nt->OptionalHeader);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (size_t i = 0; i < section_names.size(); ++i) {
      memcpy(section[i].Name, section_names[i].data(),
             std::min<size_t>(section_names[i].size(), 8));
    }
  }
  alignas(8) char bytes[2048];
};

TEST(IsModuleInstrumentedTest, NeedsBothSections) {
  struct Case {
    std::vector<std::string> sections;
    bool instrumented;
  };
  const Case kCases[] = {
      {{".text", ".thunks"}, false},
      {{".syzygy", ".text"}, false},
      {{".text", ".thunks", ".data", ".syzygy"}, true},
      // Compared over all 8 bytes: a longer name is a different name.
      {{".thunks2", ".syzygy"}, false},
      {{".thunk", ".syzygy"}, false},
  };
  for (const Case& test_case : kCases) {
    FakeImage image(test_case.sections);
    EXPECT_EQ(test_case.instrumented,
              internal::ImageHasInstrumentationSections(image.bytes))
        << test_case.sections.size() << " sections, first "
        << test_case.sections[0];
  }
  EXPECT_FALSE(IsModuleInstrumented());
}

// Empty input hashes to zero; 1- and 3-byte tails above 0x7F are read
// signed, so differing tails must not collide.
TEST(SuperFastHashTest, EmptyInputAndSignedTails) {
  EXPECT_EQ(0u, internal::SuperFastHash(nullptr, 8));
  EXPECT_EQ(0u, internal::SuperFastHash("abc", 0));
  EXPECT_EQ(0u, internal::SuperFastHash("abc", -1));
  EXPECT_NE(internal::SuperFastHash("\x01\x02\xff", 3),
            internal::SuperFastHash("\x01\x02\x7f", 3));
  EXPECT_NE(internal::SuperFastHash("\xff", 1),
            internal::SuperFastHash("\x7f", 1));
}

// The host executables stand in for the installer's host: each loads
// velto_installer.dll from bin/ and prints which verifier the library handed
// out (see testdata/handle_verifier_host.cc).
TEST(HandleVerifierHostTest, LibraryAdoptsTheHostsVerifier) {
  const struct {
    const wchar_t* executable;
    const char* verifier;
  } kHosts[] = {
      // The host's own verifier is the one table of the process.
      {L"handle_verifier_host_exporting", "host"},
      // A host handing out null, or without the export: the library's own,
      // which does not track since it cannot see the rest of the process.
      {L"handle_verifier_host_exporting_null", "library"},
      {L"handle_verifier_host_plain", "library"},
  };
  for (const auto& host : kHosts) {
    testing_support::ChildResult result =
        testing_support::RunChildProcess(L"\"" + testing_support::SelfFolder() +
                                         L"\\" + host.executable + L".exe\"");
    ASSERT_TRUE(result.started);
    EXPECT_EQ(0u, result.exit_code) << result.output;
    std::string output = result.output;
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    EXPECT_EQ(std::string("verifier: ") + host.verifier +
                  "\nstable: yes\ntracking: ignored\nclose: ok\n",
              output);
  }
}

}  // namespace
}  // namespace win
}  // namespace base
