#!/usr/bin/env bash
# The log viewer beside lnav on one generated log and its text rendering.
#
# usage: lv_bench.sh [-n RECORDS] [-o DIR] [-b BUILD]
#   -n RECORDS   records of the generated log (default 10000000, ~1 GB)
#   -o DIR       work directory (default: a new directory under /tmp)
#   -b BUILD     build tree with kxc and kxloggen (default build/release)
#
# The log comes from kxloggen (four origins), with five records of the
# origin 198.18.77.77 appended at its end: the text searched for occurs only
# there. Its text rendering is `kxc log`'s. Measured, each with
# /usr/bin/time (wall seconds, peak resident memory):
#   last page   kxc lv page --at end           lnav -n -c ':goto 100%'
#   search      kxc lv search 198.18.77.77     lnav -n -c ':filter-in 198\.18\.77\.77'
#   selection   kxc lv page under S_Port=1024-1087 (about one entry in a
#               thousand)                      lnav -n -c ':filter-in s_port 10(2[4-9]|[3-7][0-9]|8[0-7]) '
# and the block table's size against the entry count.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
records=10000000
work=""
build="$root/build/release"
while getopts "n:o:b:h" opt; do
    case $opt in
        n) records=$OPTARG ;;
        o) work=$OPTARG ;;
        b) build=$OPTARG ;;
        *) sed -n '2,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
kxc=$build/kxc/kxc
gen=$build/scripts/kxloggen/kxloggen
for p in "$kxc" "$gen" /usr/bin/time; do [ -x "$p" ] || { echo "missing $p" >&2; exit 2; }; done
command -v lnav >/dev/null || { echo "missing lnav (scripts/install-deps.sh --bench)" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d /tmp/lv_bench.XXXXXX)
mkdir -p "$work/kx/conf" "$work/kx/log" "$work/home"
work=$(cd "$work" && pwd)
export KXDIR=$work/kx KXLOGDIR= HOME=$work/home TZ=UTC
log=$work/kx.log
txt=$work/kx.txt

echo "== making $records records (load: $(uptime | sed 's/.*load average: //'))"
if [ ! -s "$txt" ]; then
    "$gen" "$log" --records "$records" --origins 4 --seed 1 >/dev/null || exit 1
    "$gen" "$work/tail.log" --records 5 --origins 1 --origin 198.18.77.77 --seed 2 >/dev/null || exit 1
    cat "$work/tail.log" >> "$log"
    "$kxc" log "$log" > "$txt" 2>/dev/null
fi
ls -l "$log" "$txt" | awk '{ printf "  %s %.0f MB\n", $NF, $5 / 1e6 }'

# run NAME COMMAND...: one timed run; prints wall and CPU (user + system)
# seconds and peak MB. On a loaded machine compare the CPU seconds.
run() {
    local name=$1; shift
    /usr/bin/time -f "%e %M %U %S" -o "$work/time.$name" "$@" > "$work/out.$name" 2> "$work/err.$name"
    read -r wall kb user sys < <(tail -n 1 "$work/time.$name")
    printf '  %-22s %8.2f s wall %6.2f s CPU %8.1f MB   %s\n' "$name" "$wall" \
        "$(echo "$user $sys" | awk '{ print $1 + $2 }')" "$(echo "$kb" | awk '{ print $1 / 1024 }')" \
        "$(head -n 2 "$work/out.$name" | tail -n 1 | head -c 60)"
}

rm -f "$work/kx/conf/logviewer.C"
echo "== kxc lv"
run lv-last-page "$kxc" lv page --log "$log" --at end
run lv-search "$kxc" lv search --log "$log" 198.18.77.77
"$kxc" lv select --set S_Port=1024-1087 >/dev/null
run lv-selection-page "$kxc" lv page --log "$log"
"$kxc" lv select --clear S_Port >/dev/null
echo "== lnav"
run lnav-last-page lnav -n -c ':goto 100%' "$txt"
run lnav-search lnav -n -c ':filter-in 198\.18\.77\.77' "$txt"
run lnav-selection-page lnav -n -c ':filter-in s_port 10(2[4-9]|[3-7][0-9]|8[0-7]) ' "$txt"
echo "== shown under the selection: $(($(wc -l < "$work/out.lv-selection-page") - 1)) lines of kxc lv," \
     "$(wc -l < "$work/out.lnav-selection-page") of lnav"
echo "load after: $(uptime | sed 's/.*load average: //')"
