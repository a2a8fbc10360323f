#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Linux package: builds varnix_<version>_<arch>.deb from a Release build,
# checks its contents, installs it with apt-get (so that its dependencies
# resolve), runs the installed programs and removes it again.
#   bash scripts/package-test.sh [BUILD]   (default build/plain)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/plain}
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
fail() { echo "package-test: FAIL: $*" >&2; exit 1; }
say() { echo "package-test: $*"; }

grep -q '^CMAKE_BUILD_TYPE:[A-Z]*=Release$' "$BUILD/CMakeCache.txt" || fail "$BUILD is not a Release build"
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
rm -f "$BUILD"/varnix_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null) || fail "cpack -G DEB"
DEB=$(ls "$BUILD"/varnix_"$VERSION"_*.deb)

contents=$(dpkg-deb -c "$DEB" | awk '{print $NF}')
for f in bin/Varnix bin/varnix-cli bin/varnix-sim 'lib/.*libvarnix\.so' include/varnix/varnix.h \
  share/applications/varnix.desktop share/icons/hicolor/scalable/apps/varnix.svg share/varnix/SAMPLE.DAT \
  share/doc/varnix/copyright share/man/man1/Varnix.1.gz share/man/man1/varnix-cli.1.gz \
  share/man/man1/varnix-sim.1.gz; do
  grep -qE "^\./usr/$f\$" <<<"$contents" || fail "$DEB lacks /usr/$f"
done
depends=$(dpkg-deb -f "$DEB" Depends)
grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends lacks the Qt libraries: $depends"

# A package left behind by an earlier run that failed goes first.
$SUDO apt-get remove -y -qq varnix >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$(realpath "$DEB")" >/dev/null
TMP=$(mktemp -d "${TMPDIR:-/tmp}/varnix-package-XXXXXX")
cleanup() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq varnix >/dev/null 2>&1 || true
  rm -rf "$TMP"
}
trap cleanup EXIT

[ "$(/usr/bin/varnix-cli --version)" = "varnix-cli $VERSION" ] || fail "varnix-cli --version: $(/usr/bin/varnix-cli --version)"
mkdir -p "$TMP/data"
cp /usr/share/varnix/SAMPLE.DAT "$TMP/"
(cd "$TMP" && /usr/bin/varnix-cli expand "$TMP/SAMPLE.DAT" --data-folder "$TMP/data" >/dev/null) \
  || fail "the installed varnix-cli did not expand the installed sample"
csvs=$(find "$TMP/data" -name 'F*.CSV' | wc -l)
[ "$csvs" -gt 0 ] || fail "no flight files from the installed sample"
[ "$(QT_QPA_PLATFORM=offscreen /usr/bin/Varnix --version 2>/dev/null)" = "Varnix $VERSION" ] || fail "Varnix --version"
cleanup
trap - EXIT
if dpkg-query -W -f='${Status}' varnix 2>/dev/null | grep -q 'install ok installed'; then
  fail "the package is still installed after apt-get remove"
fi
[ ! -e /usr/bin/varnix-cli ] || fail "apt-get remove left /usr/bin/varnix-cli behind"
say "$(basename "$DEB") ($(($(stat -c %s "$DEB") / 1024)) KiB): installed, sample expanded into $csvs flight files, removed"
