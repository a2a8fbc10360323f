#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing Varnix needs on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  cmake g++ make pkg-config
  libcli11-dev libgtest-dev libgmock-dev libsqlite3-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-serialport-dev libqt6opengl6-dev libxkbcommon-dev libgl-dev
  libqcustomplot-dev
  fonts-dejavu-core xvfb xauth imagemagick socat
  ninja-build dpkg-dev help2man x11-utils
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine64 wine wine32:i386
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  # Wine's 32-bit half (for the 32-bit Varnix.dll and programs) comes from
  # the i386 architecture.
  if [[ " ${missing[*]} " == *" wine32:i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
