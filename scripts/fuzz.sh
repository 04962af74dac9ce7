#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time,
# starting from its seed corpus and its kept regression inputs
# (fuzz/corpus/<target>/). Usage: fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/fuzz}
secs=${2:-20}
cmake -S . -B "$dir" -G Ninja -DKX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C "$dir" -j"${JOBS:-$(nproc)}"
shopt -s nullglob
for bin in "$dir"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  corpus=fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  echo "-- $name"
  if ! "$bin" -max_total_time="$secs" -max_len=65536 -rss_limit_mb=2048 \
       -print_final_stats=0 -artifact_prefix="$work/" "$work" "${seeds[@]}" \
       >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    echo "fuzz target $name failed; crashing input kept in $work" >&2
    exit 1
  fi
  grep -E '^(Done|#[0-9]+ *DONE)' "$work/log" | tail -n 1 || true
  rm -rf "$work"
done
echo "fuzz: all targets passed"
