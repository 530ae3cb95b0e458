// A library holding its own copy of the path service, so a test can load it
// from any folder and ask it for its module file.
#include <string.h>

#include "base/logging.h"
#include "base/path_service.h"

// Copies the module-file answer into |buffer| (|size| units with the
// terminator) and returns 1; returns 0 when the path service fails.
extern "C" __declspec(dllexport) int PathServiceProbeModuleFile(wchar_t* buffer,
                                                                int size) {
  // Its failures are expected; they must not land in the "debug.log" that
  // the test executables beside it share.
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  logging::InitLogging(settings);
  base::FilePath path;
  if (!base::PathService::Get(base::PathKey::ModuleFile, &path)) return 0;
  const std::wstring& text = path.value();
  if (static_cast<int>(text.size()) >= size) return 0;
  memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return 1;
}
