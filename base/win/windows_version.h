// The running Windows release, read once per process.
//
// Every decision that depends on the Windows release goes through
// GetWindowsVersion() or the fields of the one WindowsVersionInfo record:
//
//   if (base::win::GetWindowsVersion() >= base::win::VERSION_WIN8) ...
//   bool x64 = base::win::WindowsVersionInfo::GetInstance()->architecture ==
//              base::win::WindowsVersionInfo::X64_ARCHITECTURE;
//
// The enum's values and their order are fixed: callers compare them with <
// and >=, and registry rows store them as minimum versions.
#ifndef BASE_WIN_WINDOWS_VERSION_H_
#define BASE_WIN_WINDOWS_VERSION_H_

#include <stdint.h>

namespace base {
namespace win {

// Windows releases in release order.
enum WindowsVersion : int32_t {
  VERSION_PRE_XP = 0,      // Windows 2000 and older.
  VERSION_XP = 1,
  VERSION_SERVER_2003 = 2, // Also XP Professional x64 and other 5.2 systems.
  VERSION_VISTA = 3,       // Also Server 2008.
  VERSION_WIN7 = 4,        // Also Server 2008 R2.
  VERSION_WIN8 = 5,
  VERSION_WIN8_1 = 6,      // Any 6.x from 6.3 on.
  VERSION_WIN10 = 7,       // 10.x before build 10586.
  VERSION_WIN10_TH2 = 8,   // 10.x from build 10586 on.
  VERSION_WIN_LAST = 9,    // A later release this code does not know.
};

// The process-wide record of the running release. Built on first use by
// whichever thread asks first and never changed or freed afterwards; any
// thread may read it without locking.
struct WindowsVersionInfo {
  enum Architecture : int32_t {
    X86_ARCHITECTURE = 0,
    X64_ARCHITECTURE = 1,
    IA64_ARCHITECTURE = 2,
    OTHER_ARCHITECTURE = 3,
  };

  // The published record (or the one a ScopedWindowsVersionForTesting put in
  // its place).
  static const WindowsVersionInfo* GetInstance();

  // Classifies the numbers that GetVersionExW reports.
  static WindowsVersion VersionFromNumbers(int32_t major, int32_t minor,
                                           int32_t build);

  // Reads the running system: GetVersionExW and GetNativeSystemInfo.
  static WindowsVersionInfo ReadFromSystem();

  WindowsVersion version = VERSION_PRE_XP;
  int32_t major = 0;
  int32_t minor = 0;
  int32_t build = 0;
  int32_t service_pack_major = 0;
  int32_t service_pack_minor = 0;
  Architecture architecture = OTHER_ARCHITECTURE;
  int32_t processor_count = 0;  // Of the native system.
};

// The version field of the process-wide record.
WindowsVersion GetWindowsVersion();

namespace internal {

// For tests only: makes GetInstance() return |info| for the scope's life, so
// that version-dependent code can be driven down each of its branches.
// Scopes must not overlap across threads; nested scopes restore in order.
class ScopedWindowsVersionForTesting {
 public:
  explicit ScopedWindowsVersionForTesting(const WindowsVersionInfo& info);
  ~ScopedWindowsVersionForTesting();
  ScopedWindowsVersionForTesting(const ScopedWindowsVersionForTesting&) =
      delete;
  ScopedWindowsVersionForTesting& operator=(
      const ScopedWindowsVersionForTesting&) = delete;

 private:
  WindowsVersionInfo info_;
  const WindowsVersionInfo* previous_;
};

}  // namespace internal

}  // namespace win

using win::GetWindowsVersion;
using win::WindowsVersion;
using win::WindowsVersionInfo;

}  // namespace base

#endif  // BASE_WIN_WINDOWS_VERSION_H_
