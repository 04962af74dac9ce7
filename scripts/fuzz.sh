#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time,
# starting from its corpus (fuzz/corpus/<target>/: seeds, kept inputs and
# regression inputs). Usage: fuzz.sh [--keep] BUILD_DIR SECONDS
#   --keep (or FUZZ_KEEP=1): merge the inputs a run found that reach new code
#   into fuzz/corpus/<target>/ (libFuzzer -merge=1, so only those that add
#   coverage), for committing with the change that needed them.
# An input that crashes, leaks or hangs a target is always copied into the
# target's corpus as a regression input; commit it with the fix.
set -euo pipefail
cd "$(dirname "$0")/.."
keep=${FUZZ_KEEP:-0}
if [ "${1:-}" = --keep ]; then keep=1; shift; fi
dir=${1:-build/fuzz}
secs=${2:-20}
cmake -S . -B "$dir" -G Ninja -DKX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C "$dir" -j"${JOBS:-$(nproc)}"
shopt -s nullglob
limits=(-max_len=65536 -rss_limit_mb=2048)
for bin in "$dir"/fuzz/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  corpus=fuzz/corpus/${name#fuzz_}
  work=$(mktemp -d)
  mkdir -p "$work/new"
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  echo "-- $name"
  if ! "$bin" -max_total_time="$secs" "${limits[@]}" -print_final_stats=0 \
       -artifact_prefix="$work/" "$work/new" "${seeds[@]}" >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    mkdir -p "$corpus"
    for a in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$work"/slow-unit-*; do
      cp "$a" "$corpus/" && echo "regression input kept: $corpus/$(basename "$a")" >&2
    done
    echo "fuzz target $name failed (work files in $work)" >&2
    exit 1
  fi
  grep -E '^(Done|#[0-9]+ *DONE)' "$work/log" | tail -n 1 || true
  if [ "$keep" = 1 ] && [ -n "$(ls -A "$work/new")" ]; then
    mkdir -p "$corpus"
    before=$(ls "$corpus" | wc -l)
    "$bin" -merge=1 "${limits[@]}" "$corpus" "$work/new" >"$work/merge.log" 2>&1 ||
      { tail -n 20 "$work/merge.log"; echo "merging into $corpus failed" >&2; exit 1; }
    echo "   kept $(( $(ls "$corpus" | wc -l) - before )) new inputs in $corpus"
  fi
  rm -rf "$work"
done
echo "fuzz: all targets passed"
