#include "desktop/windows/installer/service/transactions/transaction.h"

#include <utility>

#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"

namespace installer {

namespace {

std::function<bool()>& FailureHook() {
  static std::function<bool()> hook;
  return hook;
}

}  // namespace

namespace internal {

ScopedOperationFailureHookForTesting::ScopedOperationFailureHookForTesting(
    std::function<bool()> hook)
    : previous_(std::exchange(FailureHook(), std::move(hook))) {}

ScopedOperationFailureHookForTesting::~ScopedOperationFailureHookForTesting() {
  FailureHook() = std::move(previous_);
}

}  // namespace internal

bool OperationFailureInjected() {
  const std::function<bool()>& hook = FailureHook();
  return hook && hook();
}

Transaction::Transaction() = default;

Transaction::~Transaction() {
  DestroyAll();
}

bool Transaction::Execute(std::unique_ptr<Operation> operation) {
  if (!operation)
    return false;
  Transaction nested;
  if (!OperationFailureInjected() && operation->Execute(&nested)) {
    for (auto& nested_operation : nested.operations_)
      operations_.push_back(std::move(nested_operation));
    nested.operations_.clear();
    operations_.push_back(std::move(operation));
    return true;
  }
  // The operation first: it ran after its nested operations, so it is undone
  // before them.
  operation->Rollback();
  nested.Rollback();
  operation.reset();
  return false;
}

void Transaction::Rollback() {
  for (auto it = operations_.rbegin(); it != operations_.rend(); ++it)
    (*it)->Rollback();
  DestroyAll();
}

void Transaction::DestroyAll() {
  for (auto& operation : operations_)
    operation.reset();
  operations_.clear();
}

}  // namespace installer
