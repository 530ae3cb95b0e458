#!/usr/bin/env bash
# Builds what is missing, prepares the private Wine prefix of the build tree
# and runs every test through CTest. Extra arguments go to ctest (e.g. -R file).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"

"$root/tools/build.sh"

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
"$root/tools/wine_prefix.sh" "$build"

# One wineserver for the whole run, so each test process starts fast; it is
# stopped whatever the outcome. Wine's own service processes are started here,
# detached from CTest's output pipes: started by a test, they would inherit
# the pipe and CTest would wait for them until its time-out.
wineserver -p 2>/dev/null || true  # may be running already for this prefix
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
