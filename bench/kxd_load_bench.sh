#!/usr/bin/env bash
# kx load of a generated policy to three modules, beside copying the same
# compiled files with cp.
#
# usage: kxd_load_bench.sh [-b BUILD] [-s SEED] [SIZE]
#   -b BUILD   build tree with kxc, kxd and kx (default build/release)
#   -s SEED    generator seed (default 1)
#   SIZE       rule count (default 10000)
#
# The policy comes from ../shared/bench/gen_policy.py (GEN_POLICY overrides),
# is compiled with kxc into a filter script, and `kx load` then turns it into
# the compiled files and sends them to three kxd on 127.0.1.211-213. The
# comparison copies the compiled files (fc, ft, lg) to three directories.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
gen=${GEN_POLICY:-$root/../shared/bench/gen_policy.py}
build=$root/build/release
seed=1
while getopts "b:s:h" opt; do
  case $opt in
    b) build=$(cd "$OPTARG" && pwd) ;;
    s) seed=$OPTARG ;;
    *) sed -n '2,14p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
R=${1:-10000}
for p in kxc/kxc kxd/kxd kxd/kx; do
  [ -x "$build/$p" ] || { echo "missing $build/$p (build it first)" >&2; exit 2; }
done
work=$(mktemp -d /tmp/kxd_load_bench.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/gen" "$work/kx/conf" "$work/kx/lib" "$work/kx/state" "$work/kx/tmp"
python3 "$gen" --scale "$R" --seed "$seed" --install both --formats project -o "$work/gen" > "$work/gen.log"
cp "$work/gen/objects.C" "$work/gen/bench.W" "$work/kx/conf/"
cp "$work/gen/setup.C" "$work/kx/lib/"
printf '()\n' > "$work/kx/conf/auth.C"
printf '()\n' > "$work/kx/conf/wellfleet.C"
KXDIR=$work/kx "$build/kxc/kxc" compile "$work/kx/conf/bench.W" > "$work/kx/conf/bench.pf" 2>/dev/null

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.1.211", 0)); print(s.getsockname()[1])')
for i in 1 2 3; do
  mkdir -p "$work/m$i"
  echo '*: none/*' > "$work/m$i/control.map"
  "$build/kxd/kxd" -a 127.0.1.21$i -p "$port" -d "$work/m$i" > "$work/m$i/out" 2>&1 &
  pids+=($!)
done
sleep 0.5

now() { date +%s.%N; }
# CPU of the daemons (all their threads), in nanoseconds.
kxd_cpu() {
  local sum=0 ns rest t
  for p in "${pids[@]}"; do
    for t in /proc/"$p"/task/*/schedstat; do
      read -r ns rest < "$t" && sum=$((sum + ns))
    done
  done
  echo "$sum"
}
TIMEFORMAT='%3U %3S' # user and system CPU of what `time` runs
d0=$(kxd_cpu)
t0=$(now)
{ time KXDIR=$work/kx KX_PORT=$port "$build/kxd/kx" load bench 127.0.1.211 127.0.1.212 127.0.1.213 > "$work/load.log"; } 2> "$work/kx.cpu"
t1=$(now)
d1=$(kxd_cpu)
# The comparison copies what the load sent: the first module's compiled files.
t2=$(now)
{ time for i in 1 2 3; do
  mkdir -p "$work/copy$i"
  cp "$work/kx/state/127.0.1.211.fc" "$work/kx/state/127.0.1.211.ft" "$work/kx/state/127.0.1.211.lg" "$work/copy$i/"
done; } 2> "$work/cp.cpu"
t3=$(now)
size=$(du -cb "$work/kx/state/127.0.1.211.fc" "$work/kx/state/127.0.1.211.ft" "$work/kx/state/127.0.1.211.lg" | tail -1 | cut -f1)
pf=$(stat -c %s "$work/kx/conf/bench.pf")
awk -v r="$R" -v pf="$pf" -v sz="$size" -v load="$(echo "$t1 - $t0" | bc)" -v cp="$(echo "$t3 - $t2" | bc)" \
    -v kxcpu="$(tail -1 "$work/kx.cpu")" -v cpcpu="$(tail -1 "$work/cp.cpu")" -v kxd="$(((d1 - d0) / 1000))" \
    -v la="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
  split(kxcpu, k, " "); split(cpcpu, c, " ")
  printf "R = %d: filter script %d bytes, compiled files %d bytes (load average %s)\n", r, pf, sz, la
  printf "kx load to 3 modules: %.3f s (CPU: kx %.3f s, the 3 kxd %.3f s)\n", load, k[1] + k[2], kxd / 1e6
  printf "cp of the compiled files to 3 directories: %.3f s (CPU %.3f s)\n", cp, c[1] + c[2]
  printf "ratio: %.1f (goal: at most 2)\n", load / cp
}'
grep -c "loaded on" "$work/load.log" | xargs printf "modules loaded: %s of 3\n"
