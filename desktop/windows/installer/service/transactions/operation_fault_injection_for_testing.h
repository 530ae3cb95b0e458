// A test-only seam that makes an operation fail on demand, so that tests can
// prove a transaction leaves the machine as it was whichever step fails.
//
// While a hook is installed, it is asked once before each operation's Execute,
// nested operations included (an operation that runs a nested transaction asks
// again for each of them), and once more at each point inside an Execute where
// a failure would find part of the change made: after an access grant, between
// keeping what a change replaces (an old value, a file moved aside, a folder
// made) and making the change, after a chain of keys is created, and before
// each key of a deleted tree goes. When the hook answers true before an
// Execute, that Execute is not run; inside one, it fails there as a failed
// system call at that point would. Either way the failure is rolled back like
// any other (the operation's own Rollback, then its nested transaction's).
//
//   int countdown = 3;
//   {
//     installer::internal::ScopedOperationFailureHookForTesting hook(
//         [&countdown] { return --countdown == 0; });  // The third fails.
//     ...
//   }  // The hook installed before is back.
//
// Process-wide; install it on the thread that runs the transactions, while
// none runs. Never installed outside tests.
#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_

#include <functional>

namespace installer {

namespace internal {

// For tests only: installs |hook| for the scope's life and puts back the
// hook installed before when it ends. Scopes nest; they must not overlap
// across threads.
class ScopedOperationFailureHookForTesting {
 public:
  explicit ScopedOperationFailureHookForTesting(std::function<bool()> hook);
  ~ScopedOperationFailureHookForTesting();
  ScopedOperationFailureHookForTesting(
      const ScopedOperationFailureHookForTesting&) = delete;
  ScopedOperationFailureHookForTesting& operator=(
      const ScopedOperationFailureHookForTesting&) = delete;

 private:
  std::function<bool()> previous_;
};

}  // namespace internal

// Whether the hook, when one is installed, fails the operation at this
// point. Always false without a hook.
bool OperationFailureInjected();

}  // namespace installer

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TRANSACTIONS_OPERATION_FAULT_INJECTION_FOR_TESTING_H_
