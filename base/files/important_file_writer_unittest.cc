#include "base/files/important_file_writer.h"

#include <stdint.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/bind.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_test_util.h"
#include "base/files/file_util.h"
#include "base/files/testdata/important_file_writer_generation.h"
#include "base/metrics/histogram_test_util.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/rand_util.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/win/scoped_handle.h"
#include "testing/child_process.h"
#include "testing/log_capture.h"
#include "testing/mock_time_task_runner.h"
#include "testing/queue_thread.h"
#include "testing/run_together.h"

namespace base {
namespace {

using test::ReadForTest;
using testing_support::WriteFileForTest;

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
  std::vector<std::wstring> names;
  FileEnumerator entries(FilePath(folder), false,
                         FileEnumerator::FILES | FileEnumerator::DIRECTORIES,
                         L"");
  for (FilePath path = entries.Next(); !path.empty(); path = entries.Next())
    names.push_back(path.BaseName().value());
  return names;
}

class ImportantFileWriterTest : public test::FileTestBase {
 protected:
  void ExpectOnlyTarget() {
    EXPECT_EQ(std::vector<std::wstring>{L"prefs.json"},
              ListFolder(folder_.path()));
  }
  int64_t Failures(int code) {
    return GetHistogramSampleCount("ImportantFile.TempFileFailures", code);
  }

  const FilePath target_ = Path(L"prefs.json");
};

// A failed write leaves nothing behind; a target that climbs out of its
// folder ("sub\..\prefs.json") is refused before anything is created. The
// next write goes through, an empty one too (the kill test writes large
// ones). "sub" need not exist: the path is resolved as text.
TEST_F(ImportantFileWriterTest, FailedCreateOrOpenLeavesNothingBehind) {
  ASSERT_TRUE(WriteFileForTest(target_.value(), "old"));
  const struct {
    const wchar_t* target;
    int failure;
  } cases[] = {{L"missing\\a.json", 0}, {L"sub\\..\\prefs.json", 0}};
  for (const auto& c : cases) {
    const int64_t before = Failures(c.failure);
    EXPECT_FALSE(
        ImportantFileWriter::WriteFileAtomically(Path(c.target), "new"));
    EXPECT_EQ(before + 1, Failures(c.failure)) << c.target;
  }
  EXPECT_EQ("old", ReadForTest(target_));
  ExpectOnlyTarget();
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(target_, ""));
  EXPECT_EQ("", ReadForTest(target_));
}

// What the fake ReplaceFileW does before it fails.
struct FakeReplace {
  // Whether the old file is gone, as after a removal or a rename away.
  bool target_lost;
  DWORD error;
  // Holds the new file open, so that moving it into place fails too.
  bool hold_replacement;
};
FakeReplace g_fake_replace;
// Holds the target open so that the rename over it is refused and the
// writer falls back on ReplaceFileW.
HANDLE g_held_target = INVALID_HANDLE_VALUE;
ScopedHandle g_held_replacement;

BOOL WINAPI FailingReplaceFile(const wchar_t* replaced,
                               const wchar_t* replacement, const wchar_t*,
                               DWORD, void*, void*) {
  ::CloseHandle(g_held_target);
  g_held_target = INVALID_HANDLE_VALUE;
  if (g_fake_replace.target_lost) ::DeleteFileW(replaced);
  if (g_fake_replace.hold_replacement) {
    g_held_replacement.Set(test::HoldOpenForTest(
        FilePath(replacement), FILE_SHARE_READ | FILE_SHARE_WRITE));
  }
  ::SetLastError(g_fake_replace.error);
  return FALSE;
}

// When the swap fails the old content stays and the temporary file goes,
// except where ReplaceFileW may have lost the old file already: then the
// new data takes its place, or when even that fails, stays in a temporary
// file named after the target. That file may be the only copy left, so the
// next write leaves it alone while no target stands; the write after that
// clears it away.
TEST_F(ImportantFileWriterTest, FailedSwapNeverLosesBothContents) {
  struct Case {
    FakeReplace fake;
    const char* target;  // null: no target left
  } cases[] = {
      {{true, ERROR_UNABLE_TO_MOVE_REPLACEMENT, false}, "new"},
      {{true, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, false}, "new"},
      {{false, ERROR_UNABLE_TO_MOVE_REPLACEMENT, false}, "old"},
      {{true, ERROR_UNABLE_TO_MOVE_REPLACEMENT, true}, nullptr},
  };
  internal::ScopedReplaceFileForTesting fake(&FailingReplaceFile);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fake.error);
    ASSERT_TRUE(WriteFileForTest(target_.value(), "old"));
    g_fake_replace = c.fake;
    g_held_target =
        test::HoldOpenForTest(target_, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, g_held_target);
    const bool succeeds = c.target && std::string(c.target) == "new";
    const int64_t before = Failures(4);
    EXPECT_EQ(succeeds,
              ImportantFileWriter::WriteFileAtomically(target_, "new"));
    g_held_replacement.Close();
    EXPECT_EQ(INVALID_HANDLE_VALUE, g_held_target) << "ReplaceFileW not tried";
    EXPECT_EQ(before + (succeeds ? 0 : 1), Failures(4));
    if (c.target) {
      EXPECT_EQ(c.target, ReadForTest(target_));
      ExpectOnlyTarget();
    } else {
      std::vector<std::wstring> names = ListFolder(folder_.path());
      ASSERT_EQ(1u, names.size());
      EXPECT_EQ(0u, names[0].find(L"prefs.json.")) << names[0];
      EXPECT_EQ("new", ReadForTest(Path(names[0])));
    }
  }
  const std::vector<std::wstring> kept = ListFolder(folder_.path());
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(target_, "next"));
  std::vector<std::wstring> names = ListFolder(folder_.path());
  ASSERT_EQ(2u, names.size());
  EXPECT_NE(names.end(), std::find(names.begin(), names.end(), kept[0]));
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(target_, "last"));
  EXPECT_EQ("last", ReadForTest(target_));
  ExpectOnlyTarget();
}

// Two writers of one file, one of them spelling its name in capitals, lose
// no write to each other: neither deletes the other's temporary file while
// it is written, and the file ends with one of their last writes, whole.
TEST_F(ImportantFileWriterTest, ConcurrentWritersLoseNothing) {
  ASSERT_TRUE(ImportantFileWriter::WriteFileAtomically(target_, "start"));
  constexpr int kWrites = 300;
  const FilePath paths[] = {target_, Path(L"PREFS.JSON")};
  int failures[2] = {0, 0};
  testing_support::RunOnThreadsTogether(2, [&](int writer) {
    for (int i = 0; i < kWrites; ++i) {
      const std::string data(1000 + i, static_cast<char>('a' + writer));
      if (!ImportantFileWriter::WriteFileAtomically(paths[writer], data))
        ++failures[writer];
    }
  });
  EXPECT_EQ(0, failures[0]);
  EXPECT_EQ(0, failures[1]);
  const std::string contents = ReadForTest(target_);
  EXPECT_TRUE(contents == std::string(1000 + kWrites - 1, 'a') ||
              contents == std::string(1000 + kWrites - 1, 'b'))
      << contents.size() << " bytes";
  EXPECT_EQ(1u, ListFolder(folder_.path()).size());
}

class TestSerializer : public ImportantFileWriter::DataSerializer {
 public:
  bool SerializeData(std::string* output) override {
    ++calls;
    *output = data;
    return succeeds;
  }
  std::string data;
  bool succeeds = true;
  int calls = 0;
};

// The test thread has no task runner, so no commit timer can run there.
TEST_F(ImportantFileWriterTest, WithoutLoopEachChangeIsWrittenAndSaidOnce) {
  testing_support::QueueThread worker;
  ImportantFileWriter writer(target_, worker.task_runner());
  TestSerializer serializer;
  testing_support::LogCapture log;
  for (const char* data : {"a", "b", "c"}) {
    serializer.data = data;
    writer.ScheduleWrite(&serializer);
    EXPECT_FALSE(writer.HasPendingWrite());
    ASSERT_TRUE(worker.RunAndWait(Bind([] {})));
    EXPECT_EQ(data, ReadForTest(target_));
  }
  EXPECT_EQ(1u, log.Count(logging::LOG_WARNING)) << log.Text();

  // WriteNow writes on the runner, or here when the runner refuses.
  writer.WriteNow(std::make_unique<std::string>("queued"));
  ASSERT_TRUE(worker.RunAndWait(Bind([] {})));
  EXPECT_EQ("queued", ReadForTest(target_));
  worker.Stop();
  writer.WriteNow(std::make_unique<std::string>("refused"));
  EXPECT_EQ("refused", ReadForTest(target_));
}

// Changes within the interval are committed once, by the last serializer;
// WriteNow cancels a scheduled write; a failed serialization ends the
// schedule, so the timer cannot fire later with no serializer. The commit
// timer runs on the test thread's runner, here a mock clock that also
// performs the writes.
TEST_F(ImportantFileWriterTest, ScheduledWritesCommitOnceAtMost) {
  scoped_refptr<testing_support::MockTimeTaskRunner> runner(
      new testing_support::MockTimeTaskRunner);
  ThreadTaskRunnerHandle handle(runner);
  ImportantFileWriter writer(target_, runner);
  TestSerializer first, second;
  writer.ScheduleWrite(&first);
  runner->FastForwardBy(TimeDelta::FromSeconds(8));
  second.data = "c";
  writer.ScheduleWrite(&second);
  // The interval runs from the first change, not the last.
  runner->FastForwardBy(TimeDelta::FromMilliseconds(1999));
  EXPECT_TRUE(writer.HasPendingWrite());
  EXPECT_FALSE(PathExists(target_));
  runner->FastForwardBy(TimeDelta::FromMilliseconds(1));
  EXPECT_FALSE(writer.HasPendingWrite());
  EXPECT_EQ("c", ReadForTest(target_));
  EXPECT_EQ(0, first.calls);
  EXPECT_EQ(1, second.calls);

  writer.ScheduleWrite(&first);
  writer.WriteNow(std::make_unique<std::string>("now"));
  runner->FastForwardBy(TimeDelta::FromSeconds(30));
  EXPECT_EQ("now", ReadForTest(target_));
  EXPECT_EQ(0, first.calls);

  // A failed serialization.
  second.succeeds = false;
  writer.ScheduleWrite(&second);
  writer.DoScheduledWrite();
  EXPECT_FALSE(writer.HasPendingWrite());
  runner->FastForwardBy(TimeDelta::FromSeconds(30));
  writer.DoScheduledWrite();
  EXPECT_EQ(2, second.calls);
  EXPECT_EQ("now", ReadForTest(target_));
}

// A child writes generation after generation and is killed at random
// moments. Whenever it dies, the target holds one whole generation, never an
// older one than already seen, and at most the one temporary file of the
// write in flight is left; the last writer leaves none.
TEST_F(ImportantFileWriterTest, KilledWriterLeavesOneWholeGeneration) {
  using important_file_writer_test::CheckGeneration;
  constexpr int kKills = 200;
  constexpr int kMaxDelayMicroseconds = 25000;
  const std::wstring child =
      testing_support::SelfFolder() + L"\\important_file_writer_child.exe";
  const std::wstring event_name = L"Local\\important_file_writer_kill_" +
                                  std::to_wstring(::GetCurrentProcessId());
  ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, event_name.c_str()));
  ASSERT_TRUE(ready.IsValid());
  auto command = [&](uint64_t first, int count) {
    return L"\"" + child + L"\" \"" + target_.value() + L"\" " +
           std::to_wstring(first) + L" " + std::to_wstring(count) + L" " +
           event_name;
  };
  ASSERT_TRUE(ImportantFileWriter::WriteFileAtomically(
      target_, important_file_writer_test::MakeGeneration(0)));

  int64_t last_generation = 0;
  int kills_after_a_write = 0;
  for (int kill = 1; kill <= kKills; ++kill) {
    SCOPED_TRACE(kill);
    const uint64_t first = static_cast<uint64_t>(kill) * 1000000;
    ::ResetEvent(ready.Get());
    // Starting hundreds of processes back to back, Wine now and then fails
    // a start with an internal error; a start is not what is tested here.
    Process writer;
    for (int attempt = 0; attempt < 3 && !writer.IsValid(); ++attempt)
      writer = LaunchProcess(command(first, 0), LaunchOptions());
    ASSERT_TRUE(writer.IsValid());
    HANDLE waits[] = {ready.Get(), writer.Handle()};
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, waits, FALSE, 20000));
    // Spin rather than sleep: the moment should not fall on a tick.
    const TimeTicks kill_time =
        TimeTicks::Now() +
        TimeDelta::FromMicroseconds(RandInt(0, kMaxDelayMicroseconds));
    while (TimeTicks::Now() < kill_time) {
    }
    ASSERT_TRUE(::TerminateProcess(writer.Handle(), 9));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(writer.Handle(), 20000));

    const std::string contents = ReadForTest(target_);
    const int64_t generation = CheckGeneration(contents);
    ASSERT_GE(generation, 0) << contents.size() << " bytes";
    ASSERT_GE(generation, last_generation);
    if (generation >= static_cast<int64_t>(first)) ++kills_after_a_write;
    last_generation = generation;

    // Besides the target, at most the temporary file of the write that was
    // in flight: every write clears away what the killed ones left.
    std::vector<std::wstring> names = ListFolder(folder_.path());
    ASSERT_LE(names.size(), 2u);
  }
  // Without kills between writes the test would prove nothing.
  EXPECT_GE(kills_after_a_write, kKills / 10);

  // A writer that ends normally leaves its last generation and nothing else.
  const uint64_t first = static_cast<uint64_t>(kKills + 1) * 1000000;
  testing_support::ChildResult result =
      testing_support::RunChildProcess(command(first, 3));
  ASSERT_TRUE(result.started);
  EXPECT_EQ(0u, result.exit_code) << result.output;
  EXPECT_EQ(static_cast<int64_t>(first + 2),
            CheckGeneration(ReadForTest(target_)));
  ExpectOnlyTarget();
}

}  // namespace
}  // namespace base
