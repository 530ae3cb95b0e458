#!/usr/bin/env bash
# Creates the private Wine prefix of a build tree (never the default one) and
# applies testing/wine_prefix.reg; redone when that file changes.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"
settings="$root/testing/wine_prefix.reg"

export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
stamp="$WINEPREFIX/.velto_settings"

if [ -f "$stamp" ] && cmp -s "$stamp" "$settings"; then
  exit 0
fi
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wine regedit /S "$(winepath -w "$settings")" >/dev/null 2>&1
wineserver -w
cp "$settings" "$stamp"
