#!/usr/bin/env bash
# The main job on the bundled sample dump.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/plain -j"$(nproc)" --target varnix-cli
echo "== user id of samples/SAMPLE.DAT"
build/plain/cli/varnix-cli userid samples/SAMPLE.DAT
