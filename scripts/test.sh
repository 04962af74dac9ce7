#!/usr/bin/env bash
# The whole test run: a normal build, an AddressSanitizer + UBSan build (with
# LeakSanitizer), then every fuzz target for a short fixed time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
JOBS=${JOBS:-$(nproc)}
FUZZ_SECONDS=${FUZZ_SECONDS:-20}
# ccache hits across clones in other folders (CI builds a fresh clone).
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir" -j"$JOBS"
  ctest --test-dir "$dir" -j"$JOBS" --output-on-failure --timeout 600
}

echo "== release build"
run_suite "$BUILD/release" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_BENCH=OFF

echo "== sanitizer build (address, undefined, leak)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite "$BUILD/asan" -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON -DKX_BENCH=OFF

echo "== fuzz targets (${FUZZ_SECONDS}s each)"
# New inputs that reach new code are kept in fuzz/corpus (FUZZ_KEEP=0: not).
FUZZ_KEEP=${FUZZ_KEEP:-1} scripts/fuzz.sh "$BUILD/fuzz" "$FUZZ_SECONDS"
