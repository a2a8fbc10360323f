#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing Varnix needs on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
# A mirror in the middle of a sync can fail one index for a while: try again,
# then go on with what was fetched (the install below fails if it lacks a package).
apt_update() {
  for attempt in 1 2 3; do
    if $SUDO apt-get update -qq; then return 0; fi
    echo "install-deps: apt-get update failed (attempt $attempt of 3)" >&2
    sleep $((attempt * 10))
  done
  echo "install-deps: going on with the package lists fetched" >&2
}
PACKAGES=(
  cmake g++ make pkg-config
  libcli11-dev libgtest-dev libgmock-dev libsqlite3-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-serialport-dev libqt6opengl6-dev libxkbcommon-dev libgl-dev
  libqcustomplot-dev
  fonts-dejavu-core xvfb xauth imagemagick socat
  ninja-build dpkg-dev help2man x11-utils nlohmann-json3-dev
  nsis tcl
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine64 wine
)
# Wine's 32-bit half (for the 32-bit Varnix.dll and programs) comes from the
# i386 architecture. It goes in on its own: where it cannot (a mirror whose
# i386 index is broken), the rest still does, and scripts/windows-test.sh
# says that the 32-bit programs were built and inspected but not run.
WINE32=wine32:i386
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
need_wine32=""
dpkg-query -W -f='${Status}' "$WINE32" 2>/dev/null | grep -q "install ok installed" || need_wine32=1
if [ ${#missing[@]} -gt 0 ] || [ -n "$need_wine32" ]; then
  if [ -n "$need_wine32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  apt_update
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  if [ -n "$need_wine32" ] &&
    ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$WINE32"; then
    echo "install-deps: WARNING: $WINE32 could not be installed (see apt-get's message above);" >&2
    echo "install-deps: WARNING: the Windows test will build the 32-bit programs but not run them" >&2
  fi
fi

# The Windows build compiles Qt (and SQLite) from Debian's own source packages
# (scripts/build-qt-windows.sh), which apt-get source fetches only through a
# deb-src entry: one for each Debian archive the system takes binary packages
# from, same URIs, suites and components.
if [ -z "$(apt-get indextargets --format '$(SITE)' 'Created-By: Sources' 'Origin: Debian' 2>/dev/null)" ]; then
  list=/etc/apt/sources.list.d/varnix-deb-src.sources
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  entries=$(apt-get indextargets --format '$(SITE) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' 'Origin: Debian' | sort -u)
  if [ -n "$entries" ]; then
    echo "install-deps: adding deb-src entries for Debian's archive in $list (for the Windows build's Qt sources)"
    while read -r site release component; do
      echo "Types: deb-src"
      echo "URIs: $site"
      echo "Suites: $release"
      echo "Components: $component"
      if [ -f "$keyring" ]; then echo "Signed-By: $keyring"; fi
      echo
    done <<<"$entries" | $SUDO tee "$list" >/dev/null
    apt_update
  else
    echo "install-deps: no Debian archive among the apt sources: no deb-src entry added (the Windows build needs one)"
  fi
fi
