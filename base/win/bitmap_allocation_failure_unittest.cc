#include "base/win/bitmap_allocation_failure.h"

#include <stdio.h>

#include <gtest/gtest.h>

namespace base {
namespace win {
namespace {

// The fakes' answers. Each query writes a letter to standard error (G for a
// GUI count, M for memory), so a death test sees how far the diagnosis got.
DWORD g_gdi_objects = 0;
SIZE_T g_private_usage = 0;

DWORD WINAPI FakeGuiResources(HANDLE, DWORD flags) {
  fputs("G", stderr);
  fflush(stderr);  // The diagnosis ends the process without flushing.
  return flags == GR_GDIOBJECTS ? g_gdi_objects : 10;
}

BOOL WINAPI FakeMemoryInfo(HANDLE, PROCESS_MEMORY_COUNTERS* counters,
                           DWORD size) {
  fputs("M", stderr);
  fflush(stderr);
  EXPECT_EQ(sizeof(PROCESS_MEMORY_COUNTERS_EX), size);
  auto* extended = reinterpret_cast<PROCESS_MEMORY_COUNTERS_EX*>(counters);
  extended->PrivateUsage = g_private_usage;
  return TRUE;
}

TEST(BitmapAllocationFailureDeathTest, StopsAtTheFirstExplanation) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  const GuiDiagnosticFunctions fakes = {&FakeGuiResources, &FakeMemoryInfo};
  ScopedGuiDiagnosticFunctionsForTesting scoped_fakes(fakes);
  struct Case {
    const char* name;
    DWORD gdi_objects;
    SIZE_T private_usage;
    LONG width;
    LONG height;
    const char* trace;  // What the queries wrote, as a regular expression.
  } cases[] = {
      {"GDI count fails", 0, 0, 10, 10, "^GG$"},
      {"near the GDI quota", 9991, 0, 10, 10, "^GG$"},
      {"large private usage", 100, 1600u * 1024 * 1024, 10, 10, "^GGM$"},
      // Neither explains it: the census counts every process (this one at
      // least) after a small bitmap was tried.
      {"small bitmap", 100, 0, 10, 10, "^GGMGG"},
      {"large bitmap retried small", 100, 0, 2000, -2000, "^GGMGG"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    g_gdi_objects = test.gdi_objects;
    g_private_usage = test.private_usage;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = test.width;
    header.biHeight = test.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    EXPECT_DEATH(DiagnoseBitmapAllocationFailure(&header, nullptr),
                 test.trace);
  }
  g_gdi_objects = 100;
  EXPECT_DEATH(DiagnoseBitmapAllocationFailure(nullptr, nullptr), "^GGMGG");
}

}  // namespace
}  // namespace win
}  // namespace base
