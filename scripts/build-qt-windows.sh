#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds what the Windows desktop program needs and Debian does not ship for
# mingw: a static Qt (the version WINDOWS_QT_VERSION of windows-common.sh:
# qtbase from Debian's source package, Qt SVG from the repository's
# third_party/qtsvg), a static QCustomPlot 2.1 (Debian's source package with
# its patches) and a static SQLite (Debian's sqlite3 source, whose
# amalgamation this script makes), for 32-bit (i686, the default) or 64-bit
# (x86_64) Windows.
#   bash scripts/build-qt-windows.sh [i686|x86_64]
# Everything lands in ${XDG_CACHE_HOME:-~/.cache}/varnix/qt-<version>-mingw-<arch>;
# a part already there is not built again, so only a machine's first run pays
# (about 20 minutes on 2 cores). Configure Varnix against it with
#   -DCMAKE_TOOLCHAIN_FILE=<prefix>/lib/cmake/Qt6/qt.toolchain.cmake
# apt-get source needs a deb-src entry for Debian's archive: scripts/install-deps.sh
# adds it (this script leaves the system's apt sources alone).
# Environment: JOBS (parallel jobs, default nproc), QTSVG_TARBALL (another Qt
# SVG source archive than the repository's third_party/qtsvg one).
set -euo pipefail

ARCH=${1:-i686}
case "$ARCH" in
  i686 | x86_64) ;;
  *) echo "usage: $0 [i686|x86_64]" >&2; exit 2 ;;
esac
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/windows-common.sh"
QT_VERSION=$WINDOWS_QT_VERSION
TRIPLE=$ARCH-w64-mingw32
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/varnix
PREFIX=$(windows_qt_prefix "$ARCH")
SOURCES=$CACHE/sources          # downloaded archives, shared by both architectures
WORK=$CACHE/work-$ARCH          # unpacked sources and build trees, removed at the end
JOBS=${JOBS:-$(nproc)}
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

say() { echo "build-qt-windows: $*"; }
fail() { echo "build-qt-windows: $*" >&2; exit 1; }
done_stamp() { [ -f "$PREFIX/.varnix-built-$1" ]; }
stamp() { touch "$PREFIX/.varnix-built-$1"; }

if done_stamp qtbase && done_stamp qtsvg && done_stamp qcustomplot && done_stamp sqlite; then
  say "$PREFIX is there"
  exit 0
fi

for tool in cmake ninja "$TRIPLE-g++-posix" "$TRIPLE-gcc-posix" "$TRIPLE-windres" "$TRIPLE-ar" apt-get dpkg-source tclsh gcc make; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/install-deps.sh installs it)"
done
[ -x /usr/lib/qt6/libexec/moc ] || fail "Debian's Qt 6 host tools are missing (qt6-base-dev-tools)"

mkdir -p "$CACHE" "$SOURCES"
# One build per architecture at a time: a second caller waits, then finds it done.
exec 9>"$CACHE/qt-$ARCH.lock"
flock 9
if done_stamp qtbase && done_stamp qtsvg && done_stamp qcustomplot && done_stamp sqlite; then
  say "$PREFIX is there"
  exit 0
fi

# --- Sources ------------------------------------------------------------------
have_deb_src() {
  [ -n "$(apt-get indextargets --format '$(SITE)' 'Created-By: Sources' 'Origin: Debian' 2>/dev/null)" ]
}
fetch_source() { # package -> the .dsc in $SOURCES
  local package=$1 dsc
  dsc=$(ls "$SOURCES/${package}_"*.dsc 2>/dev/null | tail -n 1 || true)
  if [ -z "$dsc" ]; then
    have_deb_src || fail "apt has no deb-src entry for Debian's archive (bash scripts/install-deps.sh adds it)"
    (cd "$SOURCES" && apt-get source --download-only -qq "$package" >&2)
    dsc=$(ls "$SOURCES/${package}_"*.dsc | tail -n 1)
  fi
  echo "$dsc"
}

unpack_source() { # package, its name for the log, folder: the source with Debian's patches applied
  local dsc
  dsc=$(fetch_source "$1")
  say "$2 from $(basename "$dsc")"
  dpkg-source -x "$dsc" "$3" >"$3-unpack.log" 2>&1 || { cat "$3-unpack.log" >&2; fail "dpkg-source could not unpack $dsc"; }
}

find_qtsvg() {
  local candidate
  for candidate in "${QTSVG_TARBALL:-}" "$ROOT/third_party/qtsvg/qtsvg-everywhere-src-$QT_VERSION.tar.xz"; do
    if [ -n "$candidate" ] && [ -f "$candidate" ]; then
      echo "$candidate"
      return
    fi
  done
  fail "qtsvg-everywhere-src-$QT_VERSION.tar.xz not found in third_party/qtsvg (set QTSVG_TARBALL)"
}

rm -rf "$WORK"
mkdir -p "$WORK" "$PREFIX"
start=$SECONDS

# --- Toolchain ----------------------------------------------------------------
# The posix-thread compilers: the win32-thread ones lack std::thread, which Qt
# needs. Qt's qt.toolchain.cmake loads this file again for every project
# configured against the prefix, so it lives there.
TOOLCHAIN=$PREFIX/mingw-toolchain.cmake
cat >"$TOOLCHAIN" <<EOF
# SPDX-License-Identifier: GPL-3.0-or-later
# Written by scripts/build-qt-windows.sh: Debian's mingw-w64 ($ARCH, posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $ARCH)
set(CMAKE_C_COMPILER $TRIPLE-gcc-posix)
set(CMAKE_CXX_COMPILER $TRIPLE-g++-posix)
set(CMAKE_RC_COMPILER $TRIPLE-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$TRIPLE "$PREFIX")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# --- qtbase ---------------------------------------------------------------------
if ! done_stamp qtbase; then
  dsc=$(fetch_source qt6-base)
  orig=$(ls "$SOURCES"/qt6-base_"$QT_VERSION"*.orig.tar.* | head -n 1) \
    || fail "$dsc is not Qt $QT_VERSION (the host tools are $QT_VERSION)"
  say "qtbase from $(basename "$orig")"
  mkdir -p "$WORK/qtbase"
  tar -xf "$orig" -C "$WORK/qtbase" --strip-components=1
  # Debian's fixes taken from later Qt releases (security fixes; the series
  # lists them before its Debian-specific build patches, which are left out).
  tar -xf "${dsc%.dsc}.debian.tar.xz" -C "$WORK" debian/patches
  for patch in $(sed -n '/^# Debian specific/q; /^[^#]/p' "$WORK/debian/patches/series"); do
    patch -d "$WORK/qtbase" -p1 -s <"$WORK/debian/patches/$patch" || fail "Debian's $patch did not apply"
  done
  # With OpenGL off, the Windows platform plugin still uses OpenGL where dynamic
  # GL is configured (whether it renders in software); Qt 6.4.2 then fails to
  # compile.
  window_cpp=$WORK/qtbase/src/plugins/platforms/windows/qwindowswindow.cpp
  sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(opengl) \&\& QT_CONFIG(dynamicgl)/' "$window_cpp"
  grep -q '^#if QT_CONFIG(opengl) && QT_CONFIG(dynamicgl)$' "$window_cpp" || fail "the qwindowswindow.cpp patch did not apply"
  cmake -S "$WORK/qtbase" -B "$WORK/qtbase-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DBUILD_SHARED_LIBS=OFF \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DFEATURE_sql=OFF \
    -DFEATURE_network=OFF -DFEATURE_vulkan=OFF -DFEATURE_jpeg=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
    >"$WORK/qtbase-configure.log" 2>&1 || { tail -n 40 "$WORK/qtbase-configure.log" >&2; fail "qtbase configure failed"; }
  cmake --build "$WORK/qtbase-build" -j"$JOBS" >"$WORK/qtbase-build.log" 2>&1 \
    || { tail -n 40 "$WORK/qtbase-build.log" >&2; fail "qtbase build failed (log: $WORK/qtbase-build.log)"; }
  cmake --install "$WORK/qtbase-build" >/dev/null
  stamp qtbase
  say "qtbase built and installed in $((SECONDS - start)) s"
fi
QT_TOOLCHAIN=$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake

# --- Qt SVG ---------------------------------------------------------------------
if ! done_stamp qtsvg; then
  t=$SECONDS
  tarball=$(find_qtsvg)
  say "Qt SVG from $tarball"
  mkdir -p "$WORK/qtsvg"
  tar -xf "$tarball" -C "$WORK/qtsvg" --strip-components=1
  cmake -S "$WORK/qtsvg" -B "$WORK/qtsvg-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QT_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    >"$WORK/qtsvg-configure.log" 2>&1 || { tail -n 40 "$WORK/qtsvg-configure.log" >&2; fail "Qt SVG configure failed"; }
  cmake --build "$WORK/qtsvg-build" -j"$JOBS" >"$WORK/qtsvg-build.log" 2>&1 \
    || { tail -n 40 "$WORK/qtsvg-build.log" >&2; fail "Qt SVG build failed"; }
  cmake --install "$WORK/qtsvg-build" >/dev/null
  stamp qtsvg
  say "Qt SVG built and installed in $((SECONDS - t)) s"
fi

# --- QCustomPlot ----------------------------------------------------------------
# Debian's source package with its patches (QCustomPlot 2.1.0 as released does
# not pass Qt 6's moc), built as a static library for the static Qt. It
# installs the same package configuration as Debian's libqcustomplot-dev:
# find_package(QCustomPlotQt6), target QCustomPlotQt6::QCustomPlotQt6,
# #include <qcustomplot.h>.
if ! done_stamp qcustomplot; then
  t=$SECONDS
  unpack_source qcustomplot QCustomPlot "$WORK/qcustomplot"
  # Static, so without the DLL export decoration; its package configuration
  # finds the Qt modules it links, which a static library's users need.
  lists=$WORK/qcustomplot/CMakeLists.txt
  sed -i -e 's/^add_library(${LIB_NAME} SHARED /add_library(${LIB_NAME} STATIC /' \
    -e '/^add_definitions(-DQCUSTOMPLOT_COMPILE_LIBRARY)$/d' "$lists"
  grep -q '^add_library(${LIB_NAME} STATIC ' "$lists" || fail "QCustomPlot's CMakeLists.txt is not as expected"
  sed -i 's/^@PACKAGE_INIT@$/@PACKAGE_INIT@\ninclude(CMakeFindDependencyMacro)\nfind_dependency(Qt6 COMPONENTS Widgets PrintSupport)/' \
    "$WORK/qcustomplot/cmake/Config.cmake.in"
  cmake -S "$WORK/qcustomplot" -B "$WORK/qcustomplot-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QT_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DUSE_QT_VERSION=6 \
    >"$WORK/qcustomplot-configure.log" 2>&1 || { tail -n 40 "$WORK/qcustomplot-configure.log" >&2; fail "QCustomPlot configure failed"; }
  cmake --build "$WORK/qcustomplot-build" -j"$JOBS" >"$WORK/qcustomplot-build.log" 2>&1 \
    || { tail -n 40 "$WORK/qcustomplot-build.log" >&2; fail "QCustomPlot build failed"; }
  cmake --install "$WORK/qcustomplot-build" >/dev/null
  stamp qcustomplot
  say "QCustomPlot built and installed in $((SECONDS - t)) s"
fi

# --- SQLite ---------------------------------------------------------------------
# Debian's sqlite3 source (the version of its libsqlite3-dev) holds no
# amalgamation: its own build makes sqlite3.c with the build machine's
# compiler and tclsh, then mingw compiles that one file. Installed as
# include/sqlite3.h and lib/libsqlite3.a, where CMake's FindSQLite3 looks
# (find_package(SQLite3), target SQLite::SQLite3), as on Linux.
if ! done_stamp sqlite; then
  t=$SECONDS
  unpack_source sqlite3 SQLite "$WORK/sqlite"
  mkdir -p "$WORK/sqlite-build"
  (cd "$WORK/sqlite-build" && ../sqlite/configure --disable-tcl && make sqlite3.c) >"$WORK/sqlite-amalgamation.log" 2>&1 \
    || { tail -n 40 "$WORK/sqlite-amalgamation.log" >&2; fail "SQLite's amalgamation could not be made"; }
  "$TRIPLE-gcc-posix" -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -c "$WORK/sqlite-build/sqlite3.c" \
    -o "$WORK/sqlite-build/sqlite3.o" || fail "SQLite did not compile for $TRIPLE"
  mkdir -p "$PREFIX/lib" "$PREFIX/include"
  rm -f "$PREFIX/lib/libsqlite3.a"
  "$TRIPLE-ar" rcs "$PREFIX/lib/libsqlite3.a" "$WORK/sqlite-build/sqlite3.o"
  install -m 644 "$WORK/sqlite-build/sqlite3.h" "$PREFIX/include/"
  stamp sqlite
  say "SQLite built and installed in $((SECONDS - t)) s"
fi

rm -rf "$WORK"
say "$PREFIX ready in $((SECONDS - start)) s"
