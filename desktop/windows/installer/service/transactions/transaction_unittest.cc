#include "desktop/windows/installer/service/transactions/transaction.h"

#include <string>
#include <vector>

#include "desktop/windows/installer/service/transactions/operation_fault_injection_for_testing.h"
#include "gtest/gtest.h"

namespace installer {
namespace {

using Events = std::vector<std::string>;

// Records what the transaction does with it; runs |children| through the
// nested transaction first and fails when one of them fails.
class RecordingOperation : public Operation {
 public:
  RecordingOperation(const std::string& name, Events* events,
                     std::vector<std::string> children = {})
      : name_(name), events_(events), children_(std::move(children)) {}
  ~RecordingOperation() override { events_->push_back("destroy " + name_); }

  bool Execute(Transaction* nested) override {
    events_->push_back("execute " + name_);
    for (const auto& child : children_) {
      if (!nested->Execute(
              std::make_unique<RecordingOperation>(child, events_))) {
        return false;
      }
    }
    return true;
  }
  void Rollback() override { events_->push_back("rollback " + name_); }

 private:
  std::string name_;
  Events* events_;
  std::vector<std::string> children_;
};

// Nested operations are recorded before their parent, undone last-first
// and destroyed first-last, by a rollback and by the commit alike.
TEST(TransactionTest, RollbackAndCommitOrder) {
  for (bool roll_back : {true, false}) {
    Events events;
    {
      Transaction transaction;
      ASSERT_TRUE(transaction.Execute(std::make_unique<RecordingOperation>(
          "A", &events, std::vector<std::string>{"B", "C"})));
      ASSERT_TRUE(transaction.Execute(
          std::make_unique<RecordingOperation>("D", &events)));
      events.clear();
      if (roll_back) {
        transaction.Rollback();
        EXPECT_TRUE(transaction.empty());
      }
    }
    Events expected = {"destroy B", "destroy C", "destroy A", "destroy D"};
    if (roll_back) {
      expected.insert(expected.begin(),
                      {"rollback D", "rollback A", "rollback C", "rollback B"});
    }
    EXPECT_EQ(expected, events) << "roll_back " << roll_back;
  }
  // No operation at all fails and records nothing.
  Transaction transaction;
  EXPECT_FALSE(transaction.Execute(nullptr));
  EXPECT_TRUE(transaction.empty());
}

// The hook is asked before every Execute, nested ones included; the one it
// fails is not run but rolled back, and its failure travels up: the failed
// operation is undone before the nested operations it ran, and everything of
// it is gone at once. What was recorded before stays.
TEST(TransactionTest, FailureHookFailsTheChosenOperation) {
  Events events;
  int asked = 0;
  Transaction transaction;
  {
    internal::ScopedOperationFailureHookForTesting hook(
        [&asked] { return ++asked == 4; });  // "C", the second child.
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<RecordingOperation>("D", &events)));
    EXPECT_FALSE(transaction.Execute(std::make_unique<RecordingOperation>(
        "A", &events, std::vector<std::string>{"B", "C", "E"})));
  }
  EXPECT_EQ(4, asked);
  EXPECT_EQ(
      (Events{"execute D", "execute A", "execute B", "rollback C", "destroy C",
              "rollback A", "rollback B", "destroy B", "destroy A"}),
      events);
  events.clear();
  transaction.Rollback();
  EXPECT_EQ((Events{"rollback D", "destroy D"}), events);
}

}  // namespace
}  // namespace installer
