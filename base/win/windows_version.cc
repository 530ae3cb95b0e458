#include "base/win/windows_version.h"

#include <atomic>

#include "base/win/windows_types.h"

namespace base {
namespace win {

namespace {

// The record every caller shares; set once and never freed.
std::atomic<const WindowsVersionInfo*> g_published_info{nullptr};

// Set only while a ScopedWindowsVersionForTesting is alive.
std::atomic<const WindowsVersionInfo*> g_testing_info{nullptr};

// The first 10.x build after the original Windows 10 release.
constexpr int32_t kWin10Th2Build = 10586;

}  // namespace

// static
WindowsVersion WindowsVersionInfo::VersionFromNumbers(int32_t major,
                                                      int32_t minor,
                                                      int32_t build) {
  if (major == 5) {
    if (minor <= 0)
      return VERSION_PRE_XP;
    return minor == 1 ? VERSION_XP : VERSION_SERVER_2003;
  }
  if (major == 6) {
    switch (minor) {
      case 0:
        return VERSION_VISTA;
      case 1:
        return VERSION_WIN7;
      case 2:
        return VERSION_WIN8;
      default:
        return VERSION_WIN8_1;
    }
  }
  if (major == 10)
    return build < kWin10Th2Build ? VERSION_WIN10 : VERSION_WIN10_TH2;
  return major > 6 ? VERSION_WIN_LAST : VERSION_PRE_XP;
}

// static
WindowsVersionInfo WindowsVersionInfo::ReadFromSystem() {
  WindowsVersionInfo info;

  OSVERSIONINFOEXW version_info = {};
  version_info.dwOSVersionInfoSize = sizeof(version_info);
  ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version_info));
  info.major = static_cast<int32_t>(version_info.dwMajorVersion);
  info.minor = static_cast<int32_t>(version_info.dwMinorVersion);
  info.build = static_cast<int32_t>(version_info.dwBuildNumber);
  info.version = VersionFromNumbers(info.major, info.minor, info.build);
  info.service_pack_major = version_info.wServicePackMajor;
  info.service_pack_minor = version_info.wServicePackMinor;

  // The native record, so a 32-bit build on 64-bit Windows still reports x64.
  SYSTEM_INFO system_info = {};
  ::GetNativeSystemInfo(&system_info);
  switch (system_info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      info.architecture = X86_ARCHITECTURE;
      break;
    case PROCESSOR_ARCHITECTURE_AMD64:
      info.architecture = X64_ARCHITECTURE;
      break;
    case PROCESSOR_ARCHITECTURE_IA64:
      info.architecture = IA64_ARCHITECTURE;
      break;
    default:
      info.architecture = OTHER_ARCHITECTURE;
      break;
  }
  info.processor_count = static_cast<int32_t>(system_info.dwNumberOfProcessors);
  return info;
}

// static
const WindowsVersionInfo* WindowsVersionInfo::GetInstance() {
  if (const WindowsVersionInfo* testing = g_testing_info.load())
    return testing;
  const WindowsVersionInfo* published = g_published_info.load();
  if (published)
    return published;

  // Racing first callers each build a full record; one wins the publication
  // and the others drop theirs, so everyone sees the same record.
  auto* built = new WindowsVersionInfo(ReadFromSystem());
  if (g_published_info.compare_exchange_strong(published, built))
    return built;
  delete built;
  return published;
}

WindowsVersion GetWindowsVersion() {
  return WindowsVersionInfo::GetInstance()->version;
}

namespace internal {

ScopedWindowsVersionForTesting::ScopedWindowsVersionForTesting(
    const WindowsVersionInfo& info)
    : info_(info), previous_(g_testing_info.exchange(&info_)) {}

ScopedWindowsVersionForTesting::~ScopedWindowsVersionForTesting() {
  g_testing_info.store(previous_);
}

}  // namespace internal

}  // namespace win
}  // namespace base
