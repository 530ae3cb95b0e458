#include "base/win/bitmap_allocation_failure.h"

#include <stdint.h>
#include <stdlib.h>
#include <tlhelp32.h>

#include "base/immediate_crash.h"
#include "base/logging.h"
#include "base/win/scoped_handle.h"
#include "base/win/win_util.h"

namespace base {
namespace win {

namespace {

// Past this a process is near the system's 10,000 GDI object quota.
constexpr DWORD kNearGdiQuota = 9990;
// Past this much committed memory an allocation failure is unsurprising.
constexpr SIZE_T kLargeMemoryUsage = 1500u * 1024 * 1024;
// Bitmaps up to this many pixels count as small already.
constexpr int64_t kSmallBitmapPixels = 100;

const GuiDiagnosticFunctions kSystemFunctions = {
    &::GetGuiResources,
    &::GetProcessMemoryInfo,
};
const GuiDiagnosticFunctions* g_functions = &kSystemFunctions;

// Keeps |value| alive on the stack, so that a crash dump shows it.
template <typename T>
__attribute__((noinline)) void AliasForCrashDump(const T& value) {
  asm volatile("" : : "r"(&value) : "memory");
}

// Counts the GUI objects of every process (and of |parent_pid|'s children
// separately) for the crash report, then stops.
[[noreturn]] __attribute__((noinline)) void CrashWithGuiResourceCensus(
    DWORD parent_pid) {
  ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  CHECK(snapshot.IsValid());
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  CHECK(::Process32FirstW(snapshot.Get(), &entry));

  int process_count = 0;
  DWORD user_total = 0;
  DWORD gdi_total = 0;
  DWORD gdi_peak = 0;
  int child_count = 0;
  DWORD child_user_total = 0;
  DWORD child_gdi_total = 0;
  DWORD child_gdi_peak = 0;
  do {
    ScopedHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE,
                                       entry.th32ProcessID));
    if (!process.IsValid())
      continue;
    const DWORD user = g_functions->get_gui_resources(process.Get(),
                                                      GR_USEROBJECTS);
    const DWORD gdi = g_functions->get_gui_resources(process.Get(),
                                                     GR_GDIOBJECTS);
    ++process_count;
    user_total += user;
    gdi_total += gdi;
    if (gdi > gdi_peak)
      gdi_peak = gdi;
    if (entry.th32ParentProcessID == parent_pid) {
      ++child_count;
      child_user_total += user;
      child_gdi_total += gdi;
      if (gdi > child_gdi_peak)
        child_gdi_peak = gdi;
    }
  } while (::Process32NextW(snapshot.Get(), &entry));
  snapshot.Close();

  AliasForCrashDump(process_count);
  AliasForCrashDump(user_total);
  AliasForCrashDump(gdi_total);
  AliasForCrashDump(gdi_peak);
  AliasForCrashDump(child_count);
  AliasForCrashDump(child_user_total);
  AliasForCrashDump(child_gdi_total);
  AliasForCrashDump(child_gdi_peak);
  ImmediateCrash();
}

}  // namespace

void DiagnoseBitmapAllocationFailure(BITMAPINFOHEADER* header,
                                     HANDLE shared_section) {
  const DWORD last_error = ::GetLastError();
  const bool user32_and_gdi32_available = IsUser32AndGdi32Available();
  const LONG width = header ? header->biWidth : 0;
  const LONG height = header ? header->biHeight : 0;
  AliasForCrashDump(last_error);
  AliasForCrashDump(user32_and_gdi32_available);
  AliasForCrashDump(width);
  AliasForCrashDump(height);
  AliasForCrashDump(shared_section);

  const DWORD user_objects =
      g_functions->get_gui_resources(::GetCurrentProcess(), GR_USEROBJECTS);
  const DWORD gdi_objects =
      g_functions->get_gui_resources(::GetCurrentProcess(), GR_GDIOBJECTS);
  AliasForCrashDump(user_objects);
  AliasForCrashDump(gdi_objects);
  if (gdi_objects == 0) {
    // The count itself failed; why is the best clue left.
    const DWORD count_error = ::GetLastError();
    AliasForCrashDump(count_error);
    ImmediateCrash();
  }
  if (gdi_objects > kNearGdiQuota)
    ImmediateCrash();

  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (!g_functions->get_process_memory_info(
          ::GetCurrentProcess(),
          reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
          sizeof(memory))) {
    ImmediateCrash();
  }
  AliasForCrashDump(memory);
  if (memory.PagefileUsage > kLargeMemoryUsage ||
      memory.PrivateUsage > kLargeMemoryUsage) {
    ImmediateCrash();
  }

  // Integer overflow here would hide a huge bitmap; 64 bits cannot overflow.
  if (llabs(static_cast<int64_t>(height)) * width > kSmallBitmapPixels) {
    // A top-down 5 by 5 bitmap: if even that fails, size was not the cause.
    header->biWidth = 5;
    header->biHeight = -5;
    void* bits = nullptr;
    HBITMAP small_bitmap = ::CreateDIBSection(
        nullptr, reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS, &bits,
        shared_section, 0);
    if (!small_bitmap)
      ImmediateCrash();
    ::DeleteObject(small_bitmap);
  }

  CrashWithGuiResourceCensus(::GetCurrentProcessId());
}

namespace internal {

ScopedGuiDiagnosticFunctionsForTesting::ScopedGuiDiagnosticFunctionsForTesting(
    const GuiDiagnosticFunctions& functions)
    : previous_(g_functions), functions_(functions) {
  g_functions = &functions_;
}

ScopedGuiDiagnosticFunctionsForTesting::
    ~ScopedGuiDiagnosticFunctionsForTesting() {
  g_functions = previous_;
}

}  // namespace internal

}  // namespace win
}  // namespace base
