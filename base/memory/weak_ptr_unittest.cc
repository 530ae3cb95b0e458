#include "base/memory/weak_ptr.h"

#include <memory>

#include <gtest/gtest.h>

#include "base/bind.h"

namespace base {
namespace {

class Base {
 public:
  virtual ~Base() = default;
  int calls = 0;
};

class Target : public Base {
 public:
  void Add(int amount) { calls += amount; }
  WeakPtr<Target> GetWeakPtr() { return factory_.GetWeakPtr(); }
  void Invalidate() { factory_.InvalidateWeakPtrs(); }

 private:
  WeakPtrFactory<Target> factory_{this};
};

// Pointers, converted ones too, read null once the object is gone or they
// are invalidated, and a callback bound to one does nothing. Pointers taken
// after an invalidation are valid again.
TEST(WeakPtrTest, PointersAndBoundCallbacksLapseWithTheObject) {
  auto target = std::make_unique<Target>();
  WeakPtr<Target> first = target->GetWeakPtr();
  WeakPtr<Target> second = target->GetWeakPtr();
  target->Invalidate();
  EXPECT_FALSE(first);
  EXPECT_FALSE(second);
  WeakPtr<Target> weak = target->GetWeakPtr();
  WeakPtr<Base> as_base = weak;
  EXPECT_EQ(target.get(), weak.get());
  EXPECT_EQ(target.get(), as_base.get());
  Closure add = Bind(&Target::Add, weak, 2);
  EXPECT_FALSE(add.IsCancelled());
  add.Run();
  EXPECT_EQ(2, target->calls);
  EXPECT_FALSE(first);
  // Resetting one pointer leaves its copies alone.
  WeakPtr<Target> copy = weak;
  copy.reset();
  EXPECT_EQ(nullptr, copy.get());
  EXPECT_EQ(target.get(), weak.get());

  target.reset();
  EXPECT_EQ(nullptr, weak.get());
  EXPECT_FALSE(as_base);
  EXPECT_TRUE(add.IsCancelled());
  add.Run();  // must not touch the dead object
  EXPECT_TRUE(Bind(&Target::Add, WeakPtr<Target>(), 1).IsCancelled());
}

TEST(WeakPtrDeathTest, DereferencingALapsedPointerStops) {
  auto target = std::make_unique<Target>();
  WeakPtr<Target> weak = target->GetWeakPtr();
  target.reset();
  EXPECT_DEATH(weak->Add(1), "destroyed object");
  EXPECT_DEATH((*weak).Add(1), "destroyed object");
}

}  // namespace
}  // namespace base
