#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders every screen of the desktop program into docs/screenshots/, under
# Xvfb when it is there (offscreen otherwise).
#   bash scripts/screenshots.sh [OUT]
#   bash scripts/screenshots.sh --windows [OUT]   the 32-bit Windows program under
#        Wine and Xvfb, into docs/screenshots/windows/ (builds Qt for Windows once)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --windows ]; then
  source scripts/windows-common.sh
  OUT=$(realpath -m "${2:-docs/screenshots/windows}")
  bash scripts/build-qt-windows.sh i686
  build_windows build/win32 i686
  use_wine_prefix "$PWD/build/wine-prefix"
  # From a folder of Wine's C: drive, as a user unpacks the program.
  run=$WINEPREFIX/drive_c/VarnixShots
  rm -rf "$run"
  mkdir -p "$run" "$OUT"
  cp build/win32/app/varnix_screenshots.exe build/win32/library/Varnix.dll "$run/"
  start_xvfb
  trap 'wineserver -k >/dev/null 2>&1 || true; stop_xvfb' EXIT
  (cd "$run" && run_wine 32 varnix_screenshots.exe "$(winpath "$OUT")" 2>&1 | tr -d '\r')
  exit 0
fi

BUILD=${BUILD:-build/screenshots}
OUT=${1:-docs/screenshots}
[ -f "$BUILD/CMakeCache.txt" ] || cmake -S . -B "$BUILD" -DVARNIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target varnix_screenshots varnix_flight_screenshots >/dev/null
mkdir -p "$OUT"
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24" "$BUILD/app/varnix_screenshots" "$OUT"
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" "$BUILD/app/varnix_flight_screenshots" "$OUT"
else
  QT_QPA_PLATFORM=offscreen "$BUILD/app/varnix_screenshots" "$OUT"
  QT_QPA_PLATFORM=offscreen "$BUILD/app/varnix_flight_screenshots" "$OUT"
fi
# The logbook's tabs (the Fleet tab at 1280×720 and 1920×1080), where the
# build has the catalog; its report.pdf stays behind.
if cmake --build "$BUILD" -j2 --target varnix_logbook_screenshots >/dev/null 2>&1; then
  shots=$(mktemp -d)
  if command -v xvfb-run >/dev/null; then
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" "$BUILD/app/varnix_logbook_screenshots" "$shots"
  else
    QT_QPA_PLATFORM=offscreen "$BUILD/app/varnix_logbook_screenshots" "$shots"
  fi
  cp "$shots"/logbook_*.png "$OUT/"
  rm -rf "$shots"
fi
