#!/usr/bin/env bash
# Runs every benchmark program of a release build. Usage: bench.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/release}
shopt -s nullglob
for bin in "$dir"/bench/bench_*; do
  [ -x "$bin" ] || continue
  echo "== $(basename "$bin")"
  "$bin" --benchmark_counters_tabular=true
done
