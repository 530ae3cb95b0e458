#include "desktop/windows/installer/service/product_environment.h"

#include "base/strings/string_util.h"
#include "desktop/windows/installer/service/product_settings.h"

namespace installer {

std::unique_ptr<base::Environment> CreateProcessEnvironment() {
  return base::Environment::Create();
}

std::string MakeProductEnvironmentVariableName(base::StringPiece suffix) {
  std::string name = base::ToUpperASCII(ProductSettings::GetProductName());
  name += '_';
  name.append(suffix.data(), suffix.size());
  return name;
}

std::string GetCrashEmailVariableName() {
  return MakeProductEnvironmentVariableName("CRASH_EMAIL");
}

std::string GetCrashKeepLogsVariableName() {
  return MakeProductEnvironmentVariableName("CRASH_KEEP_LOGS");
}

void ReadEnvironmentVariable(base::Environment* environment, std::string* value,
                             base::StringPiece name) {
  value->clear();
  if (!environment->GetVar(name, value)) value->clear();
}

bool ReadEnvironmentFlag(base::Environment* environment, base::StringPiece name,
                         bool default_value) {
  std::string value;
  if (!environment->GetVar(name, &value)) return default_value;
  return value == "1" || base::EqualsCaseInsensitiveASCII(value, "yes") ||
         base::EqualsCaseInsensitiveASCII(value, "true");
}

}  // namespace installer
