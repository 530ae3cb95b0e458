#!/usr/bin/env bash
# Makes the private Wine prefix of a build tree (never the default one) and
# applies testing/wine_prefix.reg; redone when that file or this script
# changes. Says so in one line when it has work to do.
#
#   tools/wine_prefix.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"
settings="$root/testing/wine_prefix.reg"
source "$root/tools/wine_env.sh"

stamp="$WINEPREFIX/.velto_settings"
recipe() { cat "$settings" "$root/tools/wine_prefix.sh"; }
if [ -f "$stamp" ] && recipe | cmp -s "$stamp" -; then
  exit 0
fi

shown="${WINEPREFIX#"$root"/}"
if [ -f "$WINEPREFIX/system.reg" ]; then
  echo "Updating the Wine test prefix in $shown" >&2
else
  echo "Making the Wine test prefix in $shown (first run only, about 10 s)" >&2
fi
mkdir -p "$WINEPREFIX"
# A persistent server left on this prefix (tools/run.sh by hand, say) would
# make the wait below endless; the prefix is ours, so stop it first.
wineserver -k 2>/dev/null || true
log="$build/wineprefix.log"
if ! { wineboot -i && wine regedit /S "$(winepath -w "$settings")" &&
       wineserver -w; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "Could not make the Wine prefix $WINEPREFIX" >&2
  exit 1
fi

# Wine links the user folders of the prefix (Desktop, Documents, Templates...)
# to $HOME, so a test that writes there would write into the real home. Plain
# folders keep everything inside the prefix; Wine leaves them alone later.
find "$WINEPREFIX/drive_c/users" -type l -lname '/*' -print0 |
  while IFS= read -r -d '' link; do
    rm -- "$link"
    mkdir -- "$link"
  done

recipe >"$stamp"
