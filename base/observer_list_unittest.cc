#include "base/observer_list.h"

#include <string.h>

#include <functional>
#include <new>
#include <string>

#include <gtest/gtest.h>

namespace base {
namespace {

// Appends its name to a shared log, then runs what the test asked for.
struct Observer {
  char name;
  std::string* log;
  std::function<void()> action;

  void OnEvent() {
    log->push_back(name);
    if (action) action();
  }
};

using List = ObserverList<Observer>;

void NotifyAll(List& list) {
  for (Observer& observer : list)
    observer.OnEvent();
}

struct ObserverListTest : testing::Test {
  std::string log;
  Observer a{'a', &log}, b{'b', &log}, c{'c', &log}, d{'d', &log};
};

TEST_F(ObserverListTest, RemovalDuringAPass) {
  List list;
  for (Observer* o : {&a, &b, &a, &c, &d}) list.AddObserver(o);
  a.action = [&] { list.RemoveObserver(&c); };  // not yet notified
  b.action = [&] { list.RemoveObserver(&b); };  // itself
  d.action = [&] { list.RemoveObserver(&a); };  // already notified
  NotifyAll(list);
  list.AddObserver(&c);
  NotifyAll(list);
  EXPECT_EQ("abd" "dc", log);
}

TEST_F(ObserverListTest, AdditionDuringAPassDependsOnTheNotificationType) {
  for (List::NotificationType type :
       {List::NOTIFY_ALL, List::NOTIFY_EXISTING_ONLY}) {
    List list(type);
    list.AddObserver(&a);
    list.AddObserver(&b);
    // b leaves and comes back: it is appended again, behind c.
    a.action = [&] {
      list.AddObserver(&c);
      list.RemoveObserver(&b);
      list.AddObserver(&b);
    };
    log.clear();
    NotifyAll(list);
    EXPECT_EQ(type == List::NOTIFY_ALL ? "acb" : "a", log);
  }
}

// Were the inner pass to compact the list, the outer pass's index would
// point one entry too far and skip b.
TEST_F(ObserverListTest, NestedPassesCompactOnlyWhenTheOutermostEnds) {
  List list;
  for (Observer* o : {&a, &b, &c}) list.AddObserver(o);
  bool nested = false;
  a.action = [&] {
    if (nested) return;
    nested = true;
    list.RemoveObserver(&a);
    NotifyAll(list);
  };
  NotifyAll(list);
  EXPECT_EQ("abcbc", log);
}

// The list lives in storage the test controls: once destroyed, it is filled
// with a pattern that the passes still running must neither read as
// observers nor write.
TEST_F(ObserverListTest, OwnerDestroyedDuringAPassEndsEveryPass) {
  alignas(List) unsigned char storage[sizeof(List)];
  List* list = new (storage) List;
  for (Observer* o : {&a, &b, &c}) list->AddObserver(o);
  bool nested = false;
  a.action = [&] {
    if (nested) return;
    nested = true;
    NotifyAll(*list);
  };
  b.action = [&] {
    list->~List();
    ::memset(storage, 0xCD, sizeof(storage));
  };
  NotifyAll(*list);
  EXPECT_EQ("aab", log);
  for (unsigned char byte : storage) ASSERT_EQ(0xCD, byte);
}

}  // namespace
}  // namespace base
