#!/usr/bin/env bash
# Log service throughput: four collectors (kxlogd -l) on loopback stream
# records to one log server (kxlogd -s), each fed as fast as it takes them by
# a kxtraffic that numbers its messages. Reports the server's records per
# second and MB/s written, beside dd writing the same number of bytes to the
# same disk in one run; checks that no record was lost or reordered within
# a collector; samples the memory of the server and the collectors along the
# run; and gives each process's CPU time per GB written (the figure that
# holds on a busy machine). The packet filter's stand-ins send batches of
# messages (log/kxlog.batch), as a busy filter hands them over. Then the
# server alone: four clients (logd_blast) stream ready records to it as
# collectors do, and the same comparison with dd.
#
#   bench/logd_bench.sh [-b BUILD] [-n RECORDS] [-o DIR]
#
#   -b BUILD    a release build tree with kxlogd, kxtraffic, logd_check and
#               logd_blast (default build/release; the last two need
#               -DKX_BENCH=ON)
#   -n RECORDS  records per collector (default 1000000)
#   -o DIR      work directory (default: a new temporary directory, removed)
set -eu

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$here/build/release
records=1000000
work=""
while getopts "b:n:o:h" opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) records=$OPTARG ;;
    o) work=$OPTARG ;;
    *) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
logd=$build/kxlogd/kxlogd
traffic=$build/scripts/kxtraffic/kxtraffic
check=$build/bench/logd_check
blast=$build/bench/logd_blast
for p in "$logd" "$traffic" "$check" "$blast"; do
  [ -x "$p" ] || { echo "build $p first" >&2; exit 1; }
done
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap 'cleanup; [ -z "${keep:-}" ] && rm -rf "$work"' EXIT
mkdir -p "$work/conf"
echo "127.0.0.0/8: silly/log" >"$work/conf/control.map"
for i in 1 2 3 4; do
  m=$work/mod$i
  mkdir -p "$m/state" "$m/log"
  printf 'eth0\neth1\n' >"$m/interfaces"
  printf '# log formats of Bench\n%%%%format: short 1\nsrc ipaddr\ndst ipaddr\nservice port\nproto proto\nrule int\n%%%%action: drop 0\n%%%%action: reject 1\n%%%%action: accept 2\n' >"$m/state/local.lg"
  echo "# filter code of Bench" >"$m/state/local.fc"
  echo "# tables of Bench" >"$m/state/local.ft"
  printf 'Bench\nall\n' >"$m/state/local.ifs"
done

log=$work/kx.log
"$logd" -s -a 127.0.1.1 -p 0 -f "$log" -c "$work/conf" >"$work/server.out" 2>"$work/server.err" &
server=$!
pids+=("$server")
for _ in $(seq 50); do grep -q listening "$work/server.out" && break; sleep 0.1; done
port=$(sed -n 's/.* port \([0-9]*\),.*/\1/p' "$work/server.out")
[ -n "$port" ] || { cat "$work/server.err" >&2; exit 1; }
for i in 1 2 3 4; do
  "$logd" -l "$work/mod$i" -r 127.0.1.1 -p "$port" -o "127.0.1.$((20 + i))" \
    >"$work/c$i.out" 2>"$work/c$i.err" &
  pids+=("$!")
done
for i in 1 2 3 4; do
  for _ in $(seq 50); do grep -q collecting "$work/c$i.out" && break; sleep 0.1; done
done
sleep 0.5
start_size=$(stat -c %s "$log")

# Resident memory (kB) of the server and each collector, sampled along the
# run: one line per sample.
( while kill -0 "$server" 2>/dev/null; do
    line=""
    for p in "${pids[@]:0:5}"; do
      line="$line $(awk '/VmRSS/ {print $2}' "/proc/$p/status" 2>/dev/null || echo 0)"
    done
    echo "$line"
    sleep 0.5
  done >"$work/rss" ) &
pids+=("$!")
# CPU seconds (user + system) a process has used so far.
cpu_of() { awk -v t="$(getconf CLK_TCK)" '{printf "%.2f", ($14 + $15) / t}' "/proc/$1/stat"; }
cpu_start=()
for p in "${pids[@]:0:5}"; do cpu_start+=("$(cpu_of "$p")"); done

# Each writer starts with no dirty pages of another in the page cache.
sync
start=$(date +%s.%N)
gens=()
for i in 1 2 3 4; do
  /usr/bin/time -f "%U %S" -o "$work/gen$i.cpu" \
    "$traffic" "$work/mod$i" --rate 0 --count "$records" --seq 1 --seed "$i" &
  gens+=("$!")
done
wait "${gens[@]}"
# The last record reaches the file a moment later: the run ends at the
# file's last change.
prev=-1
while [ "$(stat -c %s "$log")" != "$prev" ]; do prev=$(stat -c %s "$log"); sleep 0.5; done
end=$(date -r "$log" +%s.%N)
end_size=$(stat -c %s "$log")
cpu=()
for k in 0 1 2 3 4; do
  cpu+=("$(echo "$(cpu_of "${pids[$k]}") - ${cpu_start[$k]}" | bc -l)")
done
for p in "${pids[@]:1}"; do kill "$p" 2>/dev/null || true; done
wait "${pids[@]:1}" 2>/dev/null || true
kill "$server"; wait "$server" || true
pids=()

bytes=$((end_size - start_size))
secs=$(echo "$end - $start" | bc -l)
"$check" "$log" >"$work/check" || true
got=$(sed -n 's/^records //p' "$work/check")
local_records=0
for i in 1 2 3 4; do
  n=$("$check" "$work/mod$i/log/kx.log" 2>/dev/null | sed -n 's/^records //p')
  local_records=$((local_records + ${n:-0}))
done
printf 'log server: %d records in %.2f s = %.0f records/s, %.1f MB/s (%d bytes)\n' \
  "$got" "$secs" "$(echo "$got / $secs" | bc -l)" "$(echo "$bytes / $secs / 1000000" | bc -l)" "$bytes"
sed 's/^/  /' "$work/check"
echo "  records kept in the collectors' own files: $local_records"
blocks=$(( (bytes + 1048575) / 1048576 ))
sync
dd_out=$(/usr/bin/time -f "%U %S" -o "$work/dd.cpu" \
  dd if=/dev/zero of="$work/dd.out" bs=1M count="$blocks" 2>&1 | tail -1)
echo "dd, the same bytes to the same disk: $dd_out"
gb=$(echo "$bytes / 1000000000" | bc -l)
per_gb() { printf '%.2f' "$(echo "$1 / $gb" | bc -l)"; }
line="CPU seconds per GB written: server $(per_gb "${cpu[0]}"), collectors"
for k in 1 2 3 4; do line="$line $(per_gb "${cpu[$k]}")"; done
line="$line, generators"
for i in 1 2 3 4; do line="$line $(per_gb "$(awk '{print $1 + $2}' "$work/gen$i.cpu")")"; done
echo "$line; dd $(per_gb "$(awk '{print $1 + $2}' "$work/dd.cpu")")"
n=$(wc -l <"$work/rss")
for k in 1 2 3 4 5; do
  name=server
  [ "$k" -gt 1 ] && name="collector $((k - 1))"
  col=$(awk -v k="$k" '{print $k}' "$work/rss")
  half=$(echo "$col" | head -n $((n / 2)) | sort -n | tail -1)
  last=$(echo "$col" | tail -n $((n - n / 2)) | sort -n | tail -1)
  echo "$name memory (VmRSS kB): min/max $(echo "$col" | sort -n | sed -n '1p;$p' | tr '\n' ' '); peak first half $half, second half $last"
done

# The server alone.
log2=$work/kx2.log
"$logd" -s -a 127.0.1.1 -p 0 -f "$log2" -c "$work/conf" >"$work/server2.out" 2>"$work/server2.err" &
server=$!
pids+=("$server")
for _ in $(seq 50); do grep -q listening "$work/server2.out" && break; sleep 0.1; done
port=$(sed -n 's/.* port \([0-9]*\),.*/\1/p' "$work/server2.out")
( while kill -0 "$server" 2>/dev/null; do
    awk '/VmRSS/ {print $2}' "/proc/$server/status" 2>/dev/null || true
    sleep 0.5
  done >"$work/rss2" ) &
pids+=("$!")
start_size=$(stat -c %s "$log2")
sync
secs=$("$blast" "$port" "$records" 4)
bytes=$(( $(stat -c %s "$log2") - start_size ))
for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
wait 2>/dev/null || true
pids=()
"$check" "$log2" >"$work/check2" || true
got=$(sed -n 's/^records //p' "$work/check2")
printf 'server alone: %d records in %.2f s = %.0f records/s, %.1f MB/s (%d bytes)\n' \
  "$got" "$secs" "$(echo "$got / $secs" | bc -l)" "$(echo "$bytes / $secs / 1000000" | bc -l)" "$bytes"
sed 's/^/  /' "$work/check2"
blocks=$(( (bytes + 1048575) / 1048576 ))
# A new file, as the server's is (rewriting the blocks of a file just
# removed runs many times faster here and would flatter dd).
sync
dd_out=$(dd if=/dev/zero of="$work/dd2.out" bs=1M count="$blocks" 2>&1 | tail -1)
echo "dd, the same bytes to the same disk: $dd_out"
echo "server memory (VmRSS kB): min/max $(sort -n "$work/rss2" | sed -n '1p;$p' | tr '\n' ' ')"
uptime
