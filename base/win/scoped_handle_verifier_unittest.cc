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

// A second handle of this process, protected from closing.
HANDLE NewProtectedProcessHandle() {
  HANDLE process = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(),
                         ::GetCurrentProcess(), &process, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  ::SetHandleInformation(process, HANDLE_FLAG_PROTECT_FROM_CLOSE,
                         HANDLE_FLAG_PROTECT_FROM_CLOSE);
  return process;
}

void Unprotect(HANDLE handle) {
  ::SetHandleInformation(handle, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
}

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != 0;
}

// The test executable carries this code and so exports GetHandleVerifier:
// the process verifier is its own, and it tracks.
TEST(HandleVerifierTest, MainExecutableGetsAnEnabledVerifier) {
  HandleVerifier* verifier = GetHandleVerifier();
  ASSERT_NE(nullptr, verifier);
  EXPECT_EQ(::GetModuleHandleW(nullptr), verifier->GetModule());
  EXPECT_EQ(verifier, GetHandleVerifier());
  EXPECT_TRUE(static_cast<ScopedHandleVerifier*>(verifier)->enabled());
  auto exported = reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(nullptr), "GetHandleVerifier"));
  EXPECT_EQ(reinterpret_cast<void*>(&GetHandleVerifier), exported);
}

using HandleVerifierDeathTest = ::testing::Test;

TEST_F(HandleVerifierDeathTest, TrackingAHandleTwiceStops) {
  EXPECT_DEATH(
      {
        HANDLE event = NewEvent();
        ScopedHandle first(event);
        ScopedHandle second(event);
      },
      "");
}

TEST_F(HandleVerifierDeathTest, ReleaseByTheWrongOwnerStops) {
  EXPECT_DEATH(
      {
        ScopedHandle owner(NewEvent());
        int stranger = 0;
        StopHandleTracking(owner.Get(), &stranger, nullptr, nullptr);
      },
      "");
}

TEST_F(HandleVerifierDeathTest, ReleasingAnUntrackedHandleStops) {
  EXPECT_DEATH(
      {
        int owner = 0;
        StopHandleTracking(NewEvent(), &owner, nullptr, nullptr);
      },
      "");
}

TEST_F(HandleVerifierDeathTest, ClosingAClosedHandleStops) {
  EXPECT_DEATH(
      {
        HANDLE event = NewEvent();
        VerifierCloseHandle(event);
        VerifierCloseHandle(event);
      },
      "");
}

TEST_F(HandleVerifierDeathTest, ClosingBehindTheOwnersBackStops) {
  EXPECT_DEATH(
      {
        ScopedHandle owner(NewEvent());
        GetHandleVerifier()->OnHandleBeingClosed(owner.Get());
      },
      "");
}

TEST(HandleVerifierTest, CloseHookIgnoresUntrackedHandles) {
  HANDLE event = NewEvent();
  GetHandleVerifier()->OnHandleBeingClosed(event);
  EXPECT_TRUE(VerifierCloseHandle(event));
}

TEST(HandleVerifierTest, ProtectedProcessHandleRefusesCloseWithoutHarm) {
  HANDLE process = NewProtectedProcessHandle();
  ASSERT_NE(nullptr, process);
  // Through the process verifier (enabled) and a disabled one: both report
  // the refusal and neither stops the process.
  EXPECT_FALSE(VerifierCloseHandle(process));
  ScopedHandleVerifier disabled(false);
  EXPECT_FALSE(disabled.CloseHandle(process));
  EXPECT_TRUE(IsOpen(process));
  Unprotect(process);
  EXPECT_TRUE(VerifierCloseHandle(process));
}

TEST_F(HandleVerifierDeathTest, OnlyProcessHandlesMayBeProtected) {
  // A protected event is not the tolerated case.
  EXPECT_DEATH(
      {
        HANDLE event = NewEvent();
        ::SetHandleInformation(event, HANDLE_FLAG_PROTECT_FROM_CLOSE,
                               HANDLE_FLAG_PROTECT_FROM_CLOSE);
        VerifierCloseHandle(event);
      },
      "");
}

TEST(HandleVerifierTest, DisabledVerifierOnlyCloses) {
  ScopedHandleVerifier verifier(false);
  HANDLE event = NewEvent();
  int owner = 0;
  int stranger = 0;
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.StopTracking(event, &stranger, nullptr, nullptr);
  verifier.StopTracking(NewEvent(), &owner, nullptr, nullptr);
  verifier.OnHandleBeingClosed(event);
  EXPECT_TRUE(verifier.CloseHandle(event));
  EXPECT_FALSE(IsOpen(event));
}

TEST(HandleVerifierTest, DisableStopsTracking) {
  ScopedHandleVerifier verifier(true);
  HANDLE event = NewEvent();
  int owner = 0;
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.Disable();
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  EXPECT_TRUE(verifier.CloseHandle(event));
}

TEST(HandleVerifierTest, TrackingOperationsKeepTheLastError) {
  ScopedHandleVerifier verifier(true);
  HANDLE event = NewEvent();
  ScopedHandle untracked(NewEvent());
  int owner = 0;
  ::SetLastError(0x4321);
  verifier.StartTracking(event, &owner, nullptr, nullptr);
  verifier.OnHandleBeingClosed(untracked.Get());
  verifier.StopTracking(event, &owner, nullptr, nullptr);
  verifier.CloseHandle(event);
  EXPECT_EQ(0x4321u, ::GetLastError());
}

TEST(HandleVerifierTest, ManyThreadsShareTheTable) {
  // Each thread opens, moves and closes its own handles; the table grows far
  // beyond its first 8 buckets and must lose no entry on the way.
  constexpr int kThreads = 8;
  constexpr int kHandlesPerThread = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([] {
      std::vector<ScopedHandle> handles;
      for (int i = 0; i < kHandlesPerThread; ++i)
        handles.emplace_back(NewEvent());
      std::vector<ScopedHandle> moved(kHandlesPerThread);
      for (int i = 0; i < kHandlesPerThread; ++i)
        moved[i] = std::move(handles[i]);
    });
  }
  for (std::thread& thread : threads)
    thread.join();
}

TEST(StackTraceTest, CapturesUpToTheRequestedCount) {
  StackTrace full;
  EXPECT_GT(full.count(), 1u);
  EXPECT_LE(full.count(), StackTrace::kMaxFrames);
  StackTrace one(1);
  EXPECT_EQ(1u, one.count());
  StackTrace too_many(1000);
  EXPECT_LE(too_many.count(), StackTrace::kMaxFrames);
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
      {{".text", ".data"}, false},
      {{".text", ".thunks"}, false},
      {{".syzygy", ".text"}, false},
      {{".text", ".thunks", ".data", ".syzygy"}, true},
      {{".syzygy", ".thunks"}, true},
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

TEST(SuperFastHashTest, EmptyInputHashesToZero) {
  EXPECT_EQ(0u, internal::SuperFastHash(nullptr, 8));
  EXPECT_EQ(0u, internal::SuperFastHash("abc", 0));
  EXPECT_EQ(0u, internal::SuperFastHash("abc", -1));
}

TEST(SuperFastHashTest, TailBytesAreSigned) {
  // A 1- or 3-byte tail above 0x7F must hash differently from its unsigned
  // reading; differing tails must not collide.
  const char high_tail[] = {'\x01', '\x02', '\xff'};
  const char low_tail[] = {'\x01', '\x02', '\x7f'};
  EXPECT_NE(internal::SuperFastHash(high_tail, 3),
            internal::SuperFastHash(low_tail, 3));
  EXPECT_NE(internal::SuperFastHash("\xff", 1),
            internal::SuperFastHash("\x7f", 1));
}

// The host executables stand in for the installer's host: each loads
// velto_installer.dll from bin/ and prints which verifier the library handed
// out (see testdata/handle_verifier_host.cc).
struct HostCase {
  const wchar_t* executable;
  const char* expected_output;
};

class HandleVerifierHostTest : public ::testing::TestWithParam<HostCase> {};

TEST_P(HandleVerifierHostTest, LibraryAdoptsTheHostsVerifier) {
  const HostCase& host = GetParam();
  testing_support::ChildResult result = testing_support::RunChildProcess(
      L"\"" + testing_support::SelfFolder() + L"\\" + host.executable +
      L".exe\"");
  ASSERT_TRUE(result.started);
  EXPECT_EQ(0u, result.exit_code) << result.output;
  std::string output = result.output;
  output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
  EXPECT_EQ(host.expected_output, output);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, HandleVerifierHostTest,
    ::testing::Values(
        // The host's own verifier is the one table of the process.
        HostCase{L"handle_verifier_host_exporting",
                 "verifier: host\nstable: yes\ntracking: ignored\n"
                 "close: ok\n"},
        // A host whose function hands out nothing: the library's own,
        // which does not track.
        HostCase{L"handle_verifier_host_exporting_null",
                 "verifier: library\nstable: yes\ntracking: ignored\n"
                 "close: ok\n"},
        // A host without the export: the library's own, not tracking, since
        // it cannot see the handles of the rest of the process.
        HostCase{L"handle_verifier_host_plain",
                 "verifier: library\nstable: yes\ntracking: ignored\n"
                 "close: ok\n"}));

}  // namespace
}  // namespace win
}  // namespace base
