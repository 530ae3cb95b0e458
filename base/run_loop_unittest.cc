#include "base/run_loop.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_test_helpers.h"

namespace base {
namespace {

using test::Fn;

// Nested runs are started from window messages: inside a task a nested run
// would run no tasks.
class RunLoopTest : public testing::Test {
 protected:
  void Post(std::function<void()> function) {
    loop_.task_runner()->PostTask(FROM_HERE, Fn(std::move(function)));
  }

  MessageLoop loop_{MessageLoop::TYPE_UI};
  test::WindowPoster poster_;
  std::vector<std::string> order_;
};

// Quitting the outer run from inside a nested one lets the nested run go on
// until it is quit itself; the outer one then ends at once.
TEST_F(RunLoopTest, OuterQuitTakesEffectWhenTheNestedRunEnds) {
  RunLoop outer;
  poster_.Post([&] {
    RunLoop nested;
    Post([&] {
      order_.push_back("quit outer");
      outer.Quit();
    });
    Post([&] {
      order_.push_back("nested still runs");
      EXPECT_TRUE(loop_.IsNested());
      nested.Quit();
      Post([&] { order_.push_back("after both quits"); });
    });
    nested.Run();
    order_.push_back("nested ended");
  });
  outer.Run();
  EXPECT_EQ((std::vector<std::string>{"quit outer", "nested still runs",
                                      "nested ended"}),
            order_);

  test::RunUntilIdle();
  EXPECT_EQ("after both quits", order_.back());
}

// A quit before the run ends it at once, without running tasks; the quit
// closure of a destroyed run loop does nothing.
TEST_F(RunLoopTest, EarlyAndStaleQuits) {
  Post([&] { order_.push_back("queued before"); });
  RunLoop early;
  early.Quit();
  early.Run();
  EXPECT_TRUE(order_.empty());
  EXPECT_FALSE(loop_.is_running());

  auto gone = std::make_unique<RunLoop>();
  Closure stale_quit = gone->QuitClosure();
  gone.reset();
  RunLoop run_loop;
  loop_.task_runner()->PostTask(FROM_HERE, stale_quit);
  Post([&] {
    order_.push_back("after stale quit");
    EXPECT_FALSE(loop_.IsNested());  // the outermost run
  });
  loop_.task_runner()->PostTask(FROM_HERE, run_loop.QuitClosure());
  run_loop.Run();
  EXPECT_EQ((std::vector<std::string>{"queued before", "after stale quit"}),
            order_);
  EXPECT_TRUE(stale_quit.IsCancelled());
}

}  // namespace
}  // namespace base
