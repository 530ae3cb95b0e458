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

 private:
  WeakPtrFactory<Target> factory_{this};
};

TEST(WeakPtrTest, InvalidationReachesEveryReferenceOfTheFlag) {
  internal::WeakReferenceOwner owner;
  internal::WeakReference first = owner.GetRef();
  internal::WeakReference second = owner.GetRef();
  EXPECT_TRUE(first.IsValid());
  owner.Invalidate();
  EXPECT_FALSE(first.IsValid());
  EXPECT_FALSE(second.IsValid());
  // A reference taken afterwards starts a new flag; the old stays invalid.
  internal::WeakReference third = owner.GetRef();
  EXPECT_TRUE(third.IsValid());
  EXPECT_FALSE(first.IsValid());
  EXPECT_FALSE(internal::WeakReference().IsValid());
}

// Pointers, converted ones too, read null once the object is gone, and a
// callback bound to one does nothing.
TEST(WeakPtrTest, PointersAndBoundCallbacksLapseWithTheObject) {
  auto target = std::make_unique<Target>();
  WeakPtr<Target> weak = target->GetWeakPtr();
  WeakPtr<Base> as_base = weak;
  EXPECT_EQ(target.get(), weak.get());
  EXPECT_EQ(target.get(), as_base.get());
  Closure add = Bind(&Target::Add, weak, 2);
  EXPECT_FALSE(add.IsCancelled());
  add.Run();
  EXPECT_EQ(2, target->calls);

  target.reset();
  EXPECT_EQ(nullptr, weak.get());
  EXPECT_FALSE(as_base);
  EXPECT_TRUE(add.IsCancelled());
  add.Run();  // must not touch the dead object
  EXPECT_TRUE(Bind(&Target::Add, WeakPtr<Target>(), 1).IsCancelled());
}

}  // namespace
}  // namespace base
