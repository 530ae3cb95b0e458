#include "base/win/bitmap_allocation_failure.h"

#include <stdio.h>

#include <gtest/gtest.h>

#include "base/win/scoped_handle.h"

namespace base {
namespace win {
namespace {

// The fakes' answers. Each query writes a letter to standard error (G for a
// GUI count, M for memory), so a death test sees how far the diagnosis got.
DWORD g_gdi_objects = 0;
SIZE_T g_private_usage = 0;
SIZE_T g_pagefile_usage = 0;

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
  extended->PagefileUsage = g_pagefile_usage;
  return TRUE;
}

TEST(BitmapAllocationFailureDeathTest, StopsAtTheFirstExplanation) {
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  const GuiDiagnosticFunctions fakes = {&FakeGuiResources, &FakeMemoryInfo};
  internal::ScopedGuiDiagnosticFunctionsForTesting scoped_fakes(fakes);
  // Not a section: no bitmap can be made in it, of any size.
  ScopedHandle unusable_section(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  struct Case {
    const char* name;
    DWORD gdi_objects;
    SIZE_T private_usage;
    LONG width;
    LONG height;
    bool unusable_section;
    const char* trace;  // What the queries wrote, as a regular expression.
  } cases[] = {
      {"GDI count fails", 0, 0, 10, 10, false, "^GG$"},
      {"near the GDI quota", 9991, 0, 10, 10, false, "^GG$"},
      {"just below the GDI line", 9990, 0, 10, 10, false, "^GGMGG"},
      {"large private usage", 100, 1600u * 1024 * 1024, 10, 10, false, "^GGM$"},
      // Neither explains it. A bitmap of more than 100 pixels is tried again
      // at 5 by 5: when that fails too, the diagnosis stops there; else, and
      // for a small bitmap, the census counts every process (this one at
      // least).
      {"100 pixels, not retried", 100, 0, 10, -10, true, "^GGMGG"},
      {"101 pixels, retried", 100, 0, 101, -1, true, "^GGM$"},
      {"2^32 pixels, retried", 100, 0, 65536, 65536, true, "^GGM$"},
      {"retried small successfully", 100, 0, 2000, -2000, false, "^GGMGG"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    g_gdi_objects = test.gdi_objects;
    g_private_usage = test.private_usage;
    // Size, width, height, planes, bits per pixel, compression.
    BITMAPINFOHEADER header = {sizeof(header), test.width, test.height, 1, 32,
                               BI_RGB};
    EXPECT_DEATH(
        DiagnoseBitmapAllocationFailure(
            &header, test.unusable_section ? unusable_section.Get() : nullptr),
        test.trace);
  }
  g_gdi_objects = 100;
  EXPECT_DEATH(DiagnoseBitmapAllocationFailure(nullptr, nullptr), "^GGMGG");
  // A large page-file usage explains it as well as a large private one.
  g_pagefile_usage = 1600u * 1024 * 1024;
  EXPECT_DEATH(DiagnoseBitmapAllocationFailure(nullptr, nullptr), "^GGM$");
}

}  // namespace
}  // namespace win
}  // namespace base
