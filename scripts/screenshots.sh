#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders every screen of the desktop program into docs/screenshots/, under
# Xvfb when it is there (offscreen otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."
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
