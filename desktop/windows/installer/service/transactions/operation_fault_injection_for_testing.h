// A test-only seam that makes an operation fail on demand, so that tests can
// prove a transaction leaves the machine as it was whichever step fails.
//
// While a hook is set, it is asked once before each operation's Execute,
// nested operations included (an operation that runs a nested transaction
// asks again for each of them), and once more at each point inside an
// Execute where a failure would find part of the change made: after an
// access grant, between keeping what a change replaces (an old value, a
// file moved aside, a folder made) and making the change, after a chain of
// keys is created, and before each key of a deleted tree goes. When the
// hook answers true before an Execute, that Execute is not run; inside
// one, it fails there as a failed system call at that point would. Either
// way the failure is rolled back like any other (the operation's own
// Rollback, then its nested transaction's).
//
//   int countdown = 3;
//   installer::SetOperationFailureHookForTesting(
//       [&countdown] { return --countdown == 0; });  // The third point fails.
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

// Whether the hook, when one is set, fails the operation at this point.
// Always false without a hook.
bool OperationFailureInjected();

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_
