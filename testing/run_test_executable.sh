#!/usr/bin/env bash
# Runs one GoogleTest executable for CTest and fails the run unless it got
# to the end of its last test. A run that a test ends early (a stray exit; a
# stack overflow, which Wine may end with exit code 0) can leave with exit
# code 0, and CTest would count it as passed, the failures it printed lost.
# The main of every test executable (testing/test_main.cc) writes the file
# named in VELTO_TEST_COMPLETION_FILE once every test has run: no file, no
# pass.
#
#   testing/run_test_executable.sh wine bin/base_json_unittests.exe [ARGS...]
#
# The first argument is the command that starts the executable (CTest's
# emulator, wine), the rest is its command line.
set -uo pipefail

folder="$(mktemp -d)" || exit 1
trap 'rm -rf "$folder"' EXIT
completion_file="$folder/completed"
# The executable sees the host's root as drive Z:.
export VELTO_TEST_COMPLETION_FILE="Z:${completion_file//\//\\}"

status=0
"$@" || status=$?
if [ ! -f "$completion_file" ]; then
  echo "run_test_executable.sh: the run ended before its last test finished" \
       "(exit code $status): the test that was running ended the process," \
       "and the tests after it did not run." >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
