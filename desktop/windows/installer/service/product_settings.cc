#include "desktop/windows/installer/service/product_settings.h"

#include <vector>

#include "base/json/json_reader.h"
#include "base/json/values.h"
#include "base/logging.h"
#include "base/win/windows_types.h"

namespace installer {

const wchar_t kProductSettingsFallbackModule[] = L"_vlautolib.pyd";

namespace {

const wchar_t kSettingsResourceType[] = L"TXT";
const int kSettingsResourceId = 133;

// The resource text of |module|; false when it has no settings resource.
bool ReadSettingsResource(HMODULE module, std::string* text) {
  HRSRC resource = ::FindResourceW(
      module, MAKEINTRESOURCEW(kSettingsResourceId), kSettingsResourceType);
  if (!resource) return false;
  HGLOBAL loaded = ::LoadResource(module, resource);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  text->assign(static_cast<const char*>(data),
               ::SizeofResource(module, resource));
  return true;
}

// The fallback module, only from where the product itself put it: already
// loaded, or beside the main executable. The DLL search path and the current
// folder are never tried, so a file planted there cannot change the servers
// or the expected signer. Mapped as a data file, it runs no code. Never
// freed.
HMODULE FindFallbackModule() {
  HMODULE loaded = ::GetModuleHandleW(kProductSettingsFallbackModule);
  if (loaded) return loaded;
  std::vector<wchar_t> exe_path(MAX_PATH);
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, exe_path.data(),
                                        static_cast<DWORD>(exe_path.size()));
    if (length == 0) return nullptr;
    if (length < exe_path.size()) break;
    if (exe_path.size() >= 32768) return nullptr;
    exe_path.resize(exe_path.size() * 2);
  }
  std::wstring path(exe_path.data());
  size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return nullptr;
  path.resize(separator + 1);
  path += kProductSettingsFallbackModule;
  return ::LoadLibraryExW(path.c_str(), nullptr,
                          LOAD_LIBRARY_AS_DATAFILE |
                              LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

// Whether |name| can be the company or product name. Each becomes one
// registry key name ("Software\<company>") and part of file, task and
// variable names: ".", "..", a separator or a NUL would address another key
// or folder, or the parent itself.
bool IsUsableName(const std::string& name) {
  return name != "." && name != ".." &&
         name.find_first_of("\\/") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

std::string ReadProductSettingsText() {
  std::string text;
  if (ReadSettingsResource(::GetModuleHandleW(nullptr), &text)) return text;
  HMODULE fallback = FindFallbackModule();
  if (fallback) ReadSettingsResource(fallback, &text);
  return text;
}

namespace internal {

std::unique_ptr<base::DictionaryValue>
ParseProductSettings(base::StringPiece text) {
  int error_code = 0;
  std::string error_message;
  std::unique_ptr<base::Value> root = base::JSONReader::ReadAndReturnError(
      text, 0, &error_code, &error_message);
  if (!root) {
    LOG(FATAL) << "The product settings are not valid JSON: " << error_message;
  }
  std::unique_ptr<base::DictionaryValue> settings =
      base::DictionaryValue::From(std::move(root));
  if (!settings) LOG(FATAL) << "The product settings are not a JSON dictionary";
  for (const char* key : {"company_name", "product_name"}) {
    const std::string name = ProductSettings::GetString(*settings, key);
    if (name.empty())
      LOG(FATAL) << "The product settings lack \"" << key << "\"";
    if (!IsUsableName(name)) {
      LOG(FATAL) << "The product settings' \"" << key
                 << "\" is not a single key or file name: \"" << name << "\"";
    }
  }
  return settings;
}

}  // namespace internal

// static
std::unique_ptr<base::DictionaryValue> ProductSettings::Load() {
  std::string text = ReadProductSettingsText();
  if (text.empty()) {
    LOG(FATAL) << "The product settings resource \"TXT\" "
               << kSettingsResourceId << " is missing or empty";
  }
  return internal::ParseProductSettings(text);
}

// static
const base::DictionaryValue* ProductSettings::GetDictionary() {
  // A guarded static: concurrent first callers wait for one load.
  static const std::unique_ptr<base::DictionaryValue> settings = Load();
  return settings.get();
}

// static
std::string ProductSettings::GetString(const base::DictionaryValue& dictionary,
                                       base::StringPiece key) {
  std::string value;
  return dictionary.GetString(key, &value) ? value : std::string();
}

// static
bool ProductSettings::GetBoolean(const base::DictionaryValue& dictionary,
                                 base::StringPiece key) {
  bool value = false;
  return dictionary.GetBoolean(key, &value) && value;
}

// static
int ProductSettings::GetInteger(const base::DictionaryValue& dictionary,
                                base::StringPiece key) {
  int value = 0;
  return dictionary.GetInteger(key, &value) ? value : 0;
}

std::string ProductSettings::GetCompanyName() {
  return GetString(*GetDictionary(), "company_name");
}

std::string ProductSettings::GetCrashLogProductSuffix() {
  return GetString(*GetDictionary(), "crash_log_product_sufix");
}

std::string ProductSettings::GetDefaultProfilePathTemplate() {
  return GetString(*GetDictionary(), "default_profile_path_template");
}

std::string ProductSettings::GetDomain() {
  return GetString(*GetDictionary(), "domain");
}

std::string ProductSettings::GetExpectedSigner() {
  return GetString(*GetDictionary(), "expected_signer");
}

std::string ProductSettings::GetFileNameBase() {
  return GetString(*GetDictionary(), "file_name_base");
}

int ProductSettings::GetMajorDelta() {
  return GetInteger(*GetDictionary(), "major_delta");
}

std::string ProductSettings::GetProductName() {
  return GetString(*GetDictionary(), "product_name");
}

int ProductSettings::GetScheduledAutoupdateDelayMinutes() {
  return GetInteger(*GetDictionary(), "scheduled_autoupdate_delay_min");
}

std::string ProductSettings::GetShortcutSuffix() {
  return GetString(*GetDictionary(), "shortcut_suffix");
}

bool ProductSettings::ShouldScheduleAutoupdateTask() {
  return GetBoolean(*GetDictionary(), "schedule_autoupdate_task");
}

bool ProductSettings::UseQuarliumMajorForMinor() {
  return GetBoolean(*GetDictionary(), "use_quarlium_major_for_minor");
}

std::string ProductSettings::GetUserAgentName() {
  return GetString(*GetDictionary(), "user_agent_name");
}

std::string ProductSettings::GetVisibleProductName() {
  return GetString(*GetDictionary(), "visible_product_name");
}

bool ProductSettings::IsWhiteLabeled() {
  return GetBoolean(*GetDictionary(), "white_labeled");
}

// static
std::string ProductSettings::GetUrl(base::StringPiece name) {
  std::string key = "urls.";
  key.append(name.data(), name.size());
  return GetString(*GetDictionary(), key);
}

}  // namespace installer
