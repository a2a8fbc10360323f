#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The emulator of the Windows cross builds (CMAKE_CROSSCOMPILING_EMULATOR):
#   wine-run.sh LOADER PREFIX PROGRAM ARGS...
# runs a Windows program under the Wine loader of its bitness
# (/usr/lib/wine/wine64 or /usr/lib/wine/wine) in the Wine prefix PREFIX,
# quiet and without the .NET and HTML installers; the program's exit status
# is Wine's.
set -eu
loader=$1 prefix=$2
shift 2
export WINELOADER="$loader" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A new prefix takes Wine some 20 s to set up: once, not by each of the tests
# that ctest starts side by side.
if [ ! -f "$prefix/.varnix-ready" ]; then
  mkdir -p "$prefix"
  flock "$prefix/.lock" sh -c '[ -f "$WINEPREFIX/.varnix-ready" ] ||
    { "$WINELOADER" wineboot -i >/dev/null 2>&1 && touch "$WINEPREFIX/.varnix-ready"; }'
fi
exec "$loader" "$@"
