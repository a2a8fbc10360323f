#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer harnesses (clang, ASan + UBSan, -DVARNIX_FUZZ=ON) and
# runs each for SECONDS seconds (default 30), starting from its seed corpus
# in tests/fuzz/corpus/<harness>/. New inputs go to build/fuzz/work/, never
# into the repository. A crash stops the script with status 1 and leaves the
# input in build/fuzz/crashes/: add it to the harness's corpus under a name
# that says what it once broke, so that ctest replays it from then on.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-30}
BUILD=build/fuzz
HARNESSES=(header_lines expand palm flight_csv avionics limits catalog)

CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNIX_FUZZ=ON -DVARNIX_BUILD_TESTS=OFF -DVARNIX_BUILD_APP=OFF -DVARNIX_BUILD_TOOLS=OFF >/dev/null
nice -n 5 cmake --build "$BUILD" --target varnix_fuzzers -j"${JOBS:-2}"

mkdir -p "$BUILD/crashes"
for h in "${HARNESSES[@]}"; do
  work="$BUILD/work/$h"
  mkdir -p "$work"
  echo "== $h: ${SECONDS_EACH} s"
  # -close_fd_mask=1: the expansion's own messages on stdout are not wanted here.
  if ! "$BUILD/tests/fuzz/${h}_fuzz" -max_total_time="$SECONDS_EACH" -close_fd_mask=1 -print_final_stats=1 \
       -artifact_prefix="$BUILD/crashes/$h-" "$work" "tests/fuzz/corpus/$h" 2>"$BUILD/$h.log"; then
    tail -n 40 "$BUILD/$h.log"
    echo "fuzz: $h failed; the input is in $BUILD/crashes/" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$BUILD/$h.log" | sed "s/^/  $h /"
done
echo "fuzz: no crash in ${#HARNESSES[@]} harnesses"
