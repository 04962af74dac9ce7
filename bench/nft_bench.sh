#!/usr/bin/env bash
# The Linux module's filter: compile to nftables and load, beside loading the
# peer's iptables rules for the same policy with iptables-restore, each in a
# network namespace of its own; then the packet rate through a module in
# namespaces at a small and a large policy. Run as root.
#
# usage: nft_bench.sh [-k KXC] [-o DIR] [-s SEED] [-t TIMEOUT_S] [-r RATE_SIZES] [-n RUNS] [SIZE...]
#   -k KXC         kxc binary (default: build/release/kxc/kxc; kxnft_load beside it in tests/)
#   -o DIR         work directory (default: a new directory under /tmp)
#   -s SEED        generator seed (default 1)
#   -t TIMEOUT_S   time limit of the peer's compiler per size (default 900)
#   -r SIZES       sizes whose packet rate is measured, comma separated (default 10,1000,10000)
#   -n RUNS        loads of each side, taken in turn; the medians are shown (default 5)
#   SIZE...        rule counts for compile and load (default 1000 10000)
#
# Policies come from ../shared/bench/gen_policy.py (GEN_POLICY overrides).
# The peer's compiler writes a shell script of iptables commands; its filter
# table commands are turned into one iptables-restore input, so that both
# sides are loaded the way a module would load them: in one transaction.
# Ours is loaded by kxnft_load, which replaces the table as kxd does: the
# process (started in a fresh namespace, like iptables-restore) and, as
# kxd sees it, the call inside it; then a reload of the same ruleset.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
gen=${GEN_POLICY:-$root/../shared/bench/gen_policy.py}
kxc=$root/build/release/kxc/kxc
work=""
seed=1
timeout_s=900
rate_sizes=10,1000,10000
runs=5
while getopts "k:o:s:t:r:n:h" opt; do
    case $opt in
        k) kxc=$OPTARG ;;
        o) work=$OPTARG ;;
        s) seed=$OPTARG ;;
        t) timeout_s=$OPTARG ;;
        r) rate_sizes=$OPTARG ;;
        n) runs=$OPTARG ;;
        *) sed -n '2,24p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 10000)
[ "$(id -u)" = 0 ] || { echo "nft_bench.sh needs root (network namespaces)" >&2; exit 2; }
[ -x "$kxc" ] || { echo "no kxc binary (give -k)" >&2; exit 2; }
loader=$(dirname "$(dirname "$kxc")")/tests/kxnft_load
[ -x "$loader" ] || { echo "no $loader" >&2; exit 2; }
[ -f "$gen" ] || { echo "missing generator $gen" >&2; exit 2; }
for p in nft iptables-restore python3; do
    command -v $p > /dev/null || { echo "missing $p (scripts/install-deps.sh --bench)" >&2; exit 2; }
done
[ -n "$work" ] || work=$(mktemp -d /tmp/nft_bench.XXXXXX)
mkdir -p "$work" && work=$(cd "$work" && pwd)
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/xdg-runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

tag=kxb$$
namespaces=()
cleanup() { for n in "${namespaces[@]}"; do ip netns del "$n" 2>/dev/null; done; }
trap cleanup EXIT
fresh_ns() { ip netns del "$1" 2>/dev/null; ip netns add "$1" && namespaces+=("$1"); }
now() { date +%s.%N; }
elapsed() { echo "$1 $2" | awk '{ printf "%.3f", $2 - $1 }'; }
load() { cut -d' ' -f1 /proc/loadavg; }
# timed FILE CMD...: runs CMD, leaves "wall user sys" (ms precision) in FILE.
timed() { local f=$1 TIMEFORMAT='%3R %3U %3S'; shift; { time "$@" 2>&3; } 3>&2 2> "$f"; }
# cpu FILE: "user+sys CPU (user/sys)" of a timed run; wall FILE: its wall time.
cpu() { tail -1 "$1" | awk '{ printf "%.2f CPU (%.2f user %.2f sys)", $2 + $3, $2, $3 }'; }
wall() { tail -1 "$1" | cut -d' ' -f1; }

# prepare R: generates the policy and the filter script.
prepare() {
    local R=$1 dir=$work/R$1
    [ -s "$dir/kx/bench.pf" ] && return 0
    mkdir -p "$dir/gen" "$dir/kx/conf" "$dir/kx/lib"
    python3 "$gen" --scale "$R" --seed "$seed" --install both --formats ipt,project -o "$dir/gen" \
        > "$dir/gen.log" 2>&1 || { echo "generator failed for R=$R" >&2; return 1; }
    cp "$dir/gen/objects.C" "$dir/gen/bench.W" "$dir/kx/conf/"
    cp "$dir/gen/setup.C" "$dir/kx/lib/"
    printf '()\n' > "$dir/kx/conf/auth.C"
    printf '()\n' > "$dir/kx/conf/wellfleet.C"
    KXDIR="$dir/kx" "$kxc" compile "$dir/kx/conf/bench.W" > "$dir/kx/bench.pf" 2> "$dir/kxc.err" ||
        { echo "kxc compile failed for R=$R: $(head -c 200 "$dir/kxc.err")" >&2; return 1; }
}

lookups() { # FILE: "N-M": the map and set lookups of the inbound check that a packet meets
    # when no rule names its destination (N), and at most when the rules name
    # it at two prefix lengths (a host in a network: M)
    python3 - "$1" <<'PY'
import re, sys
chains, name = {}, None
for line in open(sys.argv[1]):
    m = re.match(r"\tchain (\S+) \{", line)
    if m:
        name = m.group(1); chains[name] = []
    elif name and line.startswith("\t\t"):
        chains[name].append(line.strip())
inline, subs = 0, []
for l in chains.get("inbound", []):
    if " vmap @h" in l or " map @h" in l or re.search(r" @a\S+ jump", l):
        inline += 1
    m = re.search(r" @a\S+ jump (s\S+)$", l)
    if m:
        subs.append(sum(1 for x in chains.get(m.group(1), []) if " vmap @h" in x or " map @h" in x))
subs.sort(reverse=True)
print("%d-%d" % (inline, inline + sum(subs[:2])))
PY
}
rule_count() { # NS: rules in the namespace's ruleset
    ip netns exec "$1" nft -j list ruleset | python3 -c \
        'import json,sys; print(sum(1 for o in json.load(sys.stdin)["nftables"] if "rule" in o))'
}

echo "# kxc: $kxc; $(nproc) CPU(s); load: $(cut -d' ' -f1-3 /proc/loadavg); work: $work, seed $seed"
echo "# seconds: wall; status: CPU seconds (user+sys) and the load average at the end of the step"
printf '%7s  %-26s %9s %8s  %s\n' rules step seconds rules status
for R in "${sizes[@]}"; do
    dir=$work/R$R
    prepare "$R" || continue
    timed "$dir/compile.time" "$kxc" nft "$dir/kx/bench.pf" --module gw > "$dir/bench.nft" 2> "$dir/nft.err"
    rc=$?
    status="ok, $(cpu "$dir/compile.time"), load $(load)"; [ $rc = 0 ] || status="FAIL($(head -c 120 "$dir/nft.err"))"
    printf '%7s  %-26s %9s %8s  %s\n' "$R" "kxc nft (compile)" "$(wall "$dir/compile.time")" - "$status"
    if [ $rc = 0 ]; then
        fresh_ns ${tag}n
        timed "$dir/load.time" ip netns exec ${tag}n nft -f "$dir/bench.nft" 2> "$dir/load.err"
        rc=$?
        status="ok, $(cpu "$dir/load.time"), load $(load)"; [ $rc = 0 ] || status="FAIL($(head -c 120 "$dir/load.err"))"
        printf '%7s  %-26s %9s %8s  %s\n' "$R" "nft -f (text, load)" "$(wall "$dir/load.time")" "$(rule_count ${tag}n)" "$status"
        ip netns del ${tag}n
    fi
    command -v fwb_ipt > /dev/null || { echo "# fwb_ipt not installed: peer skipped"; continue; }
    out=$dir/peer
    if [ ! -s "$out/gw.fw" ]; then
        rm -rf "$out"; mkdir -p "$out"
        t0=$(now)
        timeout -k 10 "$timeout_s" fwb_ipt -f "$dir/gen/bench_ipt.fwb" -d "$out" gw > "$out/compile.log" 2>&1
        rc=$?
        t1=$(now)
        status=ok; [ $rc = 0 ] || status="FAIL(exit $rc)"
        printf '%7s  %-26s %9s %8s  %s\n' "$R" "fwb_ipt (peer compile)" "$(elapsed $t0 $t1)" - "$status"
    fi
    [ -s "$out/gw.fw" ] || continue
    # The filter table's commands of the peer's script as one restore input.
    python3 - "$out/gw.fw" > "$out/restore.txt" <<'PY'
import re, sys
chains, rules = [], []
for line in open(sys.argv[1]):
    m = re.match(r'\s*\$IPTABLES\s+(?:-w\s+)?(-t\s+(\w+)\s+)?(-[NA])\s+(.*)$', line)
    if not m or (m.group(2) and m.group(2) != "filter"):
        continue
    body = m.group(4).strip().rstrip(";").strip()
    if m.group(3) == "-N":
        name = body.split()[0]
        if name not in chains:
            chains.append(name)
    else:
        rules.append("-A " + body)
print("*filter")
print(":INPUT DROP [0:0]\n:FORWARD DROP [0:0]\n:OUTPUT DROP [0:0]")
for c in chains:
    print(":%s - [0:0]" % c)
print("\n".join(rules))
print("COMMIT")
PY
done

# Loads, ours and the peer's in turn, each into a fresh namespace: for each
# side the median of the runs (wall; CPU user+sys), and how many times the
# peer's time ours is.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "-" }'; }
for R in "${sizes[@]}"; do
    dir=$work/R$R
    [ -s "$dir/bench.nft" ] || continue
    peer=$dir/peer/restore.txt
    [ -s "$peer" ] || peer=""
    : > "$dir/ours.runs"; : > "$dir/inside.runs"; : > "$dir/reload.runs"; : > "$dir/peer.runs"
    for k in $(seq "$runs"); do
        fresh_ns ${tag}n
        # The process's wall, user, sys; then as kxd sees it: how, wall, user, sys.
        inside=$(timed "$dir/ours.time" ip netns exec ${tag}n "$loader" "$dir/bench.nft" 2> "$dir/ours.err") ||
            { echo "$R: kxnft_load failed: $(head -c 200 "$dir/ours.err")"; break; }
        tail -1 "$dir/ours.time" >> "$dir/ours.runs"
        echo "$inside" >> "$dir/inside.runs"
        ip netns exec ${tag}n "$loader" "$dir/bench.nft" >> "$dir/reload.runs" 2> "$dir/ours.err"
        rules=$(rule_count ${tag}n)
        ip netns del ${tag}n
        [ -n "$peer" ] || continue
        fresh_ns ${tag}p
        timed "$dir/peer.time" ip netns exec ${tag}p iptables-restore "$peer" 2> "$dir/peer.err" ||
            { echo "$R: iptables-restore failed: $(head -c 200 "$dir/peer.err")"; peer=""; }
        tail -1 "$dir/peer.time" >> "$dir/peer.runs"
        ip netns del ${tag}p
    done
    # med FILE FIELDS: the median of the sum of the given fields of each run
    med() { awk -v f="$2" '{ n = split(f, a, ","); s = 0; for (i = 1; i <= n; i++) s += $a[i]; print s }' "$1" | median; }
    how=$(cut -d' ' -f1 "$dir/inside.runs" | sort | uniq -c | awk '{ printf "%s%s x%s", (NR > 1 ? ", " : ""), $2, $1 }')
    row() { printf '%7s  %-26s %9s %8s  %s\n' "$R" "$1" "$2" "$3" "$4"; }
    row "kxnft_load (load, process)" "$(med "$dir/ours.runs" 1)" "$rules" \
        "median of $runs: $(med "$dir/ours.runs" 2,3) CPU ($(med "$dir/ours.runs" 2) user $(med "$dir/ours.runs" 3) sys), load $(load)"
    row "  as kxd loads ($how)" "$(med "$dir/inside.runs" 2)" - \
        "$(med "$dir/inside.runs" 3,4) CPU ($(med "$dir/inside.runs" 3) user $(med "$dir/inside.runs" 4) sys)"
    row "  reload, as kxd" "$(med "$dir/reload.runs" 2)" - \
        "$(med "$dir/reload.runs" 3,4) CPU ($(med "$dir/reload.runs" 3) user $(med "$dir/reload.runs" 4) sys)"
    [ -s "$dir/peer.runs" ] || continue
    row "iptables-restore (peer)" "$(med "$dir/peer.runs" 1)" "$(grep -c '^-A' "$peer")" \
        "median of $runs: $(med "$dir/peer.runs" 2,3) CPU ($(med "$dir/peer.runs" 2) user $(med "$dir/peer.runs" 3) sys), load $(load)"
    awk -v pw="$(med "$dir/peer.runs" 1)" -v pc="$(med "$dir/peer.runs" 2,3)" -v ow="$(med "$dir/ours.runs" 1)" \
        -v oc="$(med "$dir/ours.runs" 2,3)" -v iw="$(med "$dir/inside.runs" 2)" -v ic="$(med "$dir/inside.runs" 3,4)" -v R="$R" \
        'function x(a, b) { return b > 0 ? sprintf("%.1fx", a / b) : "-" }
         BEGIN { printf "%7s  %-26s peer/ours: process %s wall, %s CPU; as kxd loads %s wall, %s CPU\n", R, "", x(pw, ow), x(pc, oc), x(pw, iw), x(pc, ic) }'
done

# Packet rate: UDP from an inside host to an outside host through a module
# that holds the policy; the packets match none of its rules, so each is
# checked against the whole rule base (every map) before the final drop.
# The rules column counts the rules of the loaded ruleset and, after "/",
# the verdict map lookups on the way.
IFS=, read -ra rs <<< "$rate_sizes"
for R in "${rs[@]}"; do
    prepare "$R" || continue
    dir=$work/R$R
    "$kxc" nft "$dir/kx/bench.pf" --module gw > "$dir/bench.nft" 2> /dev/null || continue
    i=${tag}i; m=${tag}m; o=${tag}o
    fresh_ns $i; fresh_ns $m; fresh_ns $o
    ip -n $m link add le0 type veth peer name eth0 netns $i
    ip -n $m link add le1 type veth peer name eth0 netns $o
    for n in $i $m $o; do ip -n $n link set lo up; done
    ip -n $m addr add 192.0.2.1/24 dev le0; ip -n $m link set le0 up
    ip -n $m addr add 198.51.100.1/24 dev le1; ip -n $m link set le1 up
    ip -n $i addr add 192.0.2.10/24 dev eth0; ip -n $i link set eth0 up; ip -n $i route add default via 192.0.2.1
    ip -n $o addr add 198.51.100.10/24 dev eth0; ip -n $o link set eth0 up
    ip netns exec $m sysctl -qw net.ipv4.ip_forward=1
    ip netns exec $m "$loader" "$dir/bench.nft" > /dev/null
    # The sender's own time is spent passing each packet through the
    # module's hooks (veth hands it on in the sending context).
    sent=$(ip netns exec $i python3 - <<'PY'
import resource, socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
n, end = 0, time.time() + 3
while time.time() < end:
    for _ in range(100):
        s.sendto(b"x" * 18, ("198.51.100.10", 9))
    n += 100
r = resource.getrusage(resource.RUSAGE_SELF)
print(n, "%.1f" % ((r.ru_utime + r.ru_stime) / n * 1e6))
PY
)
    us=${sent#* }; sent=${sent% *}
    seen=$(ip netns exec $m nft list counters table inet kx | awk '/packets/ { s += $2 } END { print s + 0 }')
    printf '%7s  %-26s %9s %8s  %s\n' "$R" "packets through module" 3 \
        "$(rule_count $m)/$(lookups "$dir/bench.nft")" \
        "$(awk -v n="$sent" -v c="$seen" -v us="$us" -v l="$(load)" 'BEGIN { printf "%.0f packets/s sent, %d counted, %s us CPU per packet (sender), load %s", n / 3, c, us, l }')"
    ip netns del $i; ip netns del $m; ip netns del $o
done
