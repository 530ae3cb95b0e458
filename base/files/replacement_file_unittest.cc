#include "base/files/replacement_file.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_enumerator.h"
#include "base/files/file_test_util.h"
#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"
#include "testing/log_capture.h"

namespace base {
namespace {

using test::HoldOpenForTest;
using test::ReadForTest;

class ReplacementFileTest : public test::FileTestBase {
 protected:
  bool Exists(const std::wstring& relative) const {
    return PathExists(Path(relative));
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    FileEnumerator entries(FilePath(folder_.path()), false,
                           FileEnumerator::FILES, L"");
    for (FilePath path = entries.Next(); !path.empty(); path = entries.Next())
      names.push_back(path.BaseName().value());
    return names;
  }
  bool Write(ReplacementFile* replacement, const std::string& data) {
    return replacement->file().Write(0, data.data(),
                                     static_cast<int>(data.size())) ==
           static_cast<int>(data.size());
  }

  const FilePath target_ = Path(L"a.json");
};

// Leftovers of earlier writes of the target go first, unless still open;
// those of other targets, and names that only look alike, stay. The new file
// stays out of reach of the next writer's sweep, whatever letter case that
// writer spells the target in, until it is in place or dropped.
TEST_F(ReplacementFileTest, SweepsOnlyLeftoversAndNeverAWriteInProgress) {
  MakeFile(L"a.json", "old");
  MakeFile(L"a.json.0123abCD.tmp");
  const wchar_t* others[] = {
      L"a.json.11111111.tmp", L"a.json.bak.0123ABCD.tmp",
      L"a.json.0123ABC.tmp", L"a.json.0123ABCX.tmp", L"a.json.0123ABCD.tmp.x",
      // Digits and letters that are hexadecimal only outside ASCII.
      L"a.json.\xFF10\xFF11\xFF12\xFF13" L"ABCD.tmp",
      L"a.json.0123\xFF21\xFF22\xFF23\xFF24.tmp"};
  for (const wchar_t* other : others) MakeFile(other);
  ScopedHandle held(
      HoldOpenForTest(Path(others[0]), FILE_SHARE_READ | FILE_SHARE_WRITE));

  ReplacementFile first;
  ASSERT_TRUE(first.Create(target_));
  EXPECT_EQ(target_, first.target());
  EXPECT_EQ(FilePath(folder_.path()), first.path().DirName());
  const std::wstring name = first.path().BaseName().value();
  EXPECT_TRUE(name.size() == 19 && name.find(L"a.json.") == 0 &&
              name.rfind(L".tmp") == 15)
      << name;
  EXPECT_FALSE(Exists(L"a.json.0123abCD.tmp"));
  for (const wchar_t* other : others) EXPECT_TRUE(Exists(other)) << other;

  EXPECT_FALSE(::DeleteFileW(first.path().value().c_str()));
  ReplacementFile second, third;
  ASSERT_TRUE(second.Create(target_));
  ASSERT_TRUE(third.Create(Path(L"A.JSON")));
  ASSERT_TRUE(PathExists(first.path()));
  ASSERT_TRUE(Write(&first, "first"));
  ASSERT_TRUE(first.ReplaceTarget());
  EXPECT_EQ("first", ReadForTest(target_));
  EXPECT_FALSE(PathExists(first.path()));

  // Dropped without being put in place: deleted.
  const FilePath second_path = second.path();
  second = ReplacementFile();
  EXPECT_FALSE(PathExists(second_path));
  EXPECT_TRUE(PathExists(third.path()));

  ReplacementFile refused;
  EXPECT_FALSE(refused.Create(Path(L"missing\\a.json")));
  EXPECT_FALSE(refused.Create(Path(L"sub\\..\\a.json")));
  EXPECT_TRUE(refused.path().empty());
}

// While the target is missing, a leftover may be the only complete copy of
// its data (a swap that lost the target half-way keeps it so): it is not
// swept until a target stands there again.
TEST_F(ReplacementFileTest, LeftoversStayWhileTheTargetIsMissing) {
  MakeFile(L"a.json.0123ABCD.tmp", "the only copy");
  {
    ReplacementFile replacement;
    ASSERT_TRUE(replacement.Create(target_));
    EXPECT_EQ("the only copy", ReadForTest(Path(L"a.json.0123ABCD.tmp")));
    // A failed write: only its own file goes.
  }
  EXPECT_EQ(std::vector<std::wstring>{L"a.json.0123ABCD.tmp"}, Names());

  ReplacementFile replacement;
  ASSERT_TRUE(replacement.Create(target_));
  ASSERT_TRUE(Write(&replacement, "new"));
  ASSERT_TRUE(replacement.ReplaceTarget());
  EXPECT_TRUE(Exists(L"a.json.0123ABCD.tmp"));
  ReplacementFile next;
  ASSERT_TRUE(next.Create(target_));
  EXPECT_FALSE(Exists(L"a.json.0123ABCD.tmp"));
}

// The reader that keeps the target from being renamed over, and whether
// ReplaceFileW loses the target before it fails, as it may half-way.
HANDLE g_reader = INVALID_HANDLE_VALUE;
bool g_lose_target = false;

BOOL WINAPI RefuseToReplace(const wchar_t* replaced, const wchar_t*,
                            const wchar_t*, DWORD, void*, void*) {
  if (g_lose_target) {
    ::CloseHandle(g_reader);
    g_reader = INVALID_HANDLE_VALUE;
    ::DeleteFileW(replaced);
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    return FALSE;
  }
  ::SetLastError(ERROR_UNABLE_TO_REMOVE_REPLACED);
  return FALSE;
}

// Renames by path never happen, so that a file the swap has lost cannot be
// moved into its place either.
BOOL WINAPI RefuseToMove(const wchar_t*, const wchar_t*, DWORD) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

// A swap that cannot happen (a reader holds the target throughout, and
// ReplaceFileW cannot get past it either) leaves the target alone; the file
// is deleted, or stays where the writer keeps it. A swap that lost the
// target keeps the file by itself: it holds the only copy of the data.
TEST_F(ReplacementFileTest, FailedSwapDeletesOrKeepsTheFile) {
  internal::ScopedReplaceFileForTesting refusing(&RefuseToReplace);
  internal::ScopedMoveFileForTesting no_moves(&RefuseToMove);
  const struct {
    bool lose_target;
    bool keep;
    DWORD error;
  } cases[] = {
      {false, false, ERROR_UNABLE_TO_REMOVE_REPLACED},
      {false, true, ERROR_UNABLE_TO_REMOVE_REPLACED},
      {true, false, ERROR_UNABLE_TO_MOVE_REPLACEMENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lose_target << c.keep);
    MakeFile(L"a.json", "old");
    g_lose_target = c.lose_target;
    g_reader = HoldOpenForTest(target_, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, g_reader);
    FilePath path;
    {
      ReplacementFile replacement;
      ASSERT_TRUE(replacement.Create(target_));
      path = replacement.path();
      ASSERT_TRUE(Write(&replacement, "data"));
      EXPECT_FALSE(replacement.ReplaceTarget());
      EXPECT_EQ(c.error, ::GetLastError());
      EXPECT_FALSE(replacement.ReplaceTarget());  // Closed: refused at once.
      if (c.keep) replacement.Keep();
    }
    if (g_reader != INVALID_HANDLE_VALUE) ::CloseHandle(g_reader);
    g_reader = INVALID_HANDLE_VALUE;
    EXPECT_EQ(c.keep || c.lose_target, PathExists(path));
    if (!c.lose_target) {
      EXPECT_EQ("old", ReadForTest(target_));
    }
  }
  // The next writer's sweep clears what was kept.
  MakeFile(L"a.json", "old");
  ReplacementFile next;
  ASSERT_TRUE(next.Create(target_));
  EXPECT_EQ(2u, Names().size());
}

// A moved file has one owner. Whatever becomes of the object it was moved
// from, even after the new owner kept the file and went, the file stays and
// nothing tries to delete it; a file the new owner held before is dropped.
TEST_F(ReplacementFileTest, AMovedFileHasOneOwner) {
  testing_support::LogCapture log;
  for (bool assign : {false, true}) {
    SCOPED_TRACE(assign ? "move-assigned" : "move-constructed");
    auto source = std::make_unique<ReplacementFile>();
    ASSERT_TRUE(source->Create(target_));
    const FilePath path = source->path();
    ASSERT_TRUE(Write(source.get(), "kept"));
    {
      std::unique_ptr<ReplacementFile> owner;
      if (assign) {
        owner = std::make_unique<ReplacementFile>();
        ASSERT_TRUE(owner->Create(target_));
        const FilePath dropped = owner->path();
        *owner = std::move(*source);
        EXPECT_FALSE(PathExists(dropped));
      } else {
        owner = std::make_unique<ReplacementFile>(std::move(*source));
      }
      EXPECT_EQ(path, owner->path());
      EXPECT_EQ(target_, owner->target());
      EXPECT_TRUE(source->path().empty());
      owner->Keep();
    }
    source.reset();
    EXPECT_EQ("kept", ReadForTest(path));
  }
  EXPECT_EQ("", log.Text());
}

}  // namespace
}  // namespace base
