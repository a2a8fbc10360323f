#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows deliverable: builds Varnix.dll for 32-bit and 64-bit Windows with
# mingw-w64, checks that the 32-bit DLL exports exactly its functions
# under their plain names and imports only system DLLs, and runs the 64-bit
# test program under Wine. Under Wine it expands dumps and converts Palm
# backups, and the files must equal the Linux build's byte for byte; then it
# downloads from the simulated instrument through a COM port mapped to a
# pseudo-terminal (codes 0 and 7).
#   LINUX_BUILD=dir  the Linux build that provides varnix-cli, varnix-sim and
#                    varnix_make_sample (default build/plain when it exists)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=$(nproc)

fail() { echo "windows-test: FAIL: $*" >&2; exit 1; }
say() { echo "windows-test: $*"; }

# --- Builds -------------------------------------------------------------------
for arch in i686:win32 x86_64:win64; do
  triple=${arch%%:*}-w64-mingw32
  dir=build/${arch##*:}
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$triple.cmake" \
    -DVARNIX_BUILD_APP=OFF >/dev/null
  cmake --build "$dir" -j"$JOBS" >/dev/null
done
DLL32=build/win32/library/Varnix.dll
DLL64=build/win64/library/Varnix.dll
SMOKE=build/win64/tests/windows/dll_smoke.exe
[ -f "$DLL32" ] && [ -f "$DLL64" ] && [ -f "$SMOKE" ] || fail "the cross builds left no DLL or test program"

# --- The 32-bit DLL's tables --------------------------------------------------
table=$(i686-w64-mingw32-objdump -p "$DLL32")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" | awk '/^[[:space:]]+\[/ {print $NF}' | sort | xargs)
[ "$exports" = "DataDownload ExpandDataFile ExpandDataFileEx GetUserID ProcessPalmFile" ] || fail "32-bit exports: '$exports'"
for dll in $(awk '/DLL Name:/ {print $3}' <<<"$table"); do
  case "${dll,,}" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll) ;;
    *) fail "32-bit DLL imports $dll" ;;
  esac
done
grep -q 'i386' <<<"$table" || fail "Varnix.dll is not a 32-bit library"
say "32-bit Varnix.dll: exports $exports; imports $(awk '/DLL Name:/ {print $3}' <<<"$table" | xargs)"

# --- The Linux reference ------------------------------------------------------
LINUX_BUILD=${LINUX_BUILD:-}
if [ -z "$LINUX_BUILD" ]; then
  if [ -f build/plain/CMakeCache.txt ]; then LINUX_BUILD=build/plain; else LINUX_BUILD=build/windows-ref; fi
fi
if [ ! -f "$LINUX_BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$LINUX_BUILD" -DVARNIX_BUILD_APP=OFF >/dev/null
fi
cmake --build "$LINUX_BUILD" -j"$JOBS" --target varnix-cli varnix-sim varnix_make_sample >/dev/null
CLI=$ROOT/$LINUX_BUILD/cli/varnix-cli
SIM=$ROOT/$LINUX_BUILD/sim/varnix-sim
MAKE_SAMPLE=$ROOT/$LINUX_BUILD/tests/varnix_make_sample

# --- Inputs -------------------------------------------------------------------
W=$ROOT/build/win64/wine-test
rm -rf "$W"
mkdir -p "$W/in" "$W/run"
export WINEPREFIX=$ROOT/build/win64/wine-prefix WINEDEBUG=-all
winpath() { echo "Z:${1//\//\\}"; }

# A Palm backup of a dump: a database header, then 4096-byte blocks each
# followed by an 8-byte record header (after the last one too when $3 is 1).
make_pdb() {
  local dump=$1 out=$2 trailing=$3 size blocks i
  size=$(stat -c %s "$dump")
  blocks=$(((size + 4095) / 4096))
  {
    printf 'QTM Dump'
    head -c 70 /dev/zero
    for ((i = 0; i < blocks; i++)); do printf '\000\000\020\000\100\157\000\001'; done
    printf '\000\000'
    for ((i = 0; i < blocks; i++)); do
      dd if="$dump" bs=4096 skip="$i" count=1 status=none
      if ((i + 1 < blocks || trailing)); then printf '#REC\377\000\000\001'; fi
    done
  } >"$out"
}

"$MAKE_SAMPLE" "$W/in/A.DAT"
head -c -9 "$W/in/A.DAT" >"$W/in/B.DAT"                   # no closing line
cp samples/SAMPLE.DAT "$W/in/C.DAT"
cat "$W/in/A.DAT" "$W/in/A.DAT" "$W/in/A.DAT" >"$W/in/big.bin"  # three blocks and more
make_pdb "$W/in/A.DAT" "$W/in/P1234567.PDB" 0
make_pdb "$W/in/big.bin" "$W/in/P2345678.pdb" 1
printf 'header without a dump $$U, $U$U' >"$W/in/P3456789.PDB"
rm "$W/in/big.bin"
cp -r "$W/in" "$W/linux"
cp -r "$W/in" "$W/win"
mkdir -p "$W/linux/data" "$W/win/data"

# Linux: the command-line tool. Lines "palm CODE NAME" and "expand CODE NAME".
(
  cd "$W/linux"
  for p in P1234567.PDB P2345678.pdb P3456789.PDB; do
    code=0
    "$CLI" palm "$W/linux/$p" >/dev/null 2>&1 || code=$?
    echo "palm $code $p"
  done
  for d in A.DAT B.DAT C.DAT P1234567.DAT; do
    code=0
    "$CLI" expand "$W/linux/$d" --data-folder "$W/linux/data" >/dev/null 2>&1 || code=$?
    echo "expand $code $d"
  done
) >"$W/linux.codes"

# Windows: the test program, with Varnix.dll beside it.
cp "$DLL64" "$SMOKE" "$W/run/"
# Wine exits 0 even when the program cannot start: callers look for its last line.
run_smoke() { (cd "$W/run" && wine dll_smoke.exe "$@" 2>"$W/wine.err" | tr -d '\r') || true; }
out=$(run_smoke exports)
grep -qx 'dll_smoke: done' <<<"$out" || fail "the test program did not run under Wine: $out $(head -5 "$W/wine.err")"
{
  out=$(run_smoke palm "$(winpath "$W/win/P1234567.PDB")" "$(winpath "$W/win/P2345678.pdb")" \
    "$(winpath "$W/win/P3456789.PDB")")
  grep -qx 'dll_smoke: done' <<<"$out" || fail "palm under Wine: $out"
  grep '^palm ' <<<"$out" | while read -r _ code file _; do echo "palm $code ${file##*\\}"; done
  out=$(run_smoke expand "$(winpath "$W/win/data")" "$(winpath "$W/win/A.DAT")" "$(winpath "$W/win/B.DAT")" \
    "$(winpath "$W/win/C.DAT")" "$(winpath "$W/win/P1234567.DAT")")
  grep -qx 'dll_smoke: done' <<<"$out" || fail "expand under Wine: $out"
  grep '^expand ' <<<"$out" | while read -r _ code path; do echo "expand $code ${path##*\\}"; done
} >"$W/win.codes"
diff -u "$W/linux.codes" "$W/win.codes" >&2 || fail "result codes differ between Linux and Windows"
grep -qx 'palm 3 P3456789.PDB' "$W/linux.codes" || fail "a backup without a dump must give 3"
grep -qx 'expand 0 A.DAT' "$W/linux.codes" || fail "the sample dump did not expand: $(cat "$W/linux.codes")"

# Every file on both sides, byte for byte; a CSV's first line carries today's
# date and is compared from its second line on.
(cd "$W/linux" && find . -type f | sort) >"$W/linux.files"
(cd "$W/win" && find . -type f | sort) >"$W/win.files"
diff -u "$W/linux.files" "$W/win.files" >&2 || fail "Linux and Windows produced different files"
csvs=0
while read -r f; do
  case "$f" in
    *.CSV)
      csvs=$((csvs + 1))
      cmp -s <(tail -n +2 "$W/linux/$f") <(tail -n +2 "$W/win/$f") || fail "$f differs"
      head -c 12 "$W/win/$f" | grep -q '^"Varnix     ' || fail "$f: first line"
      ;;
    *) cmp -s "$W/linux/$f" "$W/win/$f" || fail "$f differs" ;;
  esac
done <"$W/linux.files"
[ "$csvs" -gt 0 ] || fail "no flight files were produced"
say "Wine: $(wc -l <"$W/linux.files") files equal to the Linux build's ($csvs flight files); codes: $(cut -d' ' -f1,2 "$W/win.codes" | xargs)"

# --- Download through a COM port mapped to a pseudo-terminal -----------------
SIM_PID=""
cleanup() { if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null || true; fi; }
trap cleanup EXIT

# Starts the simulated instrument on a new pseudo-terminal, maps COM7 to it.
start_sim() {
  "$SIM" "$@" >"$W/sim.out" 2>"$W/sim.err" &
  SIM_PID=$!
  local pty="" i
  for ((i = 0; i < 100; i++)); do
    pty=$(head -n 1 "$W/sim.out" 2>/dev/null || true)
    [ -n "$pty" ] && break
    sleep 0.1
  done
  [ -n "$pty" ] || fail "varnix-sim gave no pseudo-terminal: $(cat "$W/sim.err")"
  wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$pty" /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

printf 'COM7 19200\r\n' >"$W/run/VARNIX.CFG"
printf '10 2\r\n' >"$W/run/TIMEOUT.CFG"
mkdir -p "$W/download"
start_sim "$W/in/A.DAT" --wait 60
out=$(run_smoke download "$(winpath "$W/download")")
grep -qx 'dll_smoke: done' <<<"$out" || fail "download under Wine: $out"
line=$(grep '^download ' <<<"$out")
[ "${line%% *}" = download ] && [ "$(cut -d' ' -f2 <<<"$line")" = 0 ] || fail "download: $line"
got=$(cut -d' ' -f3- <<<"$line")
got=${got#Z:}
got=${got//\\//}
cmp -s "$got" "$W/in/A.DAT" || fail "the downloaded dump differs from the one sent ($got)"
case "$got" in "$W/download/N123AB/R"*.DAT) ;; *) fail "download filed as $got" ;; esac
wait "$SIM_PID" || true
SIM_PID=""

# Silence on the line: code 7 after the first-byte wait (1 s here).
printf '1 2\r\n' >"$W/run/TIMEOUT.CFG"
start_sim "$W/in/A.DAT" --first-byte-pause 60 --wait 60
out=$(run_smoke download "$(winpath "$W/download")")
grep -qx 'dll_smoke: done' <<<"$out" || fail "download under Wine: $out"
grep -qx 'download 7 -' <<<"$out" || fail "a silent line must give 7: $out"
kill "$SIM_PID" 2>/dev/null || true
wait "$SIM_PID" 2>/dev/null || true
SIM_PID=""
wineserver -k >/dev/null 2>&1 || true
say "Wine: downloads through COM7 gave codes 0 and 7"
say "passed"
