// Test cases for the check of testing/run_test_executable.sh: each ends its
// run in one way, and testing/run_test_executable_test.sh runs them one at a
// time through the check. Never run as a whole: some end the process.

#include <stdlib.h>

#include <gtest/gtest.h>

#include "testing/child_process.h"

namespace {

TEST(RunTestExecutableProbe, Passes) {}

TEST(RunTestExecutableProbe, Skips) { GTEST_SKIP() << "Skipped on purpose"; }

TEST(RunTestExecutableProbe, Fails) { ADD_FAILURE() << "Failed on purpose"; }

TEST(RunTestExecutableProbe, ExitsWithZero) { exit(0); }

// A child of the run that gets to its end must not speak for its parent.
TEST(RunTestExecutableProbe, RunsAPassingChildThenExitsWithZero) {
  testing_support::ChildResult child = testing_support::RunChildProcess(
      L"\"" + testing_support::SelfPath() +
      L"\" --gtest_filter=RunTestExecutableProbe.Passes");
  if (!child.started || child.exit_code != 0) exit(3);
  exit(0);
}

}  // namespace
