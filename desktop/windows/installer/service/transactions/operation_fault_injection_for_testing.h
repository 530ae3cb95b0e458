// A test-only seam that makes an operation fail on demand, so that tests can
// prove a transaction leaves the machine as it was whichever step fails.
//
// While a hook is set, Transaction::Execute asks it once before each
// operation's Execute, nested operations included (an operation that runs a
// nested transaction asks again for each of them). When the hook answers
// true, that Execute is not run: it counts as failed and is rolled back like
// any other failure (its own Rollback, then its nested transaction's).
//
//   int countdown = 3;
//   installer::SetOperationFailureHookForTesting(
//       [&countdown] { return --countdown == 0; });  // The third one fails.
//   ...
//   installer::SetOperationFailureHookForTesting(nullptr);
//
// Process-wide; set and clear it on the thread that runs the transactions,
// while none runs. Never set outside tests.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_

#include <functional>

namespace installer {

// Installs |hook| (an empty function clears it). Returns the hook that was
// installed before, so that a test can put it back.
std::function<bool()> SetOperationFailureHookForTesting(
    std::function<bool()> hook);

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_
