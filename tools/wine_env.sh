# The Wine environment of the test prefix of a build tree, for the scripts
# of tools/: source it after setting $root and $build. CTest gives each test
# the same variables through VELTO_TEST_ENVIRONMENT in cmake/velto.cmake;
# keep the two in step.
#
# The prefix belongs to the build tree, never the default one. mscoree and
# mshtml are disabled, so no .NET or HTML engine installer starts, and so is
# the menu builder, which otherwise writes menu entries and file
# associations into $HOME whenever the prefix is made or Wine's desktop
# process starts.
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

# Makes or updates the prefix, then starts one wineserver for the whole run,
# so that each test process starts fast. A server this run started is
# stopped when the script exits; one that was running already is left alone.
# Wine's own service processes are started here too, detached from our
# output: started by a test, they would inherit CTest's output pipe and CTest
# would wait for them until its time-out.
start_test_wineserver() {
  "$root/tools/wine_prefix.sh" "$build"
  # Exit status 2: a server of this prefix is running already.
  if wineserver -p 2>/dev/null; then
    trap 'wineserver -k 2>/dev/null || true' EXIT
  fi
  if ! wine cmd /c exit </dev/null >/dev/null 2>&1; then
    echo "Wine does not start in $WINEPREFIX" >&2
    exit 1
  fi
  # Wine starts its desktop process when a process makes its first window;
  # test processes racing to start it under load can be left unable to make
  # one. A program that makes a window (rundll32 does) starts it here.
  wine rundll32.exe user32.dll,MessageBeep </dev/null >/dev/null 2>&1 || true
}
