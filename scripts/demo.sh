#!/usr/bin/env bash
# The main job on the bundled sample dump.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/plain -j"$(nproc)" --target varnix-cli
echo "== user id of samples/SAMPLE.DAT"
build/plain/cli/varnix-cli userid samples/SAMPLE.DAT

# --- Expansion: the bundled dump becomes its flight index and flight CSV files.
DATA=$(mktemp -d "${TMPDIR:-/tmp}/varnix-demo-XXXXXX")
USER_ID=$(build/plain/cli/varnix-cli userid samples/SAMPLE.DAT)
mkdir -p "$DATA/$USER_ID"
cp samples/SAMPLE.DAT "$DATA/$USER_ID/SAMPLE.DAT"
echo "== varnix-cli expand $DATA/$USER_ID/SAMPLE.DAT --data-folder $DATA"
build/plain/cli/varnix-cli expand "$DATA/$USER_ID/SAMPLE.DAT" --data-folder "$DATA"
echo "== files in $DATA/$USER_ID"
ls -l "$DATA/$USER_ID"
FIRST_CSV=$(ls "$DATA/$USER_ID"/F*.CSV | head -n 1)
echo "== first lines of $FIRST_CSV"
head -n 10 "$FIRST_CSV"
# --- end of the expansion block
