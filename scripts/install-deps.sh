#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing Varnix needs on Debian 12.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  cmake g++ make pkg-config
  libcli11-dev libgtest-dev libgmock-dev libsqlite3-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6opengl6-dev libxkbcommon-dev libgl-dev
  fonts-dejavu-core xvfb xauth imagemagick socat
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 wine
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
