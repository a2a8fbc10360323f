#!/usr/bin/env bash
# The main job on the bundled sample dump.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/plain -j"$(nproc)" --target varnix-cli varnix-sim
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

# --- The main job: download from the simulated instrument through the real serial code, expand, show.
REPO=$PWD
ROAD=$(mktemp -d "${TMPDIR:-/tmp}/varnix-download-XXXXXX")
build/plain/sim/varnix-sim samples/SAMPLE.DAT --baud 19200 --wait 60 >"$ROAD/sim.out" 2>"$ROAD/sim.err" &
SIM=$!
PORT=""
for _ in $(seq 100); do PORT=$(head -n 1 "$ROAD/sim.out" 2>/dev/null || true); [ -n "$PORT" ] && break; sleep 0.1; done
echo "== the simulated instrument sends samples/SAMPLE.DAT on $PORT at 19200 baud"
echo "== varnix-cli download --port $PORT --baud 19200 --expand --data-folder $ROAD/data"
(cd "$ROAD" && "$REPO/build/plain/cli/varnix-cli" download --port "$PORT" --baud 19200 --expand --data-folder "$ROAD/data")
wait "$SIM"
STORED_DIR="$ROAD/data/$USER_ID"
echo "== files in $STORED_DIR"
ls -l "$STORED_DIR"
cmp "$STORED_DIR"/R*.DAT samples/SAMPLE.DAT && echo "== the stored dump is byte for byte the sample"
# --- end of the download block
