#!/usr/bin/env bash
# Policy analysis on generated policies: kxc trace of one packet (the load
# included), kxc diff of two policies that differ in ten rules, and, in
# process (bench_analysis), the model build, one traced packet in the built
# model, 100,000 traced packets and the diff without the loads.
#
# usage: analysis_bench.sh [-b BUILD] [-o DIR] [SIZE...]
#   -b BUILD   build tree with kxc and bench/bench_analysis (default build/bench)
#   -o DIR     work directory (default: a new directory under /tmp)
#   SIZE...    rule counts (default 1000 3000 10000)
#
# Each policy is ../shared/bench/gen_policy.py's (GEN_POLICY overrides),
# "--install both"; the changed copy flips the action (accept and drop) of
# ten rules spread over the rule base.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
gen=${GEN_POLICY:-$root/../shared/bench/gen_policy.py}
build=$root/build/bench
work=""
while getopts "b:o:h" opt; do
    case $opt in
        b) build=$OPTARG ;;
        o) work=$OPTARG ;;
        *) sed -n '2,14p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 3000 10000)
kxc=$build/kxc/kxc
bench=$build/bench/bench_analysis
for p in "$kxc" "$bench" /usr/bin/time "$gen"; do [ -e "$p" ] || { echo "missing $p" >&2; exit 2; }; done
[ -n "$work" ] || work=$(mktemp -d /tmp/analysis_bench.XXXXXX)
mkdir -p "$work" && work=$(cd "$work" && pwd)

echo "load before: $(uptime | sed 's/.*load average: //')"
printf '%8s %12s %12s %12s %12s %14s %12s %12s\n' rules "trace+load" "trace MB" "diff+load" "diff MB" \
    "build ms r/c" "1 pkt us r/c" "pkts/s (cpu)"
for r in "${sizes[@]}"; do
    dir=$work/r$r
    if [ ! -f "$dir/kx/conf/changed.W" ]; then
        mkdir -p "$dir/gen" "$dir/kx/conf" "$dir/kx/lib"
        python3 "$gen" -o "$dir/gen" --scale "$r" --seed 1 --install both >/dev/null || exit 1
        cp "$dir/gen/objects.C" "$dir/gen/bench.W" "$dir/kx/conf/"
        cp "$dir/gen/setup.C" "$dir/kx/lib/"
        printf '()\n' > "$dir/kx/conf/auth.C"
        printf '()\n' > "$dir/kx/conf/wellfleet.C"
        python3 - "$dir/kx/conf/bench.W" "$dir/kx/conf/changed.W" <<'EOF'
import re, sys
text = open(sys.argv[1]).read()
actions = [m for m in re.finditer(r":action \(\n\t+: (accept|drop)\n", text)]
step = max(1, len(actions) // 10)
out, at = [], 0
for m in actions[::step][:10]:
    out.append(text[at:m.start(1)])
    out.append("drop" if m.group(1) == "accept" else "accept")
    at = m.end(1)
out.append(text[at:])
open(sys.argv[2], "w").write("".join(out))
EOF
    fi
    export KXDIR=$dir/kx
    /usr/bin/time -f "%e %M %U %S" -o "$dir/trace.time" "$kxc" trace "$KXDIR/conf/bench.W" --src 10.0.0.1 \
        --dst 10.0.0.2 --service tcp/80 --target gw >/dev/null 2>&1
    /usr/bin/time -f "%e %M %U %S" -o "$dir/diff.time" "$kxc" diff "$KXDIR/conf/bench.W" "$KXDIR/conf/changed.W" \
        > "$dir/diff.out" 2>/dev/null
    KX_ANALYSIS_DIR=$KXDIR "$bench" --benchmark_format=csv > "$dir/bench.csv" 2>/dev/null
    # (time's last line: a failing status, as diff's 1, comes on a line before it)
    read -r tw tk tu ts < <(tail -n 1 "$dir/trace.time")
    read -r dw dk du ds < <(tail -n 1 "$dir/diff.time")
    # Google Benchmark's CSV: real time in column 3, CPU time in column 4.
    build_ms=$(awk -F, '/BM_BuildModel/ { print $3 "/" $4 }' "$dir/bench.csv")
    one_us=$(awk -F, '/BM_TraceOnePacket/ { print $3 "/" $4 }' "$dir/bench.csv")
    pps=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "items_per_second") c = i }
                   /BM_Trace100kPackets/ { print $c }' "$dir/bench.csv")
    diff_ms=$(awk -F, '/BM_DiffTenChangedRules/ { print $3 "/" $4 }' "$dir/bench.csv")
    printf '%8s %11.2fs %11sM %11.2fs %11sM %14s %12s %12.0f\n' "$r" "$tw" "$((tk / 1024))" "$dw" \
        "$((dk / 1024))" "$build_ms" "$one_us" "$pps"
    echo "         CPU seconds: trace+load $(echo "$tu $ts" | awk '{ print $1 + $2 }')," \
         "diff+load $(echo "$du $ds" | awk '{ print $1 + $2 }')"
    echo "         diff in process (both models and the diff), real/CPU ms: ${diff_ms};" \
         "$(grep -c '; old ' "$dir/diff.out") blocks"
done
echo "load after: $(uptime | sed 's/.*load average: //')"
