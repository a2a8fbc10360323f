#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds twice (Release as packagers build it, and
# with AddressSanitizer and UndefinedBehaviorSanitizer; the programs and tests
# compiled in batches of sources, VARNIX_UNITY_BUILD, to fit CI's time) and
# runs every test in both builds; then the Linux package (scripts/package-test.sh) and the
# Windows builds under Wine (scripts/windows-test.sh, which builds Qt for
# Windows once per machine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
JOBS=$(nproc)

cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVARNIX_UNITY_BUILD=ON
cmake --build build/plain -j"$JOBS"
ctest --test-dir build/plain --output-on-failure -j"$JOBS"
bash scripts/package-test.sh build/plain

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVARNIX_SANITIZE=ON -DVARNIX_UNITY_BUILD=ON
cmake --build build/sanitize -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j"$JOBS"

# Every fuzz harness for 30 s (clang, libFuzzer, its own build tree).
bash scripts/fuzz.sh 30

bash scripts/windows-test.sh
