// The product's environment variables, named with the product prefix
// ("VELTO_" with the standard settings), that the crash client and the crash
// reporter read:
//
//   std::unique_ptr<base::Environment> env = CreateProcessEnvironment();
//   std::string email;
//   ReadEnvironmentVariable(env.get(), &email, GetCrashEmailVariableName());
//   bool keep_logs =
//       ReadEnvironmentFlag(env.get(), GetCrashKeepLogsVariableName(), false);
//
// Names and values are UTF-8. The names load the product settings.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_ENVIRONMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_ENVIRONMENT_H_

#include <memory>
#include <string>

#include "base/environment.h"
#include "base/strings/string_piece.h"

namespace installer {

// The environment of this process.
std::unique_ptr<base::Environment> CreateProcessEnvironment();

// The product name in ASCII upper case, "_" and |suffix|:
// "VELTO_CRASH_EMAIL" for "CRASH_EMAIL".
std::string MakeProductEnvironmentVariableName(base::StringPiece suffix);

// The product's "CRASH_EMAIL" and "CRASH_KEEP_LOGS" variables.
std::string GetCrashEmailVariableName();
std::string GetCrashKeepLogsVariableName();

// Clears |value|, then reads the variable |name| into it; an absent variable
// leaves it empty.
void ReadEnvironmentVariable(base::Environment* environment, std::string* value,
                             base::StringPiece name);

// |default_value| when the variable |name| is absent. Otherwise true only for
// exactly "1", or "yes" or "true" in any ASCII case; every other value, the
// empty one and "1 " included, is false.
bool ReadEnvironmentFlag(base::Environment* environment, base::StringPiece name,
                         bool default_value);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PRODUCT_ENVIRONMENT_H_
