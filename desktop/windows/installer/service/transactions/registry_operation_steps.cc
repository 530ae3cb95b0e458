#include "desktop/windows/installer/service/transactions/registry_operation_steps.h"

#include <string>

#include "base/logging.h"

namespace installer {

void RestoreAccessOrLog(std::unique_ptr<SavedAcl>* saved) {
  if (!*saved) return;
  const std::wstring object_name = (*saved)->object_name;
  if (!RestoreAccess(saved) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
    PLOG(ERROR) << "Failed to put back the access list of " << object_name;
}

}  // namespace installer
