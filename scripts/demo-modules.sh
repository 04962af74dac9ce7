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
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build/release}
top=$(realpath -m "$build/demo-modules")
if [ -z "${KX_PORT:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then KX_PORT=256; else KX_PORT=2256; fi
fi
if [ -z "${KX_SNMP_PORT:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then KX_SNMP_PORT=260; else KX_SNMP_PORT=10260; fi
fi

stop_modules() {
  [ -d "$top" ] || return 0
  for pidfile in "$top"/*/kxd.pid "$top"/*/kxagent.pid; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile")
    if kill "$pid" 2>/dev/null; then
      echo "stopped module $(basename "$(dirname "$pidfile")") (pid $pid)"
    fi
    rm -f "$pidfile"
  done
}

case "${1:-}" in
  start)
    n=${2:-}
    if ! [[ "$n" =~ ^[0-9]+$ ]] || [ "$n" -lt 1 ] || [ "$n" -gt 254 ]; then
      echo "usage: demo-modules.sh start N (1..254)" >&2
      exit 2
    fi
    if [ ! -x "$build/kxd/kxd" ] || [ ! -x "$build/kxd/kx" ] || [ ! -x "$build/kxagent/kxagent" ]; then
      cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
      ninja -C "$build" -j2 kxd kx kxagent
    fi
    stop_modules
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
    done
    sleep 0.3
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
