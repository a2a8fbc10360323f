#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main job on the bundled sample dump: the simulated instrument sends it
# over a pseudo-terminal, varnix-cli downloads it through the real serial
# code, files it in its aircraft's folder and expands it; then the files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build/plain -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build/plain -j"$(nproc)" --target varnix-cli varnix-sim

REPO=$PWD
ROAD=$(mktemp -d "${TMPDIR:-/tmp}/varnix-demo-XXXXXX")
build/plain/sim/varnix-sim samples/SAMPLE.DAT --baud 19200 --wait 60 >"$ROAD/sim.out" 2>"$ROAD/sim.err" &
SIM=$!
PORT=""
for _ in $(seq 100); do PORT=$(head -n 1 "$ROAD/sim.out" 2>/dev/null || true); [ -n "$PORT" ] && break; sleep 0.1; done
echo "== the simulated instrument sends samples/SAMPLE.DAT on $PORT at 19200 baud"
echo "== varnix-cli download --port $PORT --baud 19200 --expand --data-folder $ROAD/data"
(cd "$ROAD" && "$REPO/build/plain/cli/varnix-cli" download --port "$PORT" --baud 19200 --expand --data-folder "$ROAD/data")
wait "$SIM"

USER_ID=$(build/plain/cli/varnix-cli userid samples/SAMPLE.DAT)
STORED_DIR="$ROAD/data/$USER_ID"
echo "== files in $STORED_DIR"
ls -l "$STORED_DIR"
cmp "$STORED_DIR"/R*.DAT samples/SAMPLE.DAT && echo "== the stored dump is byte for byte the sample"
FIRST_CSV=$(ls "$STORED_DIR"/F*.CSV | head -n 1)
echo "== first lines of $FIRST_CSV"
head -n 10 "$FIRST_CSV"

# The flights as pictures: the sample's trips and the bundled one-hour flight.
mkdir -p "$ROAD/hour" && cp samples/HOUR6.DAT "$ROAD/hour/"
build/plain/cli/varnix-cli expand "$ROAD/hour/HOUR6.DAT" --data-folder "$ROAD/data" >/dev/null
echo "== flight charts (varnix-cli chart)"
for CSV in "$STORED_DIR"/F*.CSV; do
  PNG="$ROAD/$(basename "$CSV" .CSV).png"
  if build/plain/cli/varnix-cli chart "$CSV" -o "$PNG" --force >/dev/null 2>"$ROAD/chart.err"; then
    echo "$PNG"
  else
    echo "$(basename "$CSV"): $(cat "$ROAD/chart.err")"
  fi
done
