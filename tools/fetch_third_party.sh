#!/usr/bin/env bash
# Fetches the third-party sources the build compiles itself (today: pugixml,
# the XML layer of the install log) from Debian's source packages, checks
# them against the pinned SHA-256 sums and unpacks them into
# build/third_party_sources/, which every build tree shares and git ignores
# (build/third_party is where the default tree builds them). Does nothing
# when the pinned version is unpacked already.
#
# apt-get runs with a sources list and package lists of its own, so the
# machine's apt set-up is neither read nor changed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="$root/build/third_party_sources"

package=pugixml
version=1.13-0.2
# The files of the pinned source package and their SHA-256 sums.
declare -A sha256=(
  [pugixml_1.13-0.2.dsc]=f0ef481b50b6d01b04269fe109a2cace8d9dad6f6eb089f1c9aac5a0913aa7c2
  [pugixml_1.13.orig.tar.gz]=5c5ad5d7caeb791420408042a7d88c2c6180781bf218feca259fd9d840a888e1
  [pugixml_1.13-0.2.debian.tar.xz]=15ad5e40790d0155f6d4d55b7dd382974264d04e328de800a65e9fa5d5e8fb5d
)
target="$cache/$package-$version"

[ -f "$target/.complete" ] && exit 0

mkdir -p "$cache"
# Several build trees may start at once: one fetches, the others wait.
exec 9>"$cache/.lock"
flock 9
[ -f "$target/.complete" ] && exit 0

echo "Fetching the Debian source package $package $version into ${cache#"$root"/}" >&2
work="$(mktemp -d "$cache/.fetch.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sources" "$work/lists/partial" "$work/download"
cat >"$work/sources/debian-source.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_options=(
  -o "Dir::Etc::SourceList=/dev/null"
  -o "Dir::Etc::SourceParts=$work/sources"
  -o "Dir::State::Lists=$work/lists"
  -o "Debug::NoLocking=1"
  -o "APT::Sandbox::User=root"
  -q
)
# Quiet unless something fails.
log="$work/fetch.log"
if ! { apt-get "${apt_options[@]}" update &&
       (cd "$work/download" &&
        apt-get "${apt_options[@]}" source --download-only "$package=$version")
     } >"$log" 2>&1; then
  cat "$log" >&2
  echo "tools/fetch_third_party.sh: could not fetch $package $version" >&2
  exit 1
fi

for file in "${!sha256[@]}"; do
  actual="$(sha256sum "$work/download/$file" | cut -d' ' -f1)"
  if [ "$actual" != "${sha256[$file]}" ]; then
    echo "tools/fetch_third_party.sh: $file has SHA-256 $actual," \
         "expected ${sha256[$file]}" >&2
    exit 1
  fi
done

# The sums above vouch for the files; dpkg-source would only warn that the
# signer's key is not on this machine.
if ! dpkg-source --no-copy -x "$work/download/${package}_$version.dsc" \
       "$work/unpacked" >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
touch "$work/unpacked/.complete"
rm -rf "$target"
mv "$work/unpacked" "$target"
