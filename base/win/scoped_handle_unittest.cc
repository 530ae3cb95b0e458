#include "base/win/scoped_handle.h"

#include <utility>

#include <gtest/gtest.h>

#include "base/win/windows_types.h"

namespace base {
namespace win {
namespace {

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// True while |handle| names an open object of this process.
bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != 0;
}

constexpr DWORD kMarkerError = 0x1234;

// Traits whose every call overwrites the last error, as a host's verifier or
// a failing close may: the holder itself must put the caller's error back.
struct ClobberingHandleTraits {
  using Handle = HANDLE;
  static bool CloseHandle(HANDLE handle) {
    ::CloseHandle(handle);
    ::SetLastError(ERROR_INVALID_HANDLE);
    return true;
  }
  static bool IsHandleValid(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
  }
  static HANDLE NullHandle() { return nullptr; }
};

struct ClobberingVerifierTraits {
  static void StartTracking(HANDLE, const void*, const void*, const void*) {
    ::SetLastError(ERROR_INVALID_HANDLE);
  }
  static void StopTracking(HANDLE, const void*, const void*, const void*) {
    ::SetLastError(ERROR_INVALID_HANDLE);
  }
};

// A failed open hands an invalid handle to the owner; its error, like the
// caller's error around every other operation, must still be readable. The
// owner itself keeps it: its traits here overwrite it on every call (those of
// ScopedHandle keep it too, which the verifier's tests check).
TEST(ScopedHandleTest, LastErrorSurvivesEveryOperation) {
  using Holder =
      GenericScopedHandle<ClobberingHandleTraits, ClobberingVerifierTraits>;
  ::SetLastError(kMarkerError);
  Holder failed_open(INVALID_HANDLE_VALUE);
  EXPECT_EQ(kMarkerError, ::GetLastError());

  HANDLE first = NewEvent();
  HANDLE second = NewEvent();
  ::SetLastError(kMarkerError);
  Holder holder(first);
  EXPECT_EQ(kMarkerError, ::GetLastError());
  ::SetLastError(kMarkerError);
  holder.Set(second);  // Stops tracking and closes the first one.
  EXPECT_EQ(kMarkerError, ::GetLastError());
  ::SetLastError(kMarkerError);
  HANDLE taken = holder.Take();
  EXPECT_EQ(kMarkerError, ::GetLastError());
  holder.Set(taken);
  ::SetLastError(kMarkerError);
  holder.Close();
  EXPECT_EQ(kMarkerError, ::GetLastError());
  EXPECT_FALSE(IsOpen(taken));
}

// Null and invalid own nothing. Exactly one owner closes a handle, exactly
// once: on Set of another, on destruction, never after Take.
TEST(ScopedHandleTest, OwnershipMovesAndCloses) {
  for (HANDLE nothing : {HANDLE{nullptr}, INVALID_HANDLE_VALUE}) {
    ScopedHandle empty(nothing);
    EXPECT_EQ(nullptr, empty.Take());
    empty.Close();  // Closes nothing and reports nothing.
  }

  HANDLE first = NewEvent();
  HANDLE second = NewEvent();
  {
    ScopedHandle handle(first);
    handle.Set(first);  // The handle already owned: above all no close.
    EXPECT_TRUE(IsOpen(first));
    handle.Set(second);
    EXPECT_FALSE(IsOpen(first));
  }
  EXPECT_FALSE(IsOpen(second));

  HANDLE event = NewEvent();
  // The owner ends with the statement, after giving the handle up.
  const HANDLE taken = ScopedHandle(event).Take();
  EXPECT_EQ(event, taken);
  EXPECT_TRUE(IsOpen(event));
  // Released from tracking too: a new owner may take it.
  ScopedHandle owner(taken);
  ScopedHandle moved(std::move(owner));
  EXPECT_FALSE(owner.IsValid());
  ScopedHandle assigned;
  assigned = std::move(moved);
  EXPECT_FALSE(moved.IsValid());
  assigned = std::move(assigned);  // Self-move keeps the handle.
  EXPECT_EQ(event, assigned.Get());
  EXPECT_TRUE(IsOpen(event));
  assigned.Set(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(IsOpen(event));
}

}  // namespace
}  // namespace win
}  // namespace base
