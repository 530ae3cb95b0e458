#include "base/memory/scoped_refptr.h"

#include <utility>

#include <gtest/gtest.h>

namespace {

// Counts its references and records its destruction.
class Counted {
 public:
  explicit Counted(bool* destroyed) : destroyed_(destroyed) {}
  virtual ~Counted() { *destroyed_ = true; }
  void AddRef() { ++refs; }
  void Release() {
    if (--refs == 0) delete this;
  }
  int refs = 0;

 private:
  bool* destroyed_;
};

class Derived : public Counted {
 public:
  using Counted::Counted;
};

// Copies add a reference, moves hand theirs over, assignment and reset drop
// the old one, and the last owner destroys the object.
TEST(ScopedRefptrTest, OwnersCountAndRelease) {
  bool destroyed = false;
  Counted* object = new Derived(&destroyed);
  scoped_refptr<Derived> derived(static_cast<Derived*>(object));
  EXPECT_EQ(1, object->refs);
  scoped_refptr<Counted> copy(derived);
  scoped_refptr<Counted> other = copy;
  EXPECT_EQ(3, object->refs);
  scoped_refptr<Counted> moved(std::move(derived));
  EXPECT_EQ(nullptr, derived.get());
  EXPECT_EQ(3, object->refs);
  scoped_refptr<Counted> moved_again(std::move(moved));
  EXPECT_FALSE(moved);
  EXPECT_EQ(3, object->refs);

  other = other;
  EXPECT_EQ(3, object->refs);
  EXPECT_TRUE(copy == other);
  EXPECT_FALSE(copy != other);
  EXPECT_TRUE(copy != nullptr);
  EXPECT_FALSE(copy == nullptr);
  EXPECT_TRUE(moved == nullptr);
  EXPECT_FALSE(moved != nullptr);
  EXPECT_TRUE(copy != moved);

  bool second_destroyed = false;
  other = new Counted(&second_destroyed);
  EXPECT_EQ(2, object->refs);
  other.reset();
  EXPECT_TRUE(second_destroyed);
  EXPECT_EQ(nullptr, other.get());
  copy.reset();
  EXPECT_EQ(1, object->refs);
  EXPECT_FALSE(destroyed);
  moved_again = nullptr;
  EXPECT_TRUE(destroyed);
}

}  // namespace
