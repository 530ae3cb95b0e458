#!/usr/bin/env bash
# Checks testing/run_test_executable.sh with the cases of
# testing/run_test_executable_probe.cc: a run that gets to its end passes
# or fails by its exit code; one that a test ends early fails with the
# check's message, even with exit code 0 and a child that got to its end.
#
#   testing/run_test_executable_test.sh wine bin/run_test_executable_probe.exe
set -uo pipefail
check="$(dirname "${BASH_SOURCE[0]}")/run_test_executable.sh"
message="ended before its last test finished"
wrong=0

# The probe case and the verdict the check must give it: pass, fail, or
# early (a failure with the message).
cases=(Passes:pass Skips:pass Fails:fail ExitsWithZero:early
       RunsAPassingChildThenExitsWithZero:early)
for row in "${cases[@]}"; do
  name="${row%%:*}"
  expected="${row##*:}"
  status=0
  output="$("$check" "$@" "--gtest_filter=RunTestExecutableProbe.$name" 2>&1)" ||
    status=$?
  if [ "$status" -eq 0 ]; then
    verdict=pass
  elif [[ "$output" == *"$message"* ]]; then
    verdict=early
  else
    verdict=fail
  fi
  if [ "$verdict" != "$expected" ]; then
    echo "RunTestExecutableProbe.$name: expected $expected, got $verdict" \
         "(exit code $status). Its output:"
    echo "$output"
    wrong=$((wrong + 1))
  fi
done
if [ "$wrong" -ne 0 ]; then
  echo "run_test_executable.sh gave $wrong of ${#cases[@]} probe cases the wrong verdict"
  exit 1
fi
