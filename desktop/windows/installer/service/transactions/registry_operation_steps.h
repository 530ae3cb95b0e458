// Steps that the registry operations share.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_OPERATION_STEPS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_OPERATION_STEPS_H_

#include <memory>

#include "desktop/windows/installer/service/transactions/access_control.h"

namespace installer {

// RestoreAccess for an operation's commit or rollback step, which has no
// caller to answer: logs a failure, but not for a key deleted since, which
// has no list left to put back. Does nothing when |*saved| is empty.
void RestoreAccessOrLog(std::unique_ptr<SavedAcl>* saved);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_REGISTRY_OPERATION_STEPS_H_
