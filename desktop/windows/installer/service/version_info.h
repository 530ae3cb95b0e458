// What build this is: its stream, version numbers and the strings formed
// from them, fixed when the engine is built. The major version and the
// minor number also follow the product settings ("major_delta" and
// "use_quarlium_major_for_minor"), so those answers load them.
//
//   printf("%s%s\n", VersionInfo::GetFullVersion().c_str(),
//          VersionInfo::GetEditionString().c_str());
//   // 45.0.2522.0 (Edition developer)
//
// Beside it: the build identifier and channel that crash reports carry, and
// the name of their symbol package. Every function may be called from any
// thread.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_VERSION_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_VERSION_INFO_H_

#include <string>

#include "base/strings/string_piece.h"

namespace installer {

class VersionInfo {
 public:
  VersionInfo() = delete;

  // "developer".
  static std::string GetStreamName();
  // "20170303_190015".
  static std::string GetBuildTimestamp();
  // The major number of the upstream version this build is based on (58).
  static int GetQuarliumMajorVersion();
  // The build and patch numbers: "2522.0".
  static std::string GetBuildPatchString();
  // " (Edition developer)".
  static std::string GetEditionString();
  // The visible product name, one space and the stream name.
  static std::string GetVisibleNameWithStream();
  // The product settings' "product_name" and "user_agent_name".
  static std::string GetProductName();
  static std::string GetUserAgentName();
  // 45 plus the product settings' "major_delta".
  static int GetMajorVersion();
  // "major.minor.build.patch": 45.0.2522.0 with the standard settings. The
  // minor number is the upstream major number when the settings ask for it,
  // else 0. The two are the same.
  static std::string GetFullVersion();
  static std::string GetVersion();
  // The build number reported in statistics and crash annotations.
  static int GetBuildNumber();
  static int GetBuildCounter();
};

// The build date and the last six digits of the build counter:
// "20170303284921".
std::wstring GetBuildIdentifier();

// The crash-report channel: "nightly" for the Developer build channel,
// "release" for Stable, otherwise the stream name.
std::wstring GetCrashReportChannelName();

// "tests-syms" for the process named exactly "browser_tests", else
// "browser-syms".
std::wstring GetSymbolsPackageName(base::StringPiece16 process_name);

namespace internal {

// The identifier of a build with |counter| and |timestamp|: the first 8
// characters of the timestamp (padded with "0" on the right) followed by the
// counter cut or padded on the left with "0" to 6 digits.
std::wstring MakeBuildIdentifier(int counter, base::StringPiece16 timestamp);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_VERSION_INFO_H_
