#!/usr/bin/env bash
# kx load of a generated policy to three modules, beside copying the same
# compiled files with cp, in alternating rounds.
#
# usage: kxd_load_bench.sh [-b BUILD] [-s SEED] [-n ROUNDS] [SIZE]
#   -b BUILD   build tree with kxc, kxd and kx (default build/release)
#   -s SEED    generator seed (default 1)
#   -n ROUNDS  rounds of kx load then cp (default 7)
#   SIZE       rule count (default 10000)
#
# The policy comes from ../shared/bench/gen_policy.py (GEN_POLICY overrides),
# is compiled with kxc into a filter script, and `kx load` then turns it into
# the compiled files and sends them to three kxd on 127.0.1.211-213. The
# comparison copies the compiled files (fc, ft, lg) to three directories.
# Each round starts from empty state directories (the station's and the
# modules') and empty copy directories, with the disk synced, so that every
# round writes everything anew; each round is printed, then the medians and
# the median of the rounds' ratios.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
gen=${GEN_POLICY:-$root/../shared/bench/gen_policy.py}
build=$root/build/release
seed=1
rounds=7
while getopts "b:s:n:h" opt; do
  case $opt in
    b) build=$(cd "$OPTARG" && pwd) ;;
    s) seed=$OPTARG ;;
    n) rounds=$OPTARG ;;
    *) sed -n '2,18p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2 ;;
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
files=("$work/kx/state/127.0.1.211.fc" "$work/kx/state/127.0.1.211.ft" "$work/kx/state/127.0.1.211.lg")
# One round: kx load from empty states, then cp of what it sent. Prints
# "kx_wall kx_user kx_sys kxd_cpu_ns cp_wall cp_user cp_sys loaded".
round() {
  rm -rf "$work/kx/state"/* "$work"/m?/state/local.* "$work"/copy?
  sync
  local d0 d1 t0 t1 t2 t3
  d0=$(kxd_cpu)
  t0=$(now)
  { time KXDIR=$work/kx KX_PORT=$port "$build/kxd/kx" load bench 127.0.1.211 127.0.1.212 127.0.1.213 > "$work/load.log"; } 2> "$work/kx.cpu"
  t1=$(now)
  d1=$(kxd_cpu)
  # The comparison copies what the load sent: the first module's compiled files.
  sync
  t2=$(now)
  { time for i in 1 2 3; do
    mkdir -p "$work/copy$i"
    cp "${files[@]}" "$work/copy$i/"
  done; } 2> "$work/cp.cpu"
  t3=$(now)
  echo "$(echo "$t1 - $t0" | bc) $(tail -1 "$work/kx.cpu") $((d1 - d0)) $(echo "$t3 - $t2" | bc) $(tail -1 "$work/cp.cpu") $(grep -c "loaded on" "$work/load.log" || true)"
}
la0=$(cut -d' ' -f1-3 /proc/loadavg)
results=()
for ((r = 1; r <= rounds; ++r)); do
  results+=("$(round)")
done
la1=$(cut -d' ' -f1-3 /proc/loadavg)
size=$(du -cb "${files[@]}" | tail -1 | cut -f1)
pf=$(stat -c %s "$work/kx/conf/bench.pf")
printf '%s\n' "${results[@]}" | awk -v r="$R" -v pf="$pf" -v sz="$size" -v la0="$la0" -v la1="$la1" '
function median(a, n,   i, j, t) {
  for (i = 2; i <= n; ++i) for (j = i; j > 1 && a[j - 1] > a[j]; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
BEGIN {
  printf "R = %d: filter script %d bytes, compiled files %d bytes\n", r, pf, sz
  printf "load average before %s, after %s; CPU is user + system\n", la0, la1
  printf "%5s  %-38s  %-22s  %5s\n", "round", "kx load to 3 modules: wall (CPU kx, kxd)", "cp to 3 dirs: wall (CPU)", "ratio"
}
{
  ++n
  kw[n] = $1; kc[n] = $2 + $3; dc[n] = $4 / 1e9; cw[n] = $5; cc[n] = $6 + $7; q[n] = $1 / $5
  if ($8 != 3) bad = bad " " n
  printf "%5d  %.3f s (%.3f s, %.3f s)%15s  %.3f s (%.3f s)%8s  %5.2f\n", n, kw[n], kc[n], dc[n], "", cw[n], cc[n], "", q[n]
}
END {
  printf "median %.3f s (%.3f s, %.3f s)%15s  %.3f s (%.3f s)%8s  %5.2f\n", median(kw, n), median(kc, n), median(dc, n), "", median(cw, n), median(cc, n), "", median(q, n)
  printf "median ratio: %.2f (goal: at most 2)\n", median(q, n)
  if (bad != "") { printf "rounds where not all 3 modules loaded:%s\n", bad; exit 1 }
  printf "modules loaded: 3 of 3 in every round\n"
}'
