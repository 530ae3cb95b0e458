#include "desktop/windows/installer/service/install_log.h"

namespace installer {

const wchar_t kInstallLogFileName[] = L"installation_status.xml";

InstallLog::InstallLog() : last_band_check(base::Time::Now()) {}

}  // namespace installer
