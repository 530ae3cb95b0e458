#!/usr/bin/env bash
# Lists the test cases that skipped, with their reasons, from the log CTest
# writes of a run (Testing/Temporary/LastTest.log): CTest counts a test
# executable that skipped cases as passed and says nothing of them. The log
# holds each executable's output in one piece even under ctest -j.
#
#   tools/list_skipped_tests.sh build/Testing/Temporary/LastTest.log
set -euo pipefail

awk '
  { sub(/\r$/, "") }
  /^[0-9]+\/[0-9]+ Testing: / { executable = $3; next }
  /^\[ RUN      \] / { reason = ""; in_reason = 0; next }
  # GTEST_SKIP() prints "file:line: Skipped", then its message.
  /: Skipped$/ { in_reason = 1; next }
  /^\[  SKIPPED \] .* \([0-9]+ ms\)$/ {
    name = $4
    lines[++count] = "  " executable ": " name (reason == "" ? "" : " (" reason ")")
    in_reason = 0
    next
  }
  in_reason && $0 != "" { reason = reason (reason == "" ? "" : " ") $0 }
  END {
    if (count == 0) exit
    print ""
    print "Skipped test cases (" count "):"
    for (i = 1; i <= count; ++i) print lines[i]
  }
' "$1"
