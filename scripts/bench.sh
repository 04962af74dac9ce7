#!/usr/bin/env bash
# Runs every benchmark program of a release build configured with
# -DKX_BENCH=ON (`make bench` does both). Usage: bench.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/bench}
shopt -s nullglob
for bin in "$dir"/bench/bench_*; do
  [ -x "$bin" ] || continue
  echo "== $(basename "$bin")"
  "$bin" --benchmark_counters_tabular=true
done
