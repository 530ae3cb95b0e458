#!/usr/bin/env bash
# Installs what is missing, then configures and builds into ./build (or
# $VELTO_BUILD_DIR): the DLL, every test executable and every benchmark, or
# only the targets named.
#
#   tools/build.sh                          everything, showing the progress
#   tools/build.sh --quiet json_benchmark   one target, quietly
#
# --quiet writes the output to build.log in the build folder and shows it
# only when the build fails or warns; a build that has work to do says so
# in one line. VELTO_JOBS sets how many jobs run at once (default: one per
# processor), for machines that build several trees side by side.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"

quiet=0
targets=()
for arg in "$@"; do
  case "$arg" in
    --quiet) quiet=1 ;;
    -*) echo "tools/build.sh: unknown option $arg" >&2; exit 2 ;;
    *) targets+=("$arg") ;;
  esac
done

"$root/tools/install_deps.sh"
"$root/tools/fetch_third_party.sh"

fresh=0
[ -f "$build/CMakeCache.txt" ] || fresh=1
configure() {
  if [ $fresh -eq 1 ]; then
    cmake -S "$root" -B "$build" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
  fi
}
compile() {
  local target_arguments=()
  if [ ${#targets[@]} -gt 0 ]; then
    target_arguments=(--target "${targets[@]}")
  fi
  cmake --build "$build" -j "${VELTO_JOBS:-$(nproc)}" "${target_arguments[@]}"
}

if [ $quiet -eq 0 ]; then
  configure >/dev/null
  compile
  exit 0
fi

mkdir -p "$build"
shown="${build#"$root"/}"
log="$build/build.log"
if [ $fresh -eq 1 ]; then
  echo "Configuring and building $shown from scratch (a few minutes; output in $shown/build.log)" >&2
  note=""
else
  note="Building what changed in $shown (output in $shown/build.log)"
fi
# The note appears once, with the first file compiled or linked: a build with
# nothing to do stays silent. Notes go to stderr, as they are no program's
# output.
set +e
{ configure && compile; } 2>&1 | tee "$log" |
  awk -v note="$note" 'note != "" && /^\[ *[0-9]+%\] (Building|Linking)/ {
                         print note > "/dev/stderr"; note = "" }'
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ] || grep -q 'warning:' "$log"; then
  # Without the progress lines the diagnostics stand out.
  grep -v -E '^(\[ *[0-9]+%\] |Consolidate compiler generated dependencies)' \
    "$log" >&2 || true
  if [ "$status" -ne 0 ]; then
    echo "The build failed; its full output is in $log" >&2
    exit "$status"
  fi
  echo "The build warns; its full output is in $log" >&2
fi
