// The process-wide, read-only description of the product the installer
// installs: its names, company, servers and a few switches of behaviour.
//
// The host executable carries it as UTF-8 JSON in the custom resource "TXT"
// 133. It is parsed once, on the first call from any thread, and then read
// without a lock from every thread:
//
//   std::string key = "Software\\" + ProductSettings::GetCompanyName();
//   std::string update_base = ProductSettings::GetUrl("autoupdate");
//
// The engine cannot run without its settings: a missing, empty or malformed
// resource, or one whose company or product name is empty, ".", ".." or
// holds "\", "/" or a NUL, stops the process with a FATAL message (such
// names would turn the product registry key into "Software\" itself, its
// parent, or another vendor's key).
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_SETTINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_SETTINGS_H_

#include <memory>
#include <string>

#include "base/strings/string_piece.h"

namespace base {
class DictionaryValue;
}

namespace installer {

// The file name of the automated-test framework's module, which carries the
// settings resource when the host executable does not.
extern const wchar_t kProductSettingsFallbackModule[];

class ProductSettings {
 public:
  ProductSettings() = delete;

  // The settings, loaded on the first call. Never null: a failed load stops
  // the process. Lives until process exit.
  static const base::DictionaryValue* GetDictionary();

  // The string at the dotted |key|; empty when absent or not a string.
  static std::string GetString(const base::DictionaryValue& dictionary,
                               base::StringPiece key);
  // The value at the dotted |key|; false or 0 when absent or of another type.
  static bool GetBoolean(const base::DictionaryValue& dictionary,
                         base::StringPiece key);
  static int GetInteger(const base::DictionaryValue& dictionary,
                        base::StringPiece key);

  // "company_name": the {Company} placeholder and the product registry key.
  static std::string GetCompanyName();
  // "crash_log_product_sufix" (sic): recorded with crash information.
  static std::string GetCrashLogProductSuffix();
  // "default_profile_path_template": the browser's profile folder, with an
  // "{InternalStream}" placeholder.
  static std::string GetDefaultProfilePathTemplate();
  // "domain": the trusted domain, with a leading dot.
  static std::string GetDomain();
  // "expected_signer": the signer a downloaded package must carry.
  static std::string GetExpectedSigner();
  // "file_name_base": the product executable's name without ".exe".
  static std::string GetFileNameBase();
  // "major_delta": added to the base of the major version.
  static int GetMajorDelta();
  // "product_name".
  static std::string GetProductName();
  // "scheduled_autoupdate_delay_min".
  static int GetScheduledAutoupdateDelayMinutes();
  // "shortcut_suffix": appended to shortcut names.
  static std::string GetShortcutSuffix();
  // "schedule_autoupdate_task".
  static bool ShouldScheduleAutoupdateTask();
  // "use_quarlium_major_for_minor".
  static bool UseQuarliumMajorForMinor();
  // "user_agent_name": the product token.
  static std::string GetUserAgentName();
  // "visible_product_name": the name shown to the user.
  static std::string GetVisibleProductName();
  // "white_labeled".
  static bool IsWhiteLabeled();

  // The address named |name| in the "urls" dictionary; empty when absent.
  static std::string GetUrl(base::StringPiece name);

 private:
  // Reads, parses and checks the resource; stops the process on failure.
  static std::unique_ptr<base::DictionaryValue> Load();
};

// The raw settings text: the "TXT" 133 resource of the main executable or,
// when it has none, of kProductSettingsFallbackModule. The fallback module is
// taken only when it is already loaded or lies beside the main executable,
// and it is mapped as data, so none of its code runs. Empty when neither
// carries the resource.
std::string ReadProductSettingsText();

namespace internal {

// Parses the settings |text| and checks the names the engine builds keys
// and paths from; stops the process when they are unusable. The load's own
// step, apart so that tests can hand it a text.
std::unique_ptr<base::DictionaryValue>
ParseProductSettings(base::StringPiece text);

}  // namespace internal

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_SETTINGS_H_
