#!/usr/bin/env bash
# Runs one executable of the build tree under Wine, as CTest would: with the
# test prefix's environment, from the build folder, after building it if it
# is out of date. Everything after the name goes to the executable, and its
# exit code is the script's.
#
#   tools/run.sh base_json_unittests
#   tools/run.sh base_json_unittests --gtest_filter='JSONReaderTest.*'
#   tools/run.sh json_benchmark --smoke
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"

if [ $# -eq 0 ] || [[ "$1" == -* ]]; then
  echo "Usage: tools/run.sh EXECUTABLE [ARGUMENTS...]" >&2
  echo "  e.g. tools/run.sh base_json_unittests --gtest_filter='JSONReaderTest.*'" >&2
  exit 2
fi
name="$(basename "$1" .exe)"
shift

list_executables() {
  echo "tools/run.sh: no executable named $name; these exist:" >&2
  (cd "$build/bin" 2>/dev/null && ls -- *.exe 2>/dev/null | sed 's/\.exe$//; s/^/  /') >&2 || true
  exit 2
}

if ! "$root/tools/build.sh" --quiet "$name"; then
  grep -qs "No rule to make target '$name'" "$build/build.log" && list_executables
  exit 1
fi
executable="$build/bin/$name.exe"
[ -f "$executable" ] || list_executables

source "$root/tools/wine_env.sh"
start_test_wineserver

cd "$build"
status=0
wine "$executable" "$@" || status=$?
exit "$status"
