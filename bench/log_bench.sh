#!/usr/bin/env bash
# Log printing speed: `kxc log` on a synthetic log beside `tcpdump -n -r` on
# a pcap file of TCP packets, both to /dev/null, and the cost of
# resynchronising across damaged spots.
#
#   bench/log_bench.sh [-b BUILD] [-n RECORDS] [-p PACKETS] [-o DIR]
#
#   -b BUILD    a release build tree with kxc and kxloggen (default build/release)
#   -n RECORDS  log records (default 10000000, about 600 MB)
#   -p PACKETS  pcap packets (default 1000000)
#   -o DIR      work directory (default: a new temporary directory, removed)
#
# Output: records (packets) per second, MB/s and peak memory of each, and
# the time of reading a log with damage every few hundred records beside
# the same log without.
set -eu

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$here/build/release
records=10000000
packets=1000000
work=""
while getopts "b:n:p:o:h" opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) records=$OPTARG ;;
    p) packets=$OPTARG ;;
    o) work=$OPTARG ;;
    *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
kxc=$build/kxc/kxc
gen=$build/scripts/kxloggen/kxloggen
[ -x "$kxc" ] && [ -x "$gen" ] || { echo "build $build first (kxc, kxloggen)" >&2; exit 1; }
command -v tcpdump >/dev/null || { echo "tcpdump is missing: scripts/install-deps.sh --bench" >&2; exit 1; }
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# One timed run: prints "seconds peak-KiB".
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > /dev/null 2>"$work/err" || true
  cat "$work/time"
}

"$gen" "$work/big.log" --records "$records" --origins 4
python3 - "$work/big.pcap" "$packets" <<'PY'
import struct, sys, random
path, n = sys.argv[1], int(sys.argv[2])
rnd = random.Random(1)
with open(path, 'wb') as f:
    f.write(struct.pack('<IHHiIII', 0xa1b2c3d4, 2, 4, 0, 0, 65535, 1))
    for i in range(n):
        tcp = struct.pack('!HHIIBBHHH', 1024 + rnd.randrange(60000), rnd.choice((80, 443, 25, 22)),
                          i, 0, 5 << 4, 0x10, 65535, 0, 0)
        ip = struct.pack('!BBHHHBBH4s4s', 0x45, 0, 20 + len(tcp), i & 0xffff, 0, 64, 6, 0,
                         bytes((198, 51, 100, rnd.randrange(1, 255))),
                         bytes((203, 0, 113, rnd.randrange(1, 255))))
        eth = b'\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\x08\x00'
        frame = eth + ip + tcp
        f.write(struct.pack('<IIII', 1796889600 + i // 1000, i % 1000 * 1000, len(frame), len(frame)))
        f.write(frame)
PY
log_mb=$(du -m "$work/big.log" | cut -f1)
pcap_mb=$(du -m "$work/big.pcap" | cut -f1)
read -r ks km < <(timed "$kxc" log "$work/big.log")
read -r ts tm < <(timed tcpdump -n -r "$work/big.pcap")
printf '%-10s %12s %10s %10s %10s %10s\n' what items seconds items/s MB/s peakKiB
awk -v r="$records" -v s="$ks" -v mb="$log_mb" -v m="$km" 'BEGIN{printf "%-10s %12d %10.2f %10.0f %10.1f %10d\n","kxc log",r,s,r/s,mb/s,m}'
awk -v r="$packets" -v s="$ts" -v mb="$pcap_mb" -v m="$tm" 'BEGIN{printf "%-10s %12d %10.2f %10.0f %10.1f %10d\n","tcpdump",r,s,r/s,mb/s,m}'
awk -v a="$records" -v as="$ks" -v b="$packets" -v bs="$ts" 'BEGIN{printf "ratio (records/s over packets/s): %.1f\n",(a/as)/(b/bs)}'

# Damage: garbage every 211 records, a sync word inside a record every 307.
n=$((records < 1000000 ? records : 1000000))
"$gen" "$work/clean.log" --records "$n" --origins 4
"$gen" "$work/damaged.log" --records "$n" --origins 4 --damage 2>/dev/null
read -r cs _ < <(timed "$kxc" log "$work/clean.log")
read -r ds _ < <(timed "$kxc" log "$work/damaged.log")
spots=$((n / 211 + n / 307))
awk -v c="$cs" -v d="$ds" -v k="$spots" 'BEGIN{printf "resynchronisation: %d damaged spots, %.2f s clean, %.2f s damaged\n",k,c,d}'
