#!/usr/bin/env bash
# Builds what is missing, prepares the private Wine prefix of the build tree
# and runs every test through CTest, then lists the test cases that skipped.
# Extra arguments go to ctest (e.g. -R base_json_unittests). Flags for a test
# executable itself, such as --gtest_filter, go through tools/run.sh: ctest
# would ignore them without a word, so they are refused here.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"

refuse() {
  echo "tools/test.sh: $1" >&2
  exit 2
}

# The ctest options that make sense here; ctest ignores what it does not know.
check_ctest_arguments() {
  while [ $# -gt 0 ]; do
    case "$1" in
      -C|--build-config|-j|--parallel|-L|--label-regex|-R|--tests-regex|\
      -E|--exclude-regex|-LE|--label-exclude|-FA|--fixture-exclude-any|\
      -FS|--fixture-exclude-setup|-FC|--fixture-exclude-cleanup|\
      -I|--tests-information|-O|--output-log|--output-junit|--repeat|\
      --repeat-until-fail|--timeout|--stop-time|--max-width|--test-load|\
      --test-output-size-passed|--test-output-size-failed|\
      --test-output-truncation|--preset)
        [ $# -ge 2 ] || refuse "$1 needs a value"
        shift ;;
      -V|--verbose|-VV|--extra-verbose|--debug|--progress|\
      --output-on-failure|--stop-on-failure|-F|-Q|--quiet|-N|--show-only|\
      --show-only=*|-U|--union|--rerun-failed|--schedule-random|\
      --no-label-summary|--no-subproject-summary|--print-labels|\
      --list-presets|--preset=*|--no-tests=*|-j[0-9]*|-h|--help) ;;
      -*) refuse "ctest does not take $1 (it would ignore it and run everything).
To run one test executable with its own flags, use tools/run.sh, e.g.
  tools/run.sh base_json_unittests --gtest_filter='JSONReaderTest.*'" ;;
      *) refuse "ctest does not take '$1'; to choose tests by name, write -R '$1'" ;;
    esac
    shift
  done
}
check_ctest_arguments "$@"

"$root/tools/build.sh" --quiet
source "$root/tools/wine_env.sh"
start_test_wineserver

cd "$build"
log=Testing/Temporary/LastTest.log
rm -f "$log"
status=0
ctest --output-on-failure -j "${VELTO_JOBS:-$(nproc)}" "$@" || status=$?
if [ -f "$log" ]; then
  "$root/tools/list_skipped_tests.sh" "$log"
fi
exit "$status"
