#!/usr/bin/env bash
# Demo firewall modules on this machine, for trying the install chain by hand.
#
#   demo-modules.sh start N   start N modules (kxd) on 127.0.1.1 ... 127.0.1.N
#   demo-modules.sh stop      stop the modules this script started
#
# Each module gets its own module directory under the build tree
# ($BUILD/demo-modules/127.0.1.I), set up from demo/module. The daemons
# listen on port 256 when run as root, else on $KX_PORT (default 2256); give
# kx the same port (KX_PORT=... or kx -p ...). Each module also runs its SNMP
# agent stand-in kxagent on UDP port 260 as root, else $KX_SNMP_PORT (default
# 10260), serving the module's state/snmpstate, which kxd writes; ask it with
# `kxc status --address 127.0.1.I --port ...` or snmpget.
#
# Logging: the station's log server kxlogd runs on 127.0.0.1, TCP port 257
# as root, else $KX_LOG_PORT (default 2257), and appends to the log file of
# the demo installation ($BUILD/kxdir, laid out from demo/ when missing). Each
# module runs its log collector (kxlogd -l, sending to that server) and
# kxtraffic, the stand-in of its packet filter, which logs a steady flow of
# connections (KX_TRAFFIC_RATE per second, default 5) under the module's
# policy. Modules without a policy get the demo's Standard policy loaded
# (compiled with kxc, sent with kx). Watch it with
#   KXDIR=$BUILD/kxdir kxc log --follow
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build/release}
top=$(realpath -m "$build/demo-modules")
if [ -z "${KX_PORT:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then KX_PORT=256; else KX_PORT=2256; fi
fi
if [ -z "${KX_LOG_PORT:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then KX_LOG_PORT=257; else KX_LOG_PORT=2257; fi
fi
kxdir=$(realpath -m "$build/kxdir")
rate=${KX_TRAFFIC_RATE:-5}
if [ -z "${KX_SNMP_PORT:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then KX_SNMP_PORT=260; else KX_SNMP_PORT=10260; fi
fi

stop_modules() {
  [ -d "$top" ] || return 0
  for pidfile in "$top"/*/kxtraffic.pid "$top"/*/kxlogd.pid "$top"/*/kxd.pid "$top"/*/kxagent.pid; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile")
    if kill "$pid" 2>/dev/null; then
      echo "stopped module $(basename "$(dirname "$pidfile")") (pid $pid)"
    fi
    rm -f "$pidfile"
  done
  # The log server last: the collectors hand it what they hold first.
  sleep 0.2
  if [ -f "$top/kxlogd.pid" ]; then
    pid=$(cat "$top/kxlogd.pid")
    if kill "$pid" 2>/dev/null; then echo "stopped the log server (pid $pid)"; fi
    rm -f "$top/kxlogd.pid"
  fi
}

case "${1:-}" in
  start)
    n=${2:-}
    if ! [[ "$n" =~ ^[0-9]+$ ]] || [ "$n" -lt 1 ] || [ "$n" -gt 254 ]; then
      echo "usage: demo-modules.sh start N (1..254)" >&2
      exit 2
    fi
    progs="kxd/kxd kxd/kx kxagent/kxagent kxlogd/kxlogd scripts/kxtraffic/kxtraffic kxc/kxc"
    for prog in $progs; do
      if [ ! -x "$build/$prog" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        ninja -C "$build" -j2 kxd kx kxagent kxlogd kxtraffic kxc
        break
      fi
    done
    stop_modules
    if [ ! -d "$kxdir" ]; then
      cp -a demo "$kxdir"
      find "$kxdir" -name .keep -delete
    fi
    mkdir -p "$top" "$kxdir/log"
    [ -f "$kxdir/conf/control.map" ] || cp demo/conf/control.map "$kxdir/conf/"
    # The station's log server.
    "$build/kxlogd/kxlogd" -s -a 127.0.0.1 -p "$KX_LOG_PORT" -f "$kxdir/log/kx.log" \
      -c "$kxdir/conf" >"$top/kxlogd.out" 2>&1 &
    echo $! >"$top/kxlogd.pid"
    for i in $(seq 1 "$n"); do
      addr=127.0.1.$i
      dir=$top/$addr
      mkdir -p "$dir/log"
      cp demo/module/control.map demo/module/masters demo/module/interfaces "$dir/"
      "$build/kxd/kxd" -a "$addr" -p "$KX_PORT" -d "$dir" >"$dir/log/kxd.out" 2>&1 &
      echo $! >"$dir/kxd.pid"
      # kxd keeps state/snmpstate current (loaded filter, date, counters).
      "$build/kxagent/kxagent" -f "$dir/state/snmpstate" "udp:$addr:$KX_SNMP_PORT" \
        >"$dir/log/kxagent.out" 2>&1 &
      echo $! >"$dir/kxagent.pid"
      "$build/kxlogd/kxlogd" -l "$dir" -r 127.0.0.1 -p "$KX_LOG_PORT" -R 5 -o "$addr" \
        >"$dir/log/kxlogd.out" 2>&1 &
      echo $! >"$dir/kxlogd.pid"
      "$build/scripts/kxtraffic/kxtraffic" "$dir" --rate "$rate" --seed "$i" \
        >"$dir/log/kxtraffic.out" 2>&1 &
      echo $! >"$dir/kxtraffic.pid"
    done
    sleep 0.3
    # Modules without a policy get the demo's.
    bare=()
    for i in $(seq 1 "$n"); do
      [ -f "$top/127.0.1.$i/state/local.lg" ] || bare+=("127.0.1.$i")
    done
    if [ ${#bare[@]} -gt 0 ]; then
      KXDIR=$kxdir "$build/kxc/kxc" compile "$kxdir/conf/Standard.W" >"$kxdir/conf/Standard.pf" \
        2>"$top/load.out" &&
        KXDIR=$kxdir KX_PORT=$KX_PORT "$build/kxd/kx" load Standard "${bare[@]}" >>"$top/load.out" 2>&1 ||
        { echo "loading the demo policy failed:" >&2; cat "$top/load.out" >&2; }
    fi
    if grep -q listening "$top/kxlogd.out"; then
      echo "log server: 127.0.0.1 port $KX_LOG_PORT, log file $kxdir/log/kx.log"
    else
      echo "the log server did not start:" >&2
      cat "$top/kxlogd.out" >&2
    fi
    for i in $(seq 1 "$n"); do
      addr=127.0.1.$i
      if grep -q listening "$top/$addr/log/kxd.out"; then
        echo "module $addr: port $KX_PORT, SNMP port $KX_SNMP_PORT, directory $top/$addr"
      else
        echo "module $addr did not start:" >&2
        cat "$top/$addr/log/kxd.out" >&2
      fi
    done
    ;;
  stop) stop_modules ;;
  *)
    echo "usage: demo-modules.sh start N | stop" >&2
    exit 2
    ;;
esac
