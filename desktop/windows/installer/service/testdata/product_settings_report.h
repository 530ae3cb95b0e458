// What every named settings getter, the settings-based version strings and
// the product's environment-variable names answer, one "name=value" line
// each: printed by the host stand-in and compared by the product settings
// tests.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TESTDATA_PRODUCT_SETTINGS_REPORT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TESTDATA_PRODUCT_SETTINGS_REPORT_H_

#include <string>
#include <utility>

#include "desktop/windows/installer/service/product_environment.h"
#include "desktop/windows/installer/service/product_settings.h"
#include "desktop/windows/installer/service/version_info.h"

namespace installer {

inline std::string ReportProductSettings() {
  using Settings = ProductSettings;
  auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
  const std::pair<const char*, std::string> kGetters[] = {
      {"company_name", Settings::GetCompanyName()},
      {"crash_log_product_sufix", Settings::GetCrashLogProductSuffix()},
      {"default_profile_path_template",
       Settings::GetDefaultProfilePathTemplate()},
      {"domain", Settings::GetDomain()},
      {"expected_signer", Settings::GetExpectedSigner()},
      {"file_name_base", Settings::GetFileNameBase()},
      {"major_delta", std::to_string(Settings::GetMajorDelta())},
      {"product_name", Settings::GetProductName()},
      {"schedule_autoupdate_task",
       flag(Settings::ShouldScheduleAutoupdateTask())},
      {"scheduled_autoupdate_delay_min",
       std::to_string(Settings::GetScheduledAutoupdateDelayMinutes())},
      {"shortcut_suffix", Settings::GetShortcutSuffix()},
      {"urls.autoupdate", Settings::GetUrl("autoupdate")},
      {"use_quarlium_major_for_minor",
       flag(Settings::UseQuarliumMajorForMinor())},
      {"user_agent_name", Settings::GetUserAgentName()},
      {"visible_product_name", Settings::GetVisibleProductName()},
      {"white_labeled", flag(Settings::IsWhiteLabeled())},
      {"VersionInfo::GetProductName", VersionInfo::GetProductName()},
      {"VersionInfo::GetUserAgentName", VersionInfo::GetUserAgentName()},
      {"VersionInfo::GetVisibleNameWithStream",
       VersionInfo::GetVisibleNameWithStream()},
      {"VersionInfo::GetFullVersion", VersionInfo::GetFullVersion()},
      {"VersionInfo::GetBuildNumber",
       std::to_string(VersionInfo::GetBuildNumber())},
      {"VersionInfo::GetBuildTimestamp", VersionInfo::GetBuildTimestamp()},
      {"GetCrashEmailVariableName", GetCrashEmailVariableName()},
  };
  std::string report;
  for (const auto& getter : kGetters)
    report += getter.first + ("=" + getter.second) + "\n";
  return report;
}

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TESTDATA_PRODUCT_SETTINGS_REPORT_H_
