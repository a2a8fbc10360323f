#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows deliverables, built with mingw-w64 and checked under Wine.
#  - Builds the 32-bit Windows build (Varnix.dll, varnix-cli.exe and, against
#    the static Qt that scripts/build-qt-windows.sh builds once per machine,
#    Varnix.exe) and the 64-bit one, both Release.
#  - The DLL exports exactly the listed names (stdcall, plain names), carries
#    its version, and it and the programs import only system DLLs.
#  - Under Wine, the 64-bit and the 32-bit DLL (through a small test program)
#    and varnix-cli.exe of both builds expand dumps and convert Palm backups;
#    every file equals the Linux build's byte for byte. Each downloads from the
#    simulated instrument through a COM port mapped to a pseudo-terminal.
#  - Varnix.exe opens its main menu under 32-bit Wine and Xvfb.
#  - varnix-cli.exe logbook --json equals the Linux tool's on the same flights.
#  - cpack makes varnix-<version>-win32.zip with the files a user needs.
#  - Varnix-<version>-setup.exe installs and uninstalls silently under Wine.
#  - varnix-cli.exe downloads, expands, keeps the logbook and writes a report
#    in a data folder and an aircraft folder named with "é", "ü" and "飛".
#  - The unit tests run as Windows programs (ctest under Wine).
# 32-bit Windows programs need a kernel that runs 32-bit Linux programs (Wine's
# 32-bit half is one); on a machine without (some virtual machines), the runs
# of 32-bit programs are skipped with a message, the 64-bit ones still count.
# So are they where Wine's 32-bit half could not be installed.
#   LINUX_BUILD=dir  the Linux build that provides varnix-cli, varnix-sim and
#                    varnix_make_sample (default build/plain when it exists)
#   WINDOWS_TEST_STAGES="name ..."  runs only these stages (and the ones they
#                    need): build tables reference dll cli logbook download
#                    non-ascii app zip installer unit-tests
# Each stage announces itself ("windows-test: stage NAME"); the last lines sum
# up the stages passed and skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
JOBS=$(nproc)
source scripts/windows-common.sh

say() { echo "windows-test: $*"; }

# --- Stages -------------------------------------------------------------------
ALL_STAGES=(build tables reference dll cli logbook download non-ascii app zip installer unit-tests)
PASSED=() SKIPPED=() CURRENT=""
summary() {
  say "stages passed: ${PASSED[*]:-none}"
  say "stages skipped: ${SKIPPED[*]:-none}"
}
fail() {
  echo "windows-test: FAIL${CURRENT:+ in stage $CURRENT}: $*" >&2
  summary >&2
  exit 1
}
# A stage that cannot run here says why and is counted as skipped.
SKIP_REASON=""
skip_stage() {
  SKIP_REASON=$*
  say "SKIPPED: stage $CURRENT: $*"
}

# What each stage needs before it: the builds, the Linux reference and the
# test inputs, the sides' data folders.
needs() {
  case "$1" in
    build | reference) ;;
    tables | zip | unit-tests) echo build ;;
    dll | cli | download | non-ascii | app | installer) echo build reference ;;
    logbook) echo build reference cli ;;
    *) return 1 ;;
  esac
}
SELECTED=()
select_stage() {
  local s n
  for s in "${SELECTED[@]}"; do [ "$s" = "$1" ] && return; done
  n=$(needs "$1") || { echo "windows-test: no stage \"$1\" (stages: ${ALL_STAGES[*]})" >&2; exit 2; }
  for s in $n; do select_stage "$s"; done
  SELECTED+=("$1")
}
for stage in ${WINDOWS_TEST_STAGES:-${ALL_STAGES[*]}}; do select_stage "$stage"; done
selected() {
  local s
  for s in "${SELECTED[@]}"; do [ "$s" = "$1" ] && return 0; done
  return 1
}

# --- Builds -------------------------------------------------------------------
stage_build() {
  bash scripts/build-qt-windows.sh i686
  build_windows build/win32 i686 || fail "32-bit build"
  build_windows build/win64 x86_64 with-tests || fail "64-bit build"
  VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
  for f in "$DLL32" "$DLL64" "$SMOKE32" "$SMOKE64" "$CLI32" "$CLI64" "$APP32"; do
    [ -f "$f" ] || fail "the cross builds left no $f"
  done
  say "built: $DLL32 $CLI32 $APP32 $DLL64 $CLI64 (version $VERSION)"
}
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt 2>/dev/null || true)
RUN32=1
if [ ! -x /usr/lib/wine/wine ]; then
  RUN32=""
  say "SKIPPED: Wine's 32-bit half (wine32:i386) is not installed (bash scripts/install-deps.sh says why it could not):"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  RUN32=""
  say "SKIPPED: this machine's kernel does not run 32-bit programs, so neither does Wine's 32-bit half:"
fi
if [ -z "$RUN32" ]; then
  say "SKIPPED: the 32-bit DLL, varnix-cli.exe and Varnix.exe are built and inspected but not run"
fi
DLL_SIDES=(dll64) CLI_SIDES=(cli64)
if [ -n "$RUN32" ]; then DLL_SIDES+=(dll32) CLI_SIDES+=(cli32); fi
DLL32=build/win32/library/Varnix.dll
DLL64=build/win64/library/Varnix.dll
SMOKE32=build/win32/tests/windows/dll_smoke.exe
SMOKE64=build/win64/tests/windows/dll_smoke.exe
CLI32=build/win32/cli/varnix-cli.exe
CLI64=build/win64/cli/varnix-cli.exe
APP32=build/win32/app/Varnix.exe
APP64=build/win64/app/Varnix.exe

# --- Tables -------------------------------------------------------------------
stage_tables() {
  local table expected exports dll exe
  table=$(i686-w64-mingw32-objdump -p "$DLL32")
  expected=$(grep -v '^#' library/exports/exported_names.txt | sort | xargs)
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" | awk '/^[[:space:]]+\[/ {print $NF}' | sort | xargs)
  [ "$exports" = "$expected" ] || fail "32-bit exports: '$exports', expected '$expected'"
  for dll in $(awk '/DLL Name:/ {print $3}' <<<"$table"); do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll) ;;
      *) fail "32-bit DLL imports $dll" ;;
    esac
  done
  grep -q 'i386' <<<"$table" || fail "Varnix.dll is not a 32-bit library"
  i686-w64-mingw32-strings -el "$DLL32" | grep -cx "$VERSION" >/dev/null || fail "Varnix.dll carries no version $VERSION"
  # The programs run from a bare folder: no C++ runtime, thread or Qt DLLs.
  for exe in "$CLI32" "$APP32"; do
    i686-w64-mingw32-objdump -f "$exe" | grep -c 'pei-i386' >/dev/null || fail "$exe is not a 32-bit program"
    for dll in $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}'); do
      case "${dll,,}" in lib*.dll | qt*.dll) fail "$exe imports $dll" ;; esac
    done
  done
  say "32-bit Varnix.dll $VERSION: exports $exports; imports $(awk '/DLL Name:/ {print $3}' <<<"$table" | xargs)"
}

# --- The Linux reference ------------------------------------------------------
LINUX_BUILD=${LINUX_BUILD:-}
if [ -z "$LINUX_BUILD" ]; then
  if [ -f build/plain/CMakeCache.txt ]; then LINUX_BUILD=build/plain; else LINUX_BUILD=build/windows-ref; fi
fi
CLI=$ROOT/$LINUX_BUILD/cli/varnix-cli
SIM=$ROOT/$LINUX_BUILD/sim/varnix-sim
MAKE_SAMPLE=$ROOT/$LINUX_BUILD/tests/varnix_make_sample
W=$ROOT/build/wine-test
use_wine_prefix "$ROOT/build/wine-prefix"

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

PALMS=(P1234567.PDB P2345678.pdb P3456789.PDB)
DUMPS=(A.DAT B.DAT C.DAT P1234567.DAT)

# A copy of the inputs for one side, with an empty data folder.
new_side() {
  cp -r "$W/in" "$W/$1"
  mkdir -p "$W/$1/data"
}

# The Linux tools, the test inputs, and the Linux side: lines "palm CODE NAME"
# and "expand CODE NAME", and every file made.
stage_reference() {
  local p d code
  if [ ! -f "$LINUX_BUILD/CMakeCache.txt" ]; then
    cmake -S . -B "$LINUX_BUILD" -DVARNIX_BUILD_APP=OFF >/dev/null
  fi
  cmake --build "$LINUX_BUILD" -j"$JOBS" --target varnix-cli varnix-sim varnix_make_sample >/dev/null
  rm -rf "$W"
  mkdir -p "$W/in"
  "$MAKE_SAMPLE" "$W/in/A.DAT"
  head -c -9 "$W/in/A.DAT" >"$W/in/B.DAT"                        # no closing line
  cp samples/SAMPLE.DAT "$W/in/C.DAT"
  cat "$W/in/A.DAT" "$W/in/A.DAT" "$W/in/A.DAT" >"$W/in/big.bin" # three blocks and more
  make_pdb "$W/in/A.DAT" "$W/in/P1234567.PDB" 0
  make_pdb "$W/in/big.bin" "$W/in/P2345678.pdb" 1
  printf 'header without a dump $$U, $U$U' >"$W/in/P3456789.PDB"
  rm "$W/in/big.bin"

  new_side linux
  (
    cd "$W/linux"
    for p in "${PALMS[@]}"; do
      code=0
      "$CLI" palm "$W/linux/$p" >/dev/null 2>&1 || code=$?
      echo "palm $code $p"
    done
    for d in "${DUMPS[@]}"; do
      code=0
      "$CLI" expand "$W/linux/$d" --data-folder "$W/linux/data" >/dev/null 2>&1 || code=$?
      echo "expand $code $d"
    done
  ) >"$W/linux.codes"
  grep -qx 'palm 3 P3456789.PDB' "$W/linux.codes" || fail "a backup without a dump must give 3"
  grep -qx 'expand 0 A.DAT' "$W/linux.codes" || fail "the sample dump did not expand: $(cat "$W/linux.codes")"
  (cd "$W/linux" && find . -type f | sort) >"$W/linux.files"
  say "the Linux reference: $(wc -l <"$W/linux.files") files from ${#PALMS[@]} backups and ${#DUMPS[@]} dumps"
}

# The codes and every file of a Windows side against Linux's, byte for byte; a
# CSV's first line carries today's date and is compared from its second line.
compare_with_linux() {
  local side=$1 f csvs=0
  diff -u "$W/linux.codes" "$W/$side.codes" >&2 || fail "$side: result codes differ from Linux's"
  (cd "$W/$side" && find . -type f | sort) >"$W/$side.files"
  diff -u "$W/linux.files" "$W/$side.files" >&2 || fail "$side: other files than Linux's"
  while read -r f; do
    case "$f" in
      *.CSV)
        csvs=$((csvs + 1))
        cmp -s <(tail -n +2 "$W/linux/$f") <(tail -n +2 "$W/$side/$f") || fail "$side: $f differs"
        head -c 12 "$W/$side/$f" | grep -c '^"Varnix     ' >/dev/null || fail "$side: $f: first line"
        ;;
      *) cmp -s "$W/linux/$f" "$W/$side/$f" || fail "$side: $f differs" ;;
    esac
  done <"$W/linux.files"
  [ "$csvs" -gt 0 ] || fail "no flight files were produced"
  say "$side: $(wc -l <"$W/linux.files") files equal to Linux's ($csvs flight files); codes: $(cut -d' ' -f1,2 "$W/$side.codes" | xargs)"
}

# --- The DLLs through the test program ----------------------------------------
# Wine exits 0 even when a program cannot start: callers look for its last line.
# run_smoke SIDE ARGS...: the test program of that side (dll32, dll64).
run_smoke() {
  local side=$1
  shift
  (cd "$W/run-$side" && run_wine "${side: -2}" dll_smoke.exe "$@" 2>"$W/wine.err" | tr -d '\r') || true
}
# The folder a side's programs run from, with the programs (dll32, dll64:
# Varnix.dll and the test program; cli32, cli64: varnix-cli.exe).
prepare_run() {
  local side=$1
  mkdir -p "$W/run-$side"
  case "$side" in
    dll32) cp "$DLL32" "$SMOKE32" "$W/run-$side/" ;;
    dll64) cp "$DLL64" "$SMOKE64" "$W/run-$side/" ;;
    cli32) cp "$CLI32" "$W/run-$side/" ;;
    cli64) cp "$CLI64" "$W/run-$side/" ;;
  esac
}
check_dll() {
  local side=$1 out
  prepare_run "$side"
  out=$(run_smoke "$side" exports)
  grep -qx 'dll_smoke: done' <<<"$out" || fail "$side: the test program did not run under Wine: $out $(head -5 "$W/wine.err")"
  new_side "$side"
  local args=()
  for p in "${PALMS[@]}"; do args+=("$(winpath "$W/$side/$p")"); done
  {
    out=$(run_smoke "$side" palm "${args[@]}")
    grep -qx 'dll_smoke: done' <<<"$out" || fail "$side: palm under Wine: $out"
    grep '^palm ' <<<"$out" | while read -r _ code file _; do echo "palm $code ${file##*\\}"; done
    args=("$(winpath "$W/$side/data")")
    for d in "${DUMPS[@]}"; do args+=("$(winpath "$W/$side/$d")"); done
    out=$(run_smoke "$side" expand "${args[@]}")
    grep -qx 'dll_smoke: done' <<<"$out" || fail "$side: expand under Wine: $out"
    grep '^expand ' <<<"$out" | while read -r _ code path; do echo "expand $code ${path##*\\}"; done
  } >"$W/$side.codes"
  compare_with_linux "$side"
}
stage_dll() {
  check_dll dll64 "$DLL64" "$SMOKE64"
  if [ -n "$RUN32" ]; then check_dll dll32 "$DLL32" "$SMOKE32"; fi
}

# --- The command line ---------------------------------------------------------
# run_cli SIDE ARGS...: varnix-cli.exe of that side (cli32, cli64).
run_cli() {
  local side=$1
  shift
  run_wine "${side: -2}" "$W/run-$side/varnix-cli.exe" "$@"
}
check_cli() {
  local side=$1 out p d code
  prepare_run "$side"
  out=$(run_cli "$side" --version 2>&1 | tr -d '\r') || true
  [ "$out" = "varnix-cli $VERSION" ] || fail "$side: varnix-cli.exe --version under Wine: $out"
  new_side "$side"
  (
    cd "$W/$side"
    for p in "${PALMS[@]}"; do
      code=0
      run_cli "$side" palm "$(winpath "$W/$side/$p")" >/dev/null 2>&1 || code=$?
      echo "palm $code $p"
    done
    for d in "${DUMPS[@]}"; do
      code=0
      run_cli "$side" expand "$(winpath "$W/$side/$d")" --data-folder "$(winpath "$W/$side/data")" >/dev/null 2>&1 \
        || code=$?
      echo "expand $code $d"
    done
  ) >"$W/$side.codes"
  compare_with_linux "$side"
}
stage_cli() {
  local side
  for side in "${CLI_SIDES[@]}"; do check_cli "$side"; done
}

# --- The logbook --------------------------------------------------------------
# varnix-cli.exe logbook --json on a copy of its side's data folder against
# the Linux tool on a copy of Linux's: the same flights and findings (only the
# data folder's own name differs). Runs with each varnix-cli.exe built with
# the catalog (against the Qt prefix, which holds SQLite for Windows).
check_logbook() {
  local side=$1 out code=0
  run_cli "$side" --help 2>/dev/null | tr -d '\r' | grep -c '^  logbook' >/dev/null || {
    say "SKIPPED: $side: varnix-cli.exe was built without the catalog (no SQLite for Windows in its Qt prefix)"
    return
  }
  rm -rf "$W/logbook-linux" "$W/logbook-$side"
  cp -r "$W/linux/data" "$W/logbook-linux"
  cp -r "$W/$side/data" "$W/logbook-$side"
  "$CLI" logbook --json "$W/logbook-linux" | sed '/^  "data_folder": /d' >"$W/logbook-linux.json"
  out=$(run_cli "$side" logbook --json "$(winpath "$W/logbook-$side")" 2>"$W/logbook-$side.err" | tr -d '\r') || code=$?
  [ "$code" = 0 ] || fail "$side: varnix-cli.exe logbook --json gave $code: $(head -5 "$W/logbook-$side.err")"
  sed '/^  "data_folder": /d' <<<"$out" >"$W/logbook-$side.json"
  diff -u "$W/logbook-linux.json" "$W/logbook-$side.json" >&2 || fail "$side: logbook --json differs from Linux's"
  grep -q '"file": ' "$W/logbook-$side.json" || fail "$side: logbook --json lists no flight"
  say "$side: logbook --json equal to Linux's ($(grep -c '^      "file": ' "$W/logbook-$side.json") flights)"
}
stage_logbook() {
  local side
  for side in "${CLI_SIDES[@]}"; do check_logbook "$side"; done
}

# --- Downloads through a COM port mapped to a pseudo-terminal -----------------
# COM7 is one end of a pseudo-terminal pair (socat); the simulated instrument
# sends into the other end once a program has opened COM7. (Wine does not take
# varnix-sim's own pseudo-terminal for a serial port.)
SIM_PID="" SOCAT_PID=""
cleanup() {
  if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null || true; fi
  if [ -n "$SOCAT_PID" ]; then kill "$SOCAT_PID" 2>/dev/null || true; fi
  stop_xvfb
}
trap cleanup EXIT

# Opens the pair and maps COM7 to it.
start_line() {
  local i
  rm -f "$W/com7" "$W/line"
  socat pty,raw,echo=0,link="$W/com7" pty,raw,echo=0,link="$W/line" &
  SOCAT_PID=$!
  for ((i = 0; i < 100; i++)); do
    [ -e "$W/com7" ] && [ -e "$W/line" ] && break
    sleep 0.1
  done
  [ -e "$W/com7" ] || fail "socat made no pseudo-terminal pair"
  for ((i = 0; i < 3; i++)); do
    run_wine 64 reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$(readlink -f "$W/com7")" /f >/dev/null 2>&1 && break
    sleep 1
  done
  ((i < 3)) || fail "COM7 could not be mapped in Wine's registry"
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}
stop_line() {
  if [ -n "$SIM_PID" ]; then
    kill "$SIM_PID" 2>/dev/null || true  # the download is over: a watcher still waiting goes
    wait "$SIM_PID" 2>/dev/null || true
  fi
  kill "$SOCAT_PID" 2>/dev/null || true
  wait "$SOCAT_PID" 2>/dev/null || true
  SIM_PID="" SOCAT_PID=""
}
# In the background: once a process has COM7's pseudo-terminal open, the
# simulated instrument sends the dump.
# DUMP: the dump sent, by default A.DAT.
send_when_opened() {
  local pts dump=${1:-$W/in/A.DAT}
  pts=$(readlink -f "$W/com7")
  (
    for ((i = 0; i < 600; i++)); do
      if [ -n "$(find /proc/[0-9]*/fd -maxdepth 1 -lname "$pts" -print -quit 2>/dev/null)" ]; then
        exec "$SIM" "$dump" --device "$W/line" >"$W/sim.out" 2>"$W/sim.err"
      fi
      sleep 0.1
    done
  ) &
  SIM_PID=$!
}
# The path a download reports, as a Linux path; it must hold the dump sent.
check_downloaded() {
  local side=$1 got=${2#Z:}
  got=${got//\\//}
  cmp -s "$got" "$W/in/A.DAT" || fail "$side: the downloaded dump differs from the one sent ($got)"
  case "$got" in "$W/download-$side/N123AB/R"*.DAT) ;; *) fail "$side: download filed as $got" ;; esac
}

download_dll() {
  local side=$1 out line
  printf 'COM7 19200\r\n' >"$W/run-$side/VARNIX.CFG"
  printf '10 2\r\n' >"$W/run-$side/TIMEOUT.CFG"
  mkdir -p "$W/download-$side"
  start_line
  send_when_opened
  out=$(run_smoke "$side" download "$(winpath "$W/download-$side")")
  stop_line
  grep -qx 'dll_smoke: done' <<<"$out" || fail "$side: download under Wine: $out"
  line=$(grep '^download ' <<<"$out")
  [ "$(cut -d' ' -f2 <<<"$line")" = 0 ] || fail "$side: download: $line $(cat "$W/sim.err" 2>/dev/null)"
  check_downloaded "$side" "$(cut -d' ' -f3- <<<"$line")"
}
download_cli() {
  local side=$1 out code=0
  mkdir -p "$W/download-$side" "$W/work-$side"
  start_line
  send_when_opened
  out=$(cd "$W/work-$side" && run_cli "$side" download --port COM7 --baud 19200 --first-byte-timeout 10 \
    --data-folder "$(winpath "$W/download-$side")" </dev/null 2>"$W/cli.err" | tr -d '\r') || code=$?
  stop_line
  [ "$code" = 0 ] || fail "$side: download gave $code: $out $(cat "$W/cli.err")"
  check_downloaded "$side" "$(tail -n 1 <<<"$out")"
}
stage_download() {
  local side out
  for side in "${DLL_SIDES[@]}" "${CLI_SIDES[@]}"; do prepare_run "$side"; done
  for side in "${DLL_SIDES[@]}"; do download_dll "$side"; done
  for side in "${CLI_SIDES[@]}"; do download_cli "$side"; done

  # Silence on the line: code 7 after the first-byte wait (1 s here).
  side=${DLL_SIDES[-1]}
  printf '1 2\r\n' >"$W/run-$side/TIMEOUT.CFG"
  start_line
  out=$(run_smoke "$side" download "$(winpath "$W/download-$side")")
  stop_line
  grep -qx 'dll_smoke: done' <<<"$out" || fail "download under Wine: $out"
  grep -qx 'download 7 -' <<<"$out" || fail "a silent line must give 7: $out"
  wineserver -k >/dev/null 2>&1 || true
  say "downloads through COM7: code 0 with ${DLL_SIDES[*]} ${CLI_SIDES[*]}, 7 on a silent line ($side)"
}

# --- Names in any language ---------------------------------------------------
# varnix-cli.exe with the data folder C:\VXDATA\Données-Grüße-飛行 and the
# aircraft Néü飛 (its user id, so its folder): a download of its dump through
# COM7, the test dumps expanded from a folder named entrée-ü飛, every file as
# the Linux tool makes it, logbook --json equal to the Linux tool's (every
# flight found) and a PDF report of one flight. The DLLs, whose paths are in
# the ANSI code page, expand a dump from a folder named Données-Grüße.
NAMED_DATA='Données-Grüße-飛行'
NAMED_ID='Néü飛'
NAMED_IN='entrée-ü飛'
NAMED_ANSI='Données-Grüße'

# A copy of dump IN as OUT whose "$U" line names ID (its check digits: the
# exclusive or of the bytes between "$" and "*").
with_user_id() {
  local in=$1 out=$2 id=$3 sum=0 b
  for b in $(printf 'U,%s' "$id" | od -An -tu1); do sum=$((sum ^ b)); done
  {
    printf '$U,%s*%02X\r\n' "$id" "$sum"
    tail -c +$(($(head -n 1 "$in" | wc -c) + 1)) "$in"
  } >"$out"
}

# The files of data folder A against B's: the same names, CSV files equal
# from their second line (the first carries the day of the expansion).
compare_folders() {
  local a=$1 b=$2 what=$3 f csvs=0
  diff -u <(cd "$a" && find . -type f | sort) <(cd "$b" && find . -type f | sort) >&2 ||
    fail "$what: other files than Linux's"
  while read -r f; do
    case "$f" in
      *.CSV)
        csvs=$((csvs + 1))
        cmp -s <(tail -n +2 "$a/$f") <(tail -n +2 "$b/$f") || fail "$what: $f differs"
        ;;
      *) cmp -s "$a/$f" "$b/$f" || fail "$what: $f differs" ;;
    esac
  done < <(cd "$a" && find . -type f | sort)
  [ "$csvs" -gt 0 ] || fail "$what: no flight files"
  echo "$csvs"
}

check_named_cli() {
  local side=$1 data=$WINEPREFIX/drive_c/VXDATA/$NAMED_DATA windata="C:\\VXDATA\\$NAMED_DATA"
  local in=$W/named-$side/$NAMED_IN linux=$W/named-$side/linux/$NAMED_DATA out code=0 got name d csvs flights files csv
  rm -rf "$WINEPREFIX/drive_c/VXDATA" "$W/named-$side"
  mkdir -p "$in" "$linux/$NAMED_ID" "$W/work-$side"
  cp "$W/in/A.DAT" "$W/in/B.DAT" "$W/in/C.DAT" "$in/"
  with_user_id "$W/in/A.DAT" "$W/named-$side/$NAMED_ID.DAT" "$NAMED_ID"
  out=$("$CLI" userid "$W/named-$side/$NAMED_ID.DAT") || fail "the Linux tool does not take the id $NAMED_ID: $out"
  [ "$out" = "$NAMED_ID" ] || fail "the dump names $out, not $NAMED_ID"

  # The download, filed in the aircraft's folder.
  start_line
  send_when_opened "$W/named-$side/$NAMED_ID.DAT"
  out=$(cd "$W/work-$side" && run_cli "$side" download --port COM7 --baud 19200 --first-byte-timeout 10 \
    --data-folder "$windata" </dev/null 2>"$W/cli.err" | tr -d '\r') || code=$?
  stop_line
  [ "$code" = 0 ] || fail "$side: download into $windata gave $code: $out $(cat "$W/cli.err")"
  got=$(tail -n 1 <<<"$out")
  name=${got##*\\}
  [ "$got" = "$windata\\$NAMED_ID\\$name" ] || fail "$side: the download was filed as $got, not in $windata\\$NAMED_ID"
  cmp -s "$data/$NAMED_ID/$name" "$W/named-$side/$NAMED_ID.DAT" || fail "$side: the dump filed in $got differs from the one sent"
  cp "$W/named-$side/$NAMED_ID.DAT" "$linux/$NAMED_ID/$name"

  # The expansions, on both sides: the downloaded dump, then the test dumps.
  cp -r "$in" "$W/named-$side/linux-in"
  {
    code=0
    run_cli "$side" expand "$windata\\$NAMED_ID\\$name" --data-folder "$windata" >/dev/null 2>&1 || code=$?
    echo "expand $code $name"
    for d in A.DAT B.DAT C.DAT; do
      code=0
      run_cli "$side" expand "$(winpath "$in/$d")" --data-folder "$windata" >/dev/null 2>&1 || code=$?
      echo "expand $code $d"
    done
  } >"$W/named-$side.codes"
  {
    code=0
    "$CLI" expand "$linux/$NAMED_ID/$name" --data-folder "$linux" >/dev/null 2>&1 || code=$?
    echo "expand $code $name"
    for d in A.DAT B.DAT C.DAT; do
      code=0
      "$CLI" expand "$W/named-$side/linux-in/$d" --data-folder "$linux" >/dev/null 2>&1 || code=$?
      echo "expand $code $d"
    done
  } >"$W/named-linux-$side.codes"
  diff -u "$W/named-linux-$side.codes" "$W/named-$side.codes" >&2 || fail "$side: result codes differ from Linux's"
  grep -qx "expand 0 $name" "$W/named-$side.codes" || fail "$side: the downloaded dump did not expand"
  csvs=$(compare_folders "$linux" "$data" "$side: $windata")
  [ -n "$(find "$data/$NAMED_ID" -name 'F*.CSV' -print -quit)" ] || fail "$side: no flight in $windata\\$NAMED_ID"
  diff <(cd "$W/named-$side/linux-in" && find . -type f | sort) <(cd "$in" && find . -type f | sort) >&2 ||
    fail "$side: the index files beside the dumps in $NAMED_IN differ from Linux's"

  # The logbook: every flight, as the Linux tool finds them.
  if run_cli "$side" --help 2>/dev/null | tr -d '\r' | grep -c '^  logbook' >/dev/null; then
    code=0
    "$CLI" logbook --json "$linux" | sed '/^  "data_folder": /d' >"$W/named-linux-$side.json"
    out=$(run_cli "$side" logbook --json "$windata" 2>"$W/named-$side.err" | tr -d '\r') || code=$?
    [ "$code" = 0 ] || fail "$side: logbook --json $windata gave $code: $(head -5 "$W/named-$side.err")"
    sed '/^  "data_folder": /d' <<<"$out" >"$W/named-$side.json"
    diff -u "$W/named-linux-$side.json" "$W/named-$side.json" >&2 || fail "$side: logbook --json differs from Linux's"
    # A flight expanded twice is one flight with two files.
    flights=$(grep -c '^      "file": ' "$W/named-$side.json" || true)
    files=$(sed -n 's/^      "files": //p' "$W/named-$side.json" | grep -o '"[^"]*[.]CSV"' | sort -u | wc -l)
    [ "$files" = "$csvs" ] || fail "$side: logbook --json names $files of the $csvs flight files"
    flights="$flights flights in the $files files"
    grep -c "\"file\": \"$NAMED_ID/F" "$W/named-$side.json" >/dev/null || fail "$side: logbook --json lists no flight of $NAMED_ID"
  else
    flights="SKIPPED: built without the catalog"
  fi

  # A report of one of the aircraft's flights, into its folder.
  if run_cli "$side" --help 2>/dev/null | tr -d '\r' | grep -c '^  report' >/dev/null; then
    csv=$(cd "$data/$NAMED_ID" && find . -name 'F*.CSV' | sort | head -n 1)
    csv=${csv#./}
    code=0
    run_cli "$side" report "$windata\\$NAMED_ID\\$csv" -o "$windata\\$NAMED_ID\\rapport-飛.pdf" \
      >/dev/null 2>"$W/named-$side.err" || code=$?
    [ "$code" = 0 ] || fail "$side: report of $csv gave $code: $(head -5 "$W/named-$side.err")"
    [ -s "$data/$NAMED_ID/rapport-飛.pdf" ] || fail "$side: report wrote no $windata\\$NAMED_ID\\rapport-飛.pdf"
    [ "$(head -c 4 "$data/$NAMED_ID/rapport-飛.pdf")" = "%PDF" ] || fail "$side: rapport-飛.pdf is no PDF"
    csv="report of $csv: $(stat -c %s "$data/$NAMED_ID/rapport-飛.pdf") bytes"
  else
    csv="SKIPPED: no report (varnix-cli.exe built without Qt: $(run_cli "$side" --help 2>/dev/null | tr -d '\r' |
      sed -n 's/^  \([a-z]*\) .*/\1/p' | xargs))"
  fi
  say "$side: $windata\\$NAMED_ID: downloaded $name, $csvs flight files equal to Linux's; logbook --json: $flights; $csv"
  rm -rf "$WINEPREFIX/drive_c/VXDATA"
}

# The DLL through the test program: its argument is the ANSI code page.
check_named_dll() {
  local side=$1 folder=$W/named-$1/$NAMED_ANSI linux=$W/named-$1/linux out csvs
  rm -rf "$W/named-$side"
  mkdir -p "$folder/data" "$linux/data"
  cp "$W/in/A.DAT" "$folder/"
  cp "$W/in/A.DAT" "$linux/"
  "$CLI" expand "$linux/A.DAT" --data-folder "$linux/data" >/dev/null
  out=$(run_smoke "$side" expand "$(winpath "$folder/data")" "$(winpath "$folder/A.DAT")")
  grep -qx 'dll_smoke: done' <<<"$out" || fail "$side: expand under Wine: $out"
  grep -q '^expand 0 ' <<<"$out" || fail "$side: expand in $NAMED_ANSI: $out"
  cmp -s "$linux/A.TXT" "$folder/A.TXT" || fail "$side: the index $NAMED_ANSI/A.TXT differs from Linux's"
  csvs=$(compare_folders "$linux/data" "$folder/data" "$side: $NAMED_ANSI/data")
  say "$side: expanded $NAMED_ANSI/A.DAT into $NAMED_ANSI/data ($csvs flight files equal to Linux's)"
}

stage_non_ascii() {
  local side
  # The names are UTF-8 on the Unix side: Wine converts them by the locale.
  local LC_ALL=C.UTF-8
  export LC_ALL
  for side in "${CLI_SIDES[@]}"; do
    prepare_run "$side"
    check_named_cli "$side"
  done
  for side in "${DLL_SIDES[@]}"; do
    prepare_run "$side"
    check_named_dll "$side"
  done
  wineserver -k >/dev/null 2>&1 || true
}

# --- The desktop program ------------------------------------------------------
# From a folder of Wine's C: drive, as a user unpacks it: the data folder is
# then C:\VXDATA. Passes once a window titled "Varnix Main Menu" shows, once
# `Varnix.exe F00101.CSV` shows that flight's window, and once
# `Varnix.exe --logbook` shows "Varnix Logbook" (where it has the logbook).

# Starts Varnix.exe with ARGS in DIR and waits for a window whose title
# holds TITLE; the picture goes to PICTURE. Fails when none shows.
show_window() {
  local bits=$1 dir=$2 title=$3 picture=$4 shown="" pid i
  shift 4
  start_xvfb
  (cd "$dir" && run_wine "$bits" Varnix.exe "$@" >"$W/varnix.out" 2>&1) &
  pid=$!
  for ((i = 0; i < 300; i++)); do
    if xwininfo -root -tree 2>/dev/null | grep -cF "$title" >/dev/null; then
      shown=1
      break
    fi
    sleep 0.2
  done
  if [ -n "$shown" ]; then sleep 1; import -window root "$picture" 2>/dev/null || true; fi
  wineserver -k >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  stop_xvfb
  [ -n "$shown" ] || fail "Varnix.exe $* showed no window titled \"$title\" under Wine: $(head -5 "$W/varnix.out")"
}

check_app() {
  local bits=$1 exe=$2 dll=$3 dir=$WINEPREFIX/drive_c/Varnix
  rm -rf "$dir" "$WINEPREFIX/drive_c/VXDATA"
  mkdir -p "$dir"
  cp "$exe" "$dll" "$dir/"
  show_window "$bits" "$dir" '"Varnix Main Menu"' "$W/main-menu.png"
  [ -d "$WINEPREFIX/drive_c/VXDATA" ] || fail "$exe made no C:\\VXDATA"
  say "$exe under Wine: \"Varnix Main Menu\" shown (picture: $W/main-menu.png)"
  cp "$W/linux/data/N123AB/F00101.CSV" "$dir/"
  show_window "$bits" "$dir" 'Flight #101' "$W/flight-window.png" F00101.CSV
  say "$exe F00101.CSV under Wine: its flight window shown (picture: $W/flight-window.png)"
  # (grep -c reads on: with -q the pipe would end strings early, and pipefail fail it)
  if i686-w64-mingw32-strings -el "$exe" | grep -c 'Varnix Logbook' >/dev/null; then
    cp -r "$W/linux/data/N123AB" "$WINEPREFIX/drive_c/VXDATA/"
    show_window "$bits" "$dir" '"Varnix Logbook"' "$W/logbook-window.png" --logbook
    say "$exe --logbook under Wine: \"Varnix Logbook\" shown (picture: $W/logbook-window.png)"
  else
    say "SKIPPED: $exe was built without the logbook (no SQLite for Windows in its Qt prefix)"
  fi
}
# Where 32-bit programs cannot run, the 64-bit program stands in when Qt for
# 64-bit Windows was built.
stage_app() {
  if [ -n "$RUN32" ]; then
    check_app 32 "$APP32" "$DLL32"
  elif [ -f "$APP64" ]; then
    check_app 64 "$APP64" "$DLL64"
  else
    skip_stage "Varnix.exe not run (with Qt for 64-bit Windows, bash scripts/build-qt-windows.sh x86_64, the 64-bit one would be)"
  fi
}

# --- The Windows package ------------------------------------------------------
stage_zip() {
  local zip listing f
  (cd build/win32 && cpack -G ZIP >/dev/null) || fail "cpack -G ZIP"
  zip=build/win32/varnix-$VERSION-win32.zip
  [ -f "$zip" ] || fail "no $zip"
  listing=$(cmake -E tar tf "$zip")
  for f in Varnix.exe Varnix.dll varnix.h varnix-cli.exe LICENSE LICENSE-library README.txt; do
    grep -qx "varnix-$VERSION-win32/$f" <<<"$listing" || fail "$zip lacks $f: $listing"
  done
  say "$zip: $(grep -c . <<<"$listing") files, $(($(stat -c %s "$zip") / 1024)) KiB"
}
# --- The installer ------------------------------------------------------------
# Varnix-<version>-setup.exe (NSIS, 32-bit): a silent install, the files and
# the Start-menu links in place, the installed varnix-cli.exe runs, a silent
# uninstall removes them and leaves the data folder.
stage_installer() {
  local SETUP INSTALLED MENU entry out dir f i
  if [ -n "$(command -v makensis)" ] && [ -f "$APP32" ]; then
    cmake --build build/win32 --target varnix_installer >"$W/installer.log" 2>&1 || { tail -20 "$W/installer.log" >&2; fail "makensis"; }
    SETUP=build/win32/Varnix-$VERSION-setup.exe
    [ -f "$SETUP" ] || fail "no $SETUP"
    i686-w64-mingw32-objdump -f "$SETUP" | grep -c 'pei-i386' >/dev/null || fail "$SETUP is not a 32-bit program"
    if [ -n "$RUN32" ]; then
      wineserver -k >/dev/null 2>&1 || true
      run_wine 32 "$(winpath "$ROOT/$SETUP")" /S >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
      # A 32-bit program in a 64-bit prefix sees Program Files (x86).
      INSTALLED=""
      for dir in "$WINEPREFIX/drive_c/Program Files (x86)/Varnix" "$WINEPREFIX/drive_c/Program Files/Varnix"; do
        [ -f "$dir/Varnix.exe" ] && INSTALLED=$dir && break
      done
      [ -n "$INSTALLED" ] || fail "the silent install put no Varnix.exe into Program Files"
      for f in Varnix.exe Varnix.dll varnix-cli.exe varnix.h LICENSE LICENSE-library README.txt samples/SAMPLE.DAT \
        samples/HOUR6.DAT Uninstall.exe; do
        [ -f "$INSTALLED/$f" ] || fail "the installer did not install $f"
      done
      MENU="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnix"
      for f in Varnix.lnk Uninstall.lnk; do [ -f "$MENU/$f" ] || fail "no Start-menu link $f in $MENU"; done
      entry=$(run_wine 32 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnix' 2>/dev/null | tr -d '\r')
      grep -q "DisplayVersion.*$VERSION" <<<"$entry" || fail "no Add or Remove Programs entry with version $VERSION: $entry"
      grep -q 'Publisher.*The Varnix developers' <<<"$entry" || fail "the Add or Remove Programs entry names no publisher"
      out=$(run_wine 32 "$(winpath "$INSTALLED/varnix-cli.exe")" --version 2>&1 | tr -d '\r') || true
      [ "$out" = "varnix-cli $VERSION" ] || fail "the installed varnix-cli.exe --version: $out"
      # A data folder with a flight in it, as the program makes it.
      mkdir -p "$WINEPREFIX/drive_c/VXDATA/N123AB"
      cp "$W/linux/data/N123AB/F00101.CSV" "$WINEPREFIX/drive_c/VXDATA/N123AB/"
      run_wine 32 "$(winpath "$INSTALLED/Uninstall.exe")" /S >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
      for ((i = 0; i < 50; i++)); do [ -e "$INSTALLED/Varnix.exe" ] || break; sleep 0.2; done
      [ ! -e "$INSTALLED" ] || fail "the uninstaller left $INSTALLED: $(ls -R "$INSTALLED" | head)"
      [ ! -e "$MENU" ] || fail "the uninstaller left the Start-menu folder"
      run_wine 32 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnix' >/dev/null 2>&1 &&
        fail "the uninstaller left its Add or Remove Programs entry"
      [ -f "$WINEPREFIX/drive_c/VXDATA/N123AB/F00101.CSV" ] || fail "the uninstaller touched the data folder"
      say "$SETUP: installed silently into ${INSTALLED#$WINEPREFIX/drive_c/} with its Start-menu links and entry, uninstalled, data folder kept"
    else
      say "$SETUP built ($(($(stat -c %s "$SETUP") / 1024)) KiB)"
      skip_stage "$SETUP not installed (32-bit programs do not run here)"
    fi
  else
    skip_stage "no installer (makensis missing, or Varnix.exe not built)"
  fi
}

# --- The unit tests as Windows programs ---------------------------------------
# The GoogleTest suites of the library, the flight module and the front ends'
# plain C++, cross-built with the plain toolchain and run by ctest under Wine
# (cmake/wine-run.sh is the build's CMAKE_CROSSCOMPILING_EMULATOR): those of
# the tree DIR for ARCH. The 64-bit deliverables' tree holds them; with a
# third word "build" the tree is configured and built here first (the 32-bit
# one, whose deliverables' tree holds the desktop program but no tests).
unit_tests() {
  local dir=$1 arch=$2 started=$SECONDS
  if [ "${3:-}" = build ]; then
    mkdir -p "$dir"
    { cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNIX_UNITY_BUILD=ON \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch-w64-mingw32.cmake" &&
      cmake --build "$dir" -j"$JOBS"; } >"$dir/build.log" 2>&1 || { tail -n 30 "$dir/build.log" >&2; fail "the $arch test build"; }
  fi
  ctest --test-dir "$dir" --output-on-failure --timeout 600 -j2 >"$dir/ctest.log" 2>&1 || { cat "$dir/ctest.log" >&2; fail "$arch unit tests under Wine"; }
  say "$arch unit tests under Wine: $(grep -o '[0-9]*% tests passed.*' "$dir/ctest.log" || true) ($((SECONDS - started)) s)"
}
stage_unit_tests() {
  unit_tests build/win64 x86_64
  if [ -n "$RUN32" ]; then unit_tests build/win32-tests i686 build; fi
}

# --- The run --------------------------------------------------------------------
NOT_RUN=()
run_stage() {
  local name=$1
  if ! selected "$name"; then
    NOT_RUN+=("$name")
    return
  fi
  CURRENT=$name SKIP_REASON=""
  say "stage $name"
  "stage_${name//-/_}"
  if [ -n "$SKIP_REASON" ]; then SKIPPED+=("$name"); else PASSED+=("$name"); fi
  CURRENT=""
}
for stage in "${ALL_STAGES[@]}"; do run_stage "$stage"; done
summary
if [ "${#NOT_RUN[@]}" -gt 0 ]; then say "stages not asked for: ${NOT_RUN[*]}"; fi
say "passed"
