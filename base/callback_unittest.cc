#include "base/bind.h"
#include "base/callback.h"
#include "base/location.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "base/memory/scoped_refptr.h"

namespace base {
namespace {

// Counts its own references and destruction, so a test sees exactly when
// the last holder lets go.
class Counted {
 public:
  explicit Counted(int* destroyed) : destroyed_(destroyed) {}
  void AddRef() const { ++refs_; }
  void Release() const {
    if (--refs_ == 0) delete this;
  }
  int refs() const { return refs_; }

  int Scale(int value) const { return value * factor_; }
  void SetFactor(int factor) { factor_ = factor; }

 private:
  ~Counted() { ++*destroyed_; }
  mutable int refs_ = 0;
  int factor_ = 1;
  int* destroyed_;
};

struct Probe {
  ~Probe() { ++*destroyed; }
  int* destroyed;
};

int Subtract(int a, int b) { return a - b; }
std::string Join(const std::string& a, const char* b, std::string c) {
  return a + b + c;
}
int Unbox(std::unique_ptr<int> value) { return value ? *value : -1; }
void Touch(const scoped_refptr<Counted>&) {}

TEST(BindTest, ArgumentsReachTheFunctionInOrder) {
  EXPECT_EQ(7, Bind(&Subtract, 10).Run(3));
  EXPECT_EQ(-7, Bind(&Subtract, 3, 10).Run());
  EXPECT_EQ("a-b", Bind(&Join, std::string("a"), "-").Run("b"));
  EXPECT_EQ(12, Bind([](int a, int b) { return a * b; }, 3).Run(4));

  int destroyed = 0;
  Counted* object = new Counted(&destroyed);
  scoped_refptr<Counted> keep(object);
  Bind(&Counted::SetFactor, Unretained(object)).Run(5);
  EXPECT_EQ(10, Bind(&Counted::Scale, Unretained(object), 2).Run());
  EXPECT_EQ(15, Bind(&Counted::Scale, keep).Run(3));
}

TEST(BindTest, BoundArgumentsLiveExactlyAsLongAsTheLastCopy) {
  int destroyed = 0;
  Closure first = Bind(&Touch, scoped_refptr<Counted>(new Counted(&destroyed)));
  first = first;  // must not free the block it alone holds
  Closure second = first;
  first.Run();
  first.Reset();
  EXPECT_TRUE(first.is_null());
  EXPECT_EQ(0, destroyed);

  Closure moved = std::move(second);
  EXPECT_TRUE(second.is_null());
  EXPECT_EQ(0, destroyed);
  moved = Closure();
  EXPECT_EQ(1, destroyed);

  // An owned argument goes with the bind state, whether or not it ran; a
  // receiver held by reference keeps the object alive until then.
  Counted* receiver = new Counted(&destroyed);
  Callback<int(int)> scale =
      Bind(&Counted::Scale, scoped_refptr<Counted>(receiver));
  EXPECT_EQ(1, receiver->refs());
  Bind([](Probe*) {}, Owned(new Probe{&destroyed}));
  EXPECT_EQ(2, destroyed);
  scale.Reset();
  EXPECT_EQ(3, destroyed);
}

// Records whether the callback holding it already looked empty when its
// bound arguments were destroyed.
struct ResetWitness {
  ~ResetWitness() { *holder_was_null = holder->is_null(); }
  const Closure* holder;
  bool* holder_was_null;
};

// Reset empties the callback before the bound arguments go, so code they
// reach back into never sees a callback whose block is being destroyed.
TEST(BindTest, ResetEmptiesBeforeReleasing) {
  Closure holder;
  bool holder_was_null = false;
  holder = Bind([](ResetWitness*) {},
                Owned(new ResetWitness{&holder, &holder_was_null}));
  holder.Reset();
  EXPECT_TRUE(holder_was_null);
}

TEST(LocationTest, DefaultIsUnknownAtLineMinusOne) {
  const Location unknown;
  EXPECT_STREQ("Unknown", unknown.function_name());
  EXPECT_STREQ("Unknown", unknown.file_name());
  EXPECT_EQ(-1, unknown.line_number());
  EXPECT_EQ(nullptr, unknown.program_counter());
}

TEST(BindTest, PassedValueIsHandedOverOnce) {
  Callback<int()> unbox = Bind(&Unbox, Passed(std::make_unique<int>(9)));
  EXPECT_FALSE(unbox.IsCancelled());
  EXPECT_EQ(9, unbox.Run());
  EXPECT_DEATH(unbox.Run(), "");
  // An empty callback has nothing to run: it counts as cancelled.
  EXPECT_TRUE(Callback<int()>().IsCancelled());
  EXPECT_DEATH(Callback<int()>().Run(), "");
}

}  // namespace
}  // namespace base
