#!/usr/bin/env bash
# Access-list generation speed: `kxc cisco` on generated policies (every rule
# installed on router rtr), beside the peer IOS compiler fwb_iosacl on the
# same policy.
#
#   bench/cisco_bench.sh [-k KXC] [-p "SIZES"] [-o DIR] [-r REPS] SIZE...
#
#   -k KXC     the kxc program (default: build/h6-rel/kxc/kxc, built with
#              -DCMAKE_BUILD_TYPE=Release when missing)
#   -p SIZES   sizes at which the peer compiler runs too (default "300 1000";
#              "" for none)
#   -o DIR     work directory (default: a new temporary directory)
#   -r REPS    repetitions of kxc per size; the minimum wall time is shown
#
# The policies come from the peer benchmark generator (GEN, default
# ../shared/bench/gen_policy.py beside the project, seed 1). Output: one row per size with
# kxc's wall seconds, its access-list lines, the peer's wall seconds and
# lines, and the speed ratio.
set -eu

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
gen=${GEN:-$here/../shared/bench/gen_policy.py}
kxc=""
peer_sizes="300 1000"
work=""
reps=3

while getopts "k:p:o:r:h" opt; do
    case $opt in
        k) kxc=$OPTARG ;;
        p) peer_sizes=$OPTARG ;;
        o) work=$OPTARG ;;
        r) reps=$OPTARG ;;
        *) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || set -- 300 1000 5000

if [ -z "$kxc" ]; then
    kxc=$here/build/h6-rel/kxc/kxc
    if [ ! -x "$kxc" ]; then
        cmake -S "$here" -B "$here/build/h6-rel" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
            -DKX_BENCH=OFF >/dev/null
        ninja -C "$here/build/h6-rel" kxc >/dev/null
    fi
fi
[ -f "$gen" ] || { echo "missing generator $gen (set GEN)" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d)
mkdir -p "$work"

now() { date +%s.%N; }
lines() { grep -cE '^access-list [0-9]+ (permit|deny) ' "$1" || true; }

printf '%-6s %10s %8s %10s %8s %8s\n' rules kxc_s lines peer_s lines speedup
for r in "$@"; do
    d=$work/r$r
    mkdir -p "$d/kx/conf" "$d/kx/lib" "$d/peer"
    python3 "$gen" --scale "$r" --seed 1 -o "$d" >/dev/null
    cp "$d/objects.C" "$d/kx/conf/objects.C"
    cp "$d/setup.C" "$d/kx/lib/setup.C"
    best=""
    for _ in $(seq "$reps"); do
        t0=$(now)
        KXDIR=$d/kx "$kxc" cisco "$d/bench.W" rtr >"$d/kx.cl" 2>"$d/kx.err"
        t1=$(now)
        t=$(echo "$t1 - $t0" | bc)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
    done
    kl=$(lines "$d/kx.cl")
    ps="-" pl="-" ratio="-"
    if [[ " $peer_sizes " == *" $r "* ]] && command -v fwb_iosacl >/dev/null; then
        t0=$(now)
        (cd "$d/peer" && QT_QPA_PLATFORM=offscreen fwb_iosacl -f "$d/bench.fwb" -d "$d/peer" rtr \
            >"$d/peer.log" 2>&1) || echo "peer compiler failed at R=$r (see $d/peer.log)" >&2
        t1=$(now)
        ps=$(echo "$t1 - $t0" | bc)
        pl=$(grep -cE '^ *(permit|deny) ' "$d/peer/rtr.fw" 2>/dev/null || echo 0)
        ratio=$(echo "scale=0; $ps / $best" | bc)x
    fi
    printf '%-6s %10.3f %8s %10s %8s %8s\n' "$r" "$best" "$kl" "$ps" "$pl" "$ratio"
done
