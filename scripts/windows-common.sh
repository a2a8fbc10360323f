# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the Windows cross builds and Wine, sourced by windows-test.sh and
# screenshots.sh from the checkout's root.

# The one place that names the Qt version of the Windows builds: Debian 12's
# (the host tools that build it are Debian's qt6-base-dev-tools).
WINDOWS_QT_VERSION=6.4.2

# The static Qt (with QCustomPlot and SQLite) that scripts/build-qt-windows.sh
# builds for an architecture (i686, x86_64).
windows_qt_prefix() { echo "${XDG_CACHE_HOME:-$HOME/.cache}/varnix/qt-$WINDOWS_QT_VERSION-mingw-$1"; }

# Configures and builds the Release cross build in DIR for ARCH: against Qt
# for Windows when it is there (then with the desktop program), else with the
# plain mingw toolchain. A build tree made with another toolchain starts over.
# The deliverables only, unless the third word is "with-tests" (the unit tests
# then share the tree's build of the library and the command line).
build_windows() {
  local dir=$1 arch=$2 tests=OFF toolchain
  if [ "${3:-}" = with-tests ]; then tests=ON; fi
  toolchain=$(windows_qt_prefix "$arch")/lib/cmake/Qt6/qt.toolchain.cmake
  # Only a finished Qt (its last part stamped), not one still being built.
  [ -f "$toolchain" ] && [ -f "$(windows_qt_prefix "$arch")/.varnix-built-qcustomplot" ] ||
    toolchain=$PWD/cmake/toolchain-$arch-w64-mingw32.cmake
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q "^CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain\$" "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  mkdir -p "$dir"
  if ! { cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DVARNIX_BUILD_TESTS="$tests" -DVARNIX_UNITY_BUILD=ON &&
    cmake --build "$dir" -j"${JOBS:-$(nproc)}"; } >"$dir/build.log" 2>&1; then
    tail -n 30 "$dir/build.log" >&2
    echo "the $arch Windows build in $dir failed" >&2
    return 1
  fi
}

# Wine in a prefix of the build tree, quiet, without the .NET and HTML
# installers a fresh prefix would otherwise offer.
use_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# run_wine BITS PROGRAM ARGS...: Debian's `wine` starts every program through
# Wine's 32-bit loader once Wine's 32-bit half is installed, and that loader
# cannot start where the kernel runs no 32-bit programs: each program goes to
# the loader of its own bitness (32 or 64).
run_wine() {
  local bits=$1
  shift
  if [ "$bits" = 64 ]; then
    WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"
  else
    /usr/lib/wine/wine "$@"
  fi
}

winpath() { echo "Z:${1//\//\\}"; }

# Starts Xvfb on a free display and exports DISPLAY; XVFB_PID for stop_xvfb.
XVFB_PID=""
start_xvfb() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for ((i = 0; i < 100; i++)); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
}
stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
